#pragma once
// The stored form of a date: 17 digits of local time (year to
// milliseconds) and a zero byte, as the records' date fields hold it.
// Stored text fields have their helpers in format/FieldText.h.

#include <QDateTime>
#include <cstddef>

/// Writes the 17-digit date string of `date` in local time (milliseconds
/// truncated) and a zero byte; nothing when `size` is below 18, or when the
/// date is invalid or its year has not four digits, as it would not fit.
void FLN_COMM_NSDateToString(const QDateTime& date, char* dest, size_t size);
