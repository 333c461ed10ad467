#include "cli/CliSortOption.h"

#include <vector>

#include "format/EntryFieldKind.h"

namespace {

std::vector<std::string> SplitAtCommas(const std::string& text) {
  std::vector<std::string> parts;
  size_t start = 0;
  for (;;) {
    const size_t comma = text.find(',', start);
    parts.push_back(text.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
    if (comma == std::string::npos) return parts;
    start = comma + 1;
  }
}

}  // namespace

std::string SortableColumnKeys() {
  std::string keys;
  char key[kSortKeyBufferSize];
  for (int32_t kind = kEntryFieldTitle; kind <= kEntryFieldPublisher; ++kind) {
    GetSortKey_FromEntryFieldKind(kind, key);
    if (!keys.empty()) keys += ", ";
    keys += key;
  }
  return keys;
}

bool ParseSortOption(const std::string& text, FLN_ENTRY_LIST_INFO* info, std::string* error) {
  const std::vector<std::string> keys = SplitAtCommas(text);
  if (keys.size() > 3) {
    *error = "--sort takes at most three keys";
    return false;
  }
  FLN_ENTRY_LIST_INFO parsed = {{kEntryFieldNone, kEntryFieldNone, kEntryFieldNone}, {1, 1, 1}};
  for (size_t i = 0; i < keys.size(); ++i) {
    const bool descending = !keys[i].empty() && keys[i][0] == '-';
    const std::string key = descending ? keys[i].substr(1) : keys[i];
    const int32_t kind = key.empty() ? kEntryFieldNone : GetEntryFieldKind_FromSortKey(key.c_str());
    if (kind == kEntryFieldNone) {
      *error = key.empty() ? "--sort has an empty key"
                           : "unknown sort key '" + key + "' (keys: " + SortableColumnKeys() + ")";
      return false;
    }
    parsed.sortFieldKind[i] = kind;
    parsed.sortFieldAscend[i] = descending ? 0 : 1;
  }
  *info = parsed;
  return true;
}
