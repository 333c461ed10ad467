#pragma once
// Getting back what a damaged library file still holds.
//
// The container's items lie one after another from offset 548 on, each
// record naming its own position, so they can be found without the chains:
// walking by position, and where a record is unreadable, searching forward
// for the next offset whose record names itself. Each tag's members are then
// taken along their chain where its links hold, and in file order where a
// link is broken (a library only ever appends members and removes them from
// the front, so file order past the tag head is chain order). A member lost
// in a damaged stretch still counts for the positions of the members after
// it, so that an attachment's dataIndex keeps naming its own PDF.

#include <cstdint>
#include <string>
#include <vector>

#include "library/FlnResult.h"

struct RecoveryReport {
  int32_t entries = 0;      // entries written, each with its PDF
  int32_t categories = 0;   // category triples written
  int32_t damagedSpans = 0; // stretches of the file where no item could be read
  std::vector<std::string> lost;  // one line per entry, PDF or record that could not be recovered
};

/// Reads the library file at `damagedPath` (never writing it) and writes a
/// new library at `newPath` with every entry whose record and PDF can be
/// read (a PDF with a digest must match it), the category triples (plus any
/// an entry needs), the labels, the environment values and the identifier
/// counters (raised past every identifier in use). Refused when a file is at
/// `newPath` already, when the damaged file does not begin like a ZEL container of version 2,
/// or when
/// the new file cannot be written. `report` says what was recovered and lost.
FlnResult RecoverLibrary(const char* damagedPath, const char* newPath, RecoveryReport* report);
