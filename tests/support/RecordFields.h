#pragma once
// Readers and writers for the fields of stored records: little-endian UTF-16
// text, zero-terminated date and key fields, and little-endian numbers.

#include <cstddef>
#include <cstdint>
#include <string>

namespace testsupport {

/// UTF-8 text of a little-endian text field of `fieldBytes` bytes.
std::string Text(const void* field, size_t fieldBytes);
/// A zero-terminated date or key field of `size` bytes, up to its zero byte.
std::string Chars(const char* field, size_t size);
/// Stores UTF-8 `text` into a little-endian text field of `fieldBytes` bytes,
/// zeroing the rest of the field; a test failure when it does not fit.
void SetText(void* field, size_t fieldBytes, const std::string& text);
/// A stored (little-endian) 32-bit number in host order.
int32_t Host(int32_t littleEndian);

}  // namespace testsupport

#define FIELD_TEXT(record, field) testsupport::Text((record).field, sizeof((record).field))
#define FIELD_CHARS(record, field) testsupport::Chars((record).field, sizeof((record).field))
#define SET_FIELD_TEXT(record, field, text) testsupport::SetText((record).field, sizeof((record).field), (text))
