#pragma once
// The searchable text of every entry, folded once: typing in the filter box
// then costs one scan of ready text per keystroke instead of converting
// and folding eight fields of every entry again.
//
// An entry's searchable text is its title, file name, the five people fields
// (author, editor, supervisor, publisher, translator) and its note, each
// folded with FoldForSearch and joined by a line break, so that a word never
// matches across two fields. Category names, dates and paths are not part
// of it.
//
// The texts lie one after another in one buffer, so that a scan reads
// memory front to back. Which texts still hold is told by the entry array's
// stamps (TeskAryChanges.h), never by reading the records: an array that did
// not change costs one comparison, and after a change only records with a
// new record stamp are folded again, wherever inserts and removals moved the
// others.

#include <QString>
#include <QStringList>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "format/FlnRecords.h"
#include "storage/TeskAry.h"
#include "search/SearchWords.h"

class EntrySearchText {
 public:
  /// Brings the texts in step with `entryAry` (FLN_ENTRY records): the text
  /// of position i is that of record i afterwards. 0, or -1 when memory ran
  /// out or `entryAry` holds no FLN_ENTRY records (every text is forgotten
  /// then).
  int update(TESK_ARY entryAry);

  /// Does part of update's work ahead of time, so that the first keystroke
  /// in a large library does not fold every entry: folds up to `budget` of
  /// the records that update would fold. True once none is left, or when
  /// nothing can be done (memory ran out, no FLN_ENTRY records: update then
  /// does the work and reports it); false while records remain. update
  /// stays correct whatever was done ahead.
  bool foldAhead(TESK_ARY entryAry, int32_t budget);

  /// Whether the texts are those of `entryAry` as it is now (update has run
  /// since its last change): a constant-time check.
  bool inStepWith(TESK_ARY entryAry) const;

  /// Number of positions known (the entry count at the last update).
  int32_t size() const { return static_cast<int32_t>(_spans.size()); }
  /// The folded searchable text of the record at `position` (empty while
  /// it waits to be folded).
  QString textAt(int32_t position) const;
  /// Whether the record at `position` contains every word (SearchWords):
  /// as ContainsEveryWord(textAt(position), words) answers.
  bool matches(int32_t position, const QStringList& words) const;

  /// Sets `rows` to those of `positions` (each within size()), in their
  /// order, whose text contains every one of `words`. Many positions are
  /// looked at in the order of the buffer, which reads it front to back.
  /// Throws std::bad_alloc without memory.
  void pickMatching(const std::vector<int32_t>& positions, const QStringList& words,
                    std::vector<int32_t>& rows) const;

 private:
  struct Span {
    size_t start = 0;     // in _units
    uint32_t length = 0;  // units
  };
  struct Pending {
    int32_t position;
    uint64_t stamp;  // the record stamp it is folded for
  };
  // Takes the array's changes since the last call into account: positions
  // whose record kept its record stamp keep (or take along) their text, the
  // others are queued in _pending. False when nothing could be done.
  bool followChanges(TESK_ARY entryAry);
  // Folds up to `budget` queued records. Throws std::bad_alloc.
  void foldPending(TESK_ARY entryAry, size_t budget);
  // Puts the live texts back to back, in position order, when the dead
  // ones (of changed records) take more room than they.
  void compactIfWasteful();
  void forgetAll();

  std::vector<char16_t> _units;   // every text, one after another
  size_t _deadUnits = 0;          // of texts no position uses any more
  std::vector<Span> _spans;       // per position
  std::vector<uint64_t> _stamps;  // per position: the record stamp folded, 0 while pending
  std::vector<Pending> _pending;  // positions to fold, ascending
  size_t _pendingFrom = 0;        // the first of _pending not folded yet
  uint64_t _arrayStamp = 0;       // the change stamp at the last followChanges
};

/// The folded searchable text of one entry (as EntrySearchText keeps it).
QString EntrySearchTextOf(const FLN_ENTRY& entry);
