#pragma once
// Text values that a plain metadata text file cannot carry exactly, and the
// escaping that carries them in a file of version kFlxVersionEscaped.
//
// The reader finds a key where a line begins with "<key> ". Values are not
// quoted, so a note holding the line "[en_my_rate] 5" would be read as the
// start of that key's line; and a line feed in a value of the chain ends its
// value there. When an entry holds such a value, the writer writes the
// version kFlxVersionEscaped and, in every text value, puts one backslash
// before each line (after the value's first) that is a key line after zero
// or more backslashes. The reader of such a file takes one backslash away
// from each line that is a key line after one or more backslashes. No line
// of an escaped file then begins with "<key> " but the keys' own lines.

#include <string>
#include <string_view>

#include "format/FlxKeyTable.h"

/// True when `line` begins with one of the keys of kFlxKeys and a space.
bool IsFlxKeyLine(std::string_view line);

/// True when the text value `value` of `key` would not read back exactly
/// from a file of kFlxVersion (see above).
bool FlxValueNeedsEscape(const FlxKey& key, std::string_view value);

/// `value` with a backslash put before every line after its first that is
/// a key line after zero or more backslashes.
std::string FlxEscapeValue(std::string_view value);

/// The reverse of FlxEscapeValue: one backslash taken from every line after
/// the first that is a key line after one or more backslashes.
std::string FlxUnescapeValue(std::string_view value);
