#pragma once
// Shortening texts to the fixed room they are stored in, always at a
// character boundary: a byte budget never ends inside a UTF-8 sequence, a
// stored text field never ends between the two halves of a surrogate pair.

#include <QString>
#include <cstddef>
#include <string>

#include "storage/Utf8Text.h"  // CutUtf8_ToBytes, for UTF-8 byte budgets

/// `text` cut to at most `maxUnits` UTF-16 units, dropping a high surrogate
/// whose low half would not fit.
QString CutText_ToUnits(const QString& text, size_t maxUnits);

/// How many units of text a stored [nS] field of `fieldBytes` bytes holds:
/// one unit per two bytes, less the leading mark and the zero unit.
constexpr size_t TextUnitsOfField(size_t fieldBytes) { return fieldBytes / 2 - 2; }

/// Stores `text` into the little-endian text field of `fieldBytes` bytes,
/// cut with CutText_ToUnits so that it always fits.
void StoreFittedText(const QString& text, void* field, size_t fieldBytes);

/// Stores `text` whole into the little-endian text field of `fieldBytes`
/// bytes, or nothing: with the leading mark where it fits so, else without
/// the mark when the text fills the field's units before its zero unit (and
/// does not itself begin with U+FEFF, which would read as the mark). True
/// when it was stored.
bool StoreWholeText(const QString& text, void* field, size_t fieldBytes);
