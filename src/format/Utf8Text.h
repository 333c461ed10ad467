#pragma once
// UTF-8 text as it arrives from outside (command lines, metadata text files,
// file names): whether it is UTF-8 at all, how long it is once stored in a
// UTF-16 field, and cutting it to a byte budget without splitting a character.

#include <cstddef>
#include <string>
#include <string_view>

/// True when `text` is well-formed UTF-8: no stray or missing continuation
/// bytes, no overlong forms, no surrogate halves, nothing above U+10FFFF.
/// Text that is not would change (into U+FFFD) on its way into a stored field.
bool IsUtf8Text(std::string_view text);

/// The number of UTF-16 units that the well-formed UTF-8 `text` takes: one per
/// character, two for a character beyond U+FFFF.
size_t Utf16UnitsOfUtf8(std::string_view text);

/// `text` (UTF-8) cut to at most `maxBytes` bytes, before the first byte of
/// the UTF-8 sequence that would not fit whole.
std::string CutUtf8_ToBytes(const std::string& text, size_t maxBytes);
