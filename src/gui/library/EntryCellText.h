#pragma once
// What each column of the entry list shows for an entry. Columns are named by
// their identifiers ("title", "cat1", "fileSize", ...); texts come from the
// stored record and are always plain text.

#include <QString>
#include <cstdint>

#include "format/FlnRecords.h"

/// `bytes` as "%.1f MB" when it is at least 1024 × 1024, else as "%.1f KB":
/// 1048576 → "1.0 MB", 1048575 → "1024.0 KB", 0 → "0.0 KB".
QString FileSizeText(int32_t bytes);

/// A 17-digit date string (YYYYMMDDHHMMSSmmm) as "YYYY/MM/DD HH:MM"; the
/// empty text for an empty date. A date too short to hold the minutes is
/// shown as it stands.
QString UpdateDateText(const char* date, size_t fieldSize);

/// One "☆" per point for a rating of 1 to 5; empty for any other value.
QString RatingText(int16_t rate);

/// The text of column `identifier` for `entry` (a stored record, fields
/// little-endian); a null QString for a column that shows nothing.
QString EntryCellText(const FLN_ENTRY& entry, const QString& identifier);
