#pragma once
// The one home of the helpers for stored text fields. A text field ([nS] in
// the record layouts) holds UTF-16 code units, begins with the mark U+FEFF
// and ends with a zero unit; it is little-endian on disk and in memory.
// Conversions take UTF-8 (what the program passes around) or QString, and
// `maxBytes` is always the destination's size in bytes: a conversion that does
// not fit returns 0 and leaves the destination unchanged. Fitting a text to a
// field cuts it at a character boundary instead. Category names, which are
// handled as whole UTF-8 records, have their own helpers (CategoryNameText.h).

#include <QString>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "format/FlnRecords.h"

// --- Converting a field to and from UTF-8 and QString ---

/// UTF-8 → host-order UTF-16 with leading mark and zero unit. 1, or 0 if it needs more than maxBytes.
int FLN_COMM_ConvertCharToUniChar(const char* text, char16_t* dest, size_t maxBytes);
/// UTF-8 → little-endian field with mark and zero unit. 1 or 0.
int FLN_COMM_ConvertCharToUniChar_NtoL(const char* text, void* destField, size_t maxBytes);
/// QString → host-order UTF-16 with mark. 1 or 0.
int FLN_COMM_CopyUniStr_FromNSString(const QString& text, char16_t* dest, size_t maxBytes);
/// QString → little-endian field with mark. 1 or 0.
int FLN_COMM_CopyUniStr_FromNSString_NtoL(const QString& text, void* destField, size_t maxBytes);
/// Host-order UTF-16 (with or without mark) → UTF-8 with zero byte. 1, or 0 if it needs more than maxBytes.
int FLN_COMM_ConvertUniCharToChar(const char16_t* text, char* dest, size_t maxBytes);
/// Little-endian field of `fieldBytes` bytes → UTF-8. Never reads past the field,
/// also when it holds no zero unit. 1 or 0.
int FLN_COMM_ConvertUniCharToChar_LtoN(const void* field, size_t fieldBytes, char* dest, size_t maxBytes);
/// Host-order UTF-16 up to its zero unit (mark dropped) as a QString.
QString FLN_COMM_CreateNSString_FromUniChar(const char16_t* text);
/// Little-endian field as a QString; size 0 gives the empty string without reading.
QString FLN_COMM_CreateNSString_FromUniChar_LtoN(const void* field, size_t fieldBytes);
/// Copies host-order UTF-16 up to and including its zero unit into a little-endian destination.
void FLN_COMM_NtoL_UniChar(const char16_t* text, void* dest);
/// Copies little-endian UTF-16 up to and including its zero unit into host order.
void FLN_COMM_LtoN_UniChar(const void* text, char16_t* dest);

/// Appends to `out` the UTF-8 form of the little-endian text field of
/// `fieldBytes` bytes (up to its zero unit, a leading U+FEFF dropped) and a
/// zero byte: exactly what FLN_COMM_ConvertUniCharToChar_LtoN gives for it,
/// without building a string object for every field (sorting a whole entry
/// list reads tens of thousands). May throw std::bad_alloc from `out`.
void AppendFieldTextUtf8(const void* field, size_t fieldBytes, std::vector<char>& out);

/// Appends to `out` the units of the little-endian text field of
/// `fieldBytes` bytes in host order: exactly the units of
/// FLN_COMM_CreateNSString_FromUniChar_LtoN's string for it (up to the zero
/// unit, never the field's last unit, a leading U+FEFF dropped), without
/// building a string object: the filter box gathers eight fields of every
/// entry. May throw std::bad_alloc from `out`.
void AppendFieldTextUtf16(const void* field, size_t fieldBytes, std::vector<char16_t>& out);

/// The text of a record's stored field, as FLN_COMM_CreateNSString_FromUniChar_LtoN reads it.
template <size_t N>
QString FieldText(const FlnUniChar (&field)[N]) {
  return FLN_COMM_CreateNSString_FromUniChar_LtoN(field, sizeof field);
}

/// The name of a level label; the empty string for a level without a label (null).
inline QString FlnLabelText(const FLN_LABEL* label) { return label != nullptr ? FieldText(label->name) : QString(); }

// --- Fitting a text to the room a field has ---

/// How many units of text a stored [nS] field of `fieldBytes` bytes holds:
/// one unit per two bytes, less the leading mark and the zero unit.
constexpr size_t TextUnitsOfField(size_t fieldBytes) { return fieldBytes / 2 - 2; }

/// `text` cut to at most `maxUnits` UTF-16 units, dropping a high surrogate
/// whose low half would not fit.
QString CutText_ToUnits(const QString& text, size_t maxUnits);

/// Stores `text` into the little-endian text field of `fieldBytes` bytes,
/// cut with CutText_ToUnits so that it always fits.
void StoreFittedText(const QString& text, void* field, size_t fieldBytes);

/// Stores `text` whole into the little-endian text field of `fieldBytes`
/// bytes, or nothing: with the leading mark where it fits so, else without
/// the mark when the text fills the field's units before its zero unit (and
/// does not itself begin with U+FEFF, which would read as the mark). True
/// when it was stored.
bool StoreWholeText(const QString& text, void* field, size_t fieldBytes);
