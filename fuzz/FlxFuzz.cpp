// Takes arbitrary bytes as the text of a metadata text file, handed over the
// way the reader gets it (ended by a zero byte, in a buffer exactly that
// long), and fills an entry from it. Any crash or sanitizer report, above all
// a read past the buffer, is a bug in the reader.

#include <cstdint>
#include <cstring>
#include <vector>

#include "transfer/FlxReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<char> text(size + 1);
  std::memcpy(text.data(), data, size);
  text[size] = '\0';
  FLN_ENTRY entry;
  std::memset(&entry, 0, sizeof entry);
  FillEntry_FromFLXText(text.data(), &entry);
  return 0;
}
