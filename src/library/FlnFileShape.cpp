#include "library/FlnFileShape.h"

#include "storage/ZelFile.h"

FlnResult ReadLibraryFileShape(const char* path, FlnFileShape* shape) {
  ZEL_FILE file;
  const FlnResult opened =
      RunStorageStep(FlnStatus::CannotOpen, "open the library file", [&] { return ZEL_Open(path, 1, &file); });
  if (opened.ok()) *shape = FlnFileShape{*file.layout, file.fileSize};
  ZEL_Close(&file);
  return opened;
}
