#pragma once
// Conversions between UTF-8 text (what the program passes around), QString,
// and the fixed UTF-16 fields of stored records, which begin with the mark
// U+FEFF, end with a zero unit and are little-endian on disk and in memory.
// `maxBytes` is always the destination's size in bytes. A conversion that does
// not fit returns 0 and leaves the destination unchanged.

#include <QDateTime>
#include <QString>
#include <cstddef>
#include <cstdint>

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
/// Writes the 17-digit date string of `date` in local time (milliseconds
/// truncated) and a zero byte; nothing when `size` is below 18, or when the
/// date is invalid or its year has not four digits, as it would not fit.
void FLN_COMM_NSDateToString(const QDateTime& date, char* dest, size_t size);
