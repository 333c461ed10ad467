#pragma once
// A library opened by one folian-cli command: loaded from its file, released
// when the command ends, and its entries found by en_id.

#include <cstdint>
#include <string>
#include <vector>

#include "format/FlnRecords.h"

class CliLibrary {
 public:
  CliLibrary() = default;
  ~CliLibrary();
  CliLibrary(const CliLibrary&) = delete;
  CliLibrary& operator=(const CliLibrary&) = delete;

  /// Loads the library file at `path`. When it cannot be loaded, writes
  /// "folian-cli: <path>: <reason>" to stderr and returns false.
  bool load(const std::string& path);

  FLN_DATA* data() { return &data_; }

  /// Fills showEntryAry with every entry in stored order (the list a window
  /// shows for "＜すべて＞" on every level, before sorting) and sets `rows` to
  /// the row of each of `ids`, in the order of `ids`. An id that no entry
  /// has is written to stderr ("no entry with id N"); the result is then
  /// false and `rows` must not be used. False with a message also when
  /// memory ran out.
  bool rowsOfIds(const std::vector<int32_t>& ids, std::vector<int>* rows);

 private:
  FLN_DATA data_;
  bool loaded_ = false;
};

/// Says on stderr why a change did not reach the library file at `library`:
/// a file that another program replaced or changed meanwhile (never written
/// into) is told apart from one that could not be saved. Returns the exit
/// code for that, kCliExitFailure.
int ReportNotSaved(const std::string& library, const FLN_DATA* data);
