#include "transfer/ImportFailure.h"

#include <cstring>

const char* ImportFailureReasonText(ImportFailureReason reason) {
  switch (reason) {
    case ImportFailureReason::PathTooLong: return "path too long (more than 511 bytes)";
    case ImportFailureReason::FolderUnreadable: return "folder cannot be read";
    case ImportFailureReason::FileUnreadable: return "file cannot be read";
    case ImportFailureReason::NotAFile: return "not a regular file";
    case ImportFailureReason::FlxTooLarge: return "metadata text file larger than 64 KiB; the PDF was not imported";
    case ImportFailureReason::LibraryFull: return "the library file would grow past 4 GiB";
    case ImportFailureReason::StoreFailed: return "could not be written into the library file";
    case ImportFailureReason::LibraryUnavailable: return "the library file cannot be opened for writing";
    case ImportFailureReason::NotSaved: return "the library file could not be saved";
    case ImportFailureReason::NoIdentifier: return "no entry identifier left";
    case ImportFailureReason::MetadataNotUtf8: return "its metadata text file (.flx) is not UTF-8 text";
    case ImportFailureReason::ReservedCategory:
      return "its metadata file gives a category name that stands for every category or for no change";
    case ImportFailureReason::OutOfMemory: return "out of memory";
    case ImportFailureReason::PdfUnreadable: return "its PDF cannot be read whole from the other library";
  }
  return "unknown";
}

std::string ImportFailureLine(const ImportFailure& failure) {
  std::string line = failure.path + ": " + ImportFailureReasonText(failure.reason);
  if (failure.error != 0) line += std::string(": ") + std::strerror(failure.error);
  return line;
}

std::string ImportDecodedNameLine(const ImportDecodedName& name) {
  return name.path + ": the name is not UTF-8; imported as " + name.stored;
}

ImportFailure StoreFailureOf(const std::string& path, const FlnResult& stored) {
  if (stored.status == FlnStatus::TooLarge) return ImportFailure{path, ImportFailureReason::LibraryFull, 0};
  return ImportFailure{path, ImportFailureReason::StoreFailed, stored.systemError};
}
