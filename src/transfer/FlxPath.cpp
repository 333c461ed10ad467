#include "transfer/FlxPath.h"

#include <cstring>

namespace {
constexpr char kFlxExtension[] = ".flx";
}

int GenerateFLXFilePath_ByPDFPath(const char* pdfPath, char* flxPath) {
  if (flxPath == nullptr) return 0;
  flxPath[0] = '\0';
  if (pdfPath == nullptr) return 0;
  const size_t length = strnlen(pdfPath, kFlnPathBufferSize);
  if (length == 0 || length == kFlnPathBufferSize) return 0;

  // Without any "." the whole path is the stem; cutting "nothing" would leave
  // ".flx" alone, a name relative to whatever folder the process runs in.
  const char* dot = std::strrchr(pdfPath, '.');
  const size_t stem = dot != nullptr ? static_cast<size_t>(dot - pdfPath) : length;
  if (stem + sizeof kFlxExtension > kFlnPathBufferSize) return 0;
  std::memcpy(flxPath, pdfPath, stem);
  std::memcpy(flxPath + stem, kFlxExtension, sizeof kFlxExtension);
  return 1;
}
