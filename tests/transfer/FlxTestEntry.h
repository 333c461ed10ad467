#pragma once
// Helpers for the metadata text file tests: a complete file written by hand
// in key order, the entry it stands for, and an entry seen as key → value
// texts, so that expectations read like the file.

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "RecordFields.h"
#include "format/FlnRecords.h"

namespace flxtest {

using Lines = std::vector<std::pair<std::string, std::string>>;  // key, value
using Fields = std::map<std::string, std::string>;               // key → value as text

/// A complete file's 38 lines: every key in file order with a typical value
/// (Japanese text, negative numbers, rectangles; no value holds a line feed).
const Lines& baseLines();
/// The file text of `lines`: an empty first line, then "key value" lines.
std::string flxText(const Lines& lines);
/// `lines` with the value of `key` replaced, or without the line of `key`.
Lines withValue(Lines lines, const std::string& key, const std::string& value);
Lines without(Lines lines, const std::string& key);

/// Every field of `entry` under its key, as the file would write it: text as
/// UTF-8, dates up to their zero byte, numbers in decimal, rectangles as
/// "top,left,bottom,right". "[en_id]" is included; "[fln_version]" is not.
Fields describe(const FLN_ENTRY& entry);
/// What describe gives for the entry that `lines` stands for, with "[en_id]"
/// 0 as the reader never fills it.
Fields fieldsOf(const Lines& lines);
/// describe of an all-zero entry.
Fields emptyFields();

/// The entry baseLines stands for, "[en_id]" included.
FLN_ENTRY baseEntry();

}  // namespace flxtest
