#pragma once
// The texts of the entry information window that are made from stored
// values: dates with seconds and the window title.

#include <QString>
#include <cstddef>

/// A 17-digit date string (YYYYMMDDHHMMSSmmm, at most `fieldSize` bytes read)
/// as "YYYY/MM/DD HH:MM:SS"; the milliseconds are not shown. An empty date
/// gives the empty text; a date too short to hold the seconds is shown as it
/// stands.
QString getViewStringFromDataChars(const char* date, size_t fieldSize);

/// The window title "「title」の情報", cut to at most 255 bytes of UTF-8 at a
/// character boundary, so a long title never ends in half a character.
QString EntryDlgTitle(const QString& title);
