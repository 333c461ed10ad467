#include "cli/CliOutput.h"

#include <cstdio>
#include <vector>

#include "format/FieldText.h"

void PrintError(const std::string& message) { std::fprintf(stderr, "folian-cli: %s\n", message.c_str()); }

std::string StoredText(const void* field, size_t fieldBytes) {
  std::vector<char> utf8;
  AppendFieldTextUtf8(field, fieldBytes, utf8);
  return std::string(utf8.data());
}

std::string TabField(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '\\': out += "\\\\"; break;
      case '\t': out += "\\t"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      default: out += c; break;
    }
  }
  return out;
}
