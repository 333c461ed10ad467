#pragma once
// How folian-cli writes: messages to stderr under the tool's name, and
// stored texts as single tab-separated fields on stdout.

#include <cstddef>
#include <string>

#include "format/FlnRecords.h"

/// Exit codes of the tool.
constexpr int kCliExitOk = 0;
constexpr int kCliExitFailure = 1;      // a library, file or entry problem
constexpr int kCliExitUsage = 2;        // the command line itself is wrong
constexpr int kCliExitInterrupted = 130;  // stopped by Ctrl-C (128 + SIGINT)

/// Writes "folian-cli: <message>" and a line feed to stderr.
void PrintError(const std::string& message);

/// The UTF-8 text of a stored text field of `fieldBytes` bytes (empty when
/// it holds nothing readable).
std::string StoredText(const void* field, size_t fieldBytes);
template <size_t N>
std::string StoredText(const FlnUniChar (&field)[N]) {
  return StoredText(field, sizeof field);
}

/// A stored date field as its 17 digits (up to its zero byte, never past the
/// field); empty for an empty date.
template <size_t N>
std::string StoredDate(const char (&field)[N]) {
  size_t length = 0;
  while (length < N && field[length] != '\0') ++length;
  return std::string(field, length);
}

/// `text` made safe as one field of a tab-separated line: a backslash,
/// tab, line feed and carriage return become "\\", "\t", "\n" and "\r".
std::string TabField(const std::string& text);
