#include "transfer/ExportName.h"

#include <algorithm>

#include "format/FieldText.h"
#include "format/Utf8Text.h"
#include "transfer/FlxPath.h"

std::string ExportBaseName(const std::string& fileName) {
  std::string name = fileName;
  std::replace(name.begin(), name.end(), '/', '_');
  name.erase(0, name.find_first_not_of('.'));
  const size_t dot = name.rfind('.');
  if (dot != std::string::npos) name.erase(dot);
  name = CutUtf8_ToBytes(name, kExportBaseNameMax);
  return name.empty() ? kExportFallbackBaseName : name;
}

std::string ExportPdfPath(const std::string& folder, const std::string& base, int number) {
  const std::string suffix = number == 0 ? ".pdf" : "-" + std::to_string(number) + ".pdf";
  const size_t fixed = folder.size() + 1 + suffix.size();
  if (fixed >= kFlnPathBufferSize - 1) return std::string();
  const std::string fitted = CutUtf8_ToBytes(base, kFlnPathBufferSize - 1 - fixed);
  if (fitted.empty()) return std::string();
  return folder + "/" + fitted + suffix;
}
