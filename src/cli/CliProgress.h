#pragma once
// The progress line of an import on a terminal, redrawn in place:
//   [##########          ]  12/345  paper.pdf
// On anything that is not a terminal (a pipe, a file) nothing is drawn, so
// that scripts read only the tool's real output.

#include <cstdint>
#include <cstdio>
#include <string>

class TerminalProgress {
 public:
  /// Draws on `stream` only when it is a terminal.
  explicit TerminalProgress(std::FILE* stream);

  /// Shows that `done` of `total` files are handled and `path` is next.
  void show(int32_t done, int32_t total, const std::string& path);
  /// Draws the final count and ends the line; nothing when nothing was drawn.
  void finish(int32_t done, int32_t total);

 private:
  void draw(int32_t done, int32_t total, const std::string& name);

  std::FILE* stream_;
  bool enabled_;
  bool drawn_ = false;
};
