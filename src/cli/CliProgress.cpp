#include "cli/CliProgress.h"

#include <sys/ioctl.h>
#include <unistd.h>

namespace {

constexpr int kBarWidth = 20;
constexpr int kDefaultColumns = 80;

int TerminalColumns(std::FILE* stream) {
  winsize size{};
  if (ioctl(fileno(stream), TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
  return kDefaultColumns;
}

// The leading part of `text` that fits `columns` terminal columns, cut at a
// character boundary. Characters beyond ASCII are counted as two columns,
// which is what CJK names take and too much only for a few others.
std::string FitColumns(const std::string& text, int columns) {
  size_t end = 0;
  int used = 0;
  while (end < text.size()) {
    const unsigned char lead = static_cast<unsigned char>(text[end]);
    size_t length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
    if (end + length > text.size()) length = text.size() - end;
    const int width = lead < 0x80 ? 1 : 2;
    if (used + width > columns) break;
    used += width;
    end += length;
  }
  return text.substr(0, end);
}

std::string BaseName(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

TerminalProgress::TerminalProgress(std::FILE* stream)
    : stream_(stream), enabled_(stream != nullptr && isatty(fileno(stream)) == 1) {}

void TerminalProgress::show(int32_t done, int32_t total, const std::string& path) {
  if (enabled_) draw(done, total, BaseName(path));
}

void TerminalProgress::finish(int32_t done, int32_t total) {
  if (!enabled_ || !drawn_) return;
  draw(done, total, std::string());
  std::fputc('\n', stream_);
  std::fflush(stream_);
}

void TerminalProgress::draw(int32_t done, int32_t total, const std::string& name) {
  const int filled = total > 0 ? static_cast<int>(static_cast<int64_t>(done) * kBarWidth / total) : kBarWidth;
  std::string line = "\r[";
  line.append(static_cast<size_t>(filled), '#');
  line.append(static_cast<size_t>(kBarWidth - filled), ' ');
  const int digits = static_cast<int>(std::to_string(total).size());
  char count[32];
  std::snprintf(count, sizeof count, "] %*d/%d  ", digits, static_cast<int>(done), static_cast<int>(total));
  line += count;
  // The whole line stays within the terminal's width, so that it never wraps
  // and "\r" always returns to its start.
  const int room = TerminalColumns(stream_) - static_cast<int>(line.size() - 1) - 1;
  if (room > 0) line += FitColumns(name, room);
  line += "\033[K";  // clears what a longer earlier line left behind
  std::fputs(line.c_str(), stream_);
  std::fflush(stream_);
  drawn_ = true;
}
