#pragma once
// Shortening texts to the fixed room they are stored in, always at a
// character boundary: a byte budget never ends inside a UTF-8 sequence, a
// stored text field never ends between the two halves of a surrogate pair.

#include <QString>
#include <cstddef>
#include <string>

/// `text` (UTF-8) cut to at most `maxBytes` bytes, before the first byte of
/// the UTF-8 sequence that would not fit whole.
std::string CutUtf8_ToBytes(const std::string& text, size_t maxBytes);

/// `text` cut to at most `maxUnits` UTF-16 units, dropping a high surrogate
/// whose low half would not fit.
QString CutText_ToUnits(const QString& text, size_t maxUnits);

/// How many units of text a stored [nS] field of `fieldBytes` bytes holds:
/// one unit per two bytes, less the leading mark and the zero unit.
constexpr size_t TextUnitsOfField(size_t fieldBytes) { return fieldBytes / 2 - 2; }

/// Stores `text` into the little-endian text field of `fieldBytes` bytes,
/// cut with CutText_ToUnits so that it always fits.
void StoreFittedText(const QString& text, void* field, size_t fieldBytes);
