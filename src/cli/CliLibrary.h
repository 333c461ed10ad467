#pragma once
// A library opened by one folian-cli command: locked and loaded from its
// file, released when the command ends, and its entries found by en_id.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "cli/CliArgs.h"
#include "cli/CliLibraryLock.h"
#include "library/FlnData.h"
#include "library/FlnResult.h"

class CliLibrary {
 public:
  CliLibrary() = default;
  ~CliLibrary();
  CliLibrary(const CliLibrary&) = delete;
  CliLibrary& operator=(const CliLibrary&) = delete;

  /// Takes the lock of the library file at `path` in `mode` (CliLibraryLock)
  /// and loads the file; both are held until this object ends, the lock the
  /// longer. When the lock is not had, or the file cannot be loaded, writes
  /// why to stderr ("folian-cli: <path>: <reason>") and returns false.
  bool open(const std::string& path, LibraryLockMode mode);

  FLN_DATA* data() { return &data_; }

  /// Lists every entry (shownRows) in stored order (the list a window
  /// shows for "＜すべて＞" on every level, before sorting) and sets `rows` to
  /// the row of each of `ids`, in the order of `ids`. An id that no entry
  /// has is written to stderr ("no entry with id N"); the result is then
  /// false and `rows` must not be used. False with a message also when
  /// memory ran out.
  bool rowsOfIds(const std::vector<int32_t>& ids, std::vector<int>* rows);

 private:
  // Declared first so that it is released after the data.
  CliLibraryLock lock_;
  FLN_DATA data_;
  bool loaded_ = false;
};

/// The start of a command that changes the entries whose en_ids are the
/// operands of `invocation` from `firstId` on: the ids are read, then the
/// library (operand 0) is opened held alone (CliLibrary::open) and `rows`
/// set to the rows of the ids (CliLibrary::rowsOfIds). Returns kCliExitOk,
/// or the exit code after saying why on stderr: kCliExitUsage for an
/// operand that is no id (nothing is locked then), kCliExitFailure for a
/// library not opened or an id that no entry has.
int OpenChosenEntries(const CliInvocation& invocation, size_t firstId, CliLibrary* opened, std::vector<int>* rows);

/// Says on stderr why a change did not reach the library file at `library`,
/// whose save (or the opening of it for writing) ended as `save`: a file
/// that another program replaced or changed meanwhile (never written into)
/// is told apart from one that could not be saved, whose reason (the
/// system's text, a full disk) is named. Returns the exit code for that,
/// kCliExitFailure.
int ReportNotSaved(const std::string& library, const FLN_DATA* data, const FlnResult& save);
