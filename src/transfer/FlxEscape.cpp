#include "transfer/FlxEscape.h"

namespace {

// The part of `line` behind its leading backslashes.
std::string_view AfterBackslashes(std::string_view line) {
  const size_t first = line.find_first_not_of('\\');
  return first == std::string_view::npos ? std::string_view() : line.substr(first);
}

// Calls `visit(line)` for every line of `value` after its first, without its line feed.
template <typename Visit>
void ForEachLaterLine(std::string_view value, Visit visit) {
  for (size_t feed = value.find('\n'); feed != std::string_view::npos;) {
    const size_t next = value.find('\n', feed + 1);
    visit(value.substr(feed + 1, next == std::string_view::npos ? next : next - feed - 1));
    feed = next;
  }
}

// `value` with every line after its first replaced by what `change(line)` gives.
template <typename Change>
std::string ChangeLaterLines(std::string_view value, Change change) {
  std::string out(value.substr(0, value.find('\n')));
  ForEachLaterLine(value, [&](std::string_view line) {
    out += '\n';
    out += change(line);
  });
  return out;
}

}  // namespace

bool IsFlxKeyLine(std::string_view line) {
  for (const FlxKey& key : kFlxKeys) {
    const std::string_view name(key.key);
    if (line.size() > name.size() && line.compare(0, name.size(), name) == 0 && line[name.size()] == ' ') return true;
  }
  return false;
}

bool FlxValueNeedsEscape(const FlxKey& key, std::string_view value) {
  if (key.kind != FlxValueKind::Text || value.find('\n') == std::string_view::npos) return false;
  if (key.missingNext == FlxMissingNext::Chain) return true;
  bool keyLine = false;
  ForEachLaterLine(value, [&](std::string_view line) { keyLine = keyLine || IsFlxKeyLine(line); });
  return keyLine;
}

std::string FlxEscapeValue(std::string_view value) {
  return ChangeLaterLines(value, [](std::string_view line) {
    return IsFlxKeyLine(AfterBackslashes(line)) ? "\\" + std::string(line) : std::string(line);
  });
}

std::string FlxUnescapeValue(std::string_view value) {
  return ChangeLaterLines(value, [](std::string_view line) {
    const bool escaped = !line.empty() && line[0] == '\\' && IsFlxKeyLine(AfterBackslashes(line));
    return std::string(escaped ? line.substr(1) : line);
  });
}
