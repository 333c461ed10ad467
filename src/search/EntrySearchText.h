#pragma once
// The searchable text of every entry, folded once: typing in the filter box
// then costs one scan of ready strings per keystroke instead of converting
// and folding eight fields of every entry again.
//
// An entry's searchable text is its title, file name, the five people fields
// (author, editor, supervisor, publisher, translator) and its note, each
// folded with FoldForSearch and joined by a line break, so that a word never
// matches across two fields. Category names, dates and paths are not part
// of it.

#include <QString>
#include <QStringList>
#include <cstdint>
#include <vector>

#include "format/FlnRecords.h"
#include "storage/TeskAry.h"
#include "search/SearchWords.h"

class EntrySearchText {
 public:
  /// Brings the texts in step with `entryAry` (FLN_ENTRY records): the text
  /// of position i is that of record i afterwards. Only records whose id or
  /// searchable fields changed since the last call are folded again. 0, or
  /// -1 when memory ran out or `entryAry` holds no FLN_ENTRY records (every
  /// text is forgotten then).
  int update(TESK_ARY entryAry);

  /// Does part of update's work ahead of time, so that the first keystroke
  /// in a large library does not fold every entry: brings up to `budget`
  /// positions, from where the previous call stopped, in step with
  /// `entryAry` as update does. True once the last position has been
  /// reached, or when nothing can be done (memory ran out, no FLN_ENTRY
  /// records: update then does the work and reports it); false while
  /// positions remain. update stays correct whatever was done ahead.
  bool foldAhead(TESK_ARY entryAry, int32_t budget);

  /// Number of positions known (the entry count at the last update).
  int32_t size() const { return static_cast<int32_t>(_items.size()); }
  /// Host-order en_id of the record at `position` at the last update.
  int32_t idAt(int32_t position) const { return _items[position].id; }
  /// The folded searchable text of the record at `position`.
  const QString& textAt(int32_t position) const { return _items[position].text; }
  /// Whether the record at `position` contains every word (SearchWords).
  bool matches(int32_t position, const QStringList& words) const {
    return ContainsEveryWord(_items[position].text, words);
  }

 private:
  struct Item {
    int32_t id = 0;
    uint64_t fieldsHash = 0;  // of the searchable fields' stored bytes
    QString text;
  };
  // Folds `entry` into `item` unless the item already holds its text.
  static void bringInStep(const FLN_ENTRY& entry, Item& item);

  std::vector<Item> _items;
  int32_t _aheadFrom = 0;  // where the next foldAhead starts
};

/// The folded searchable text of one entry (as EntrySearchText keeps it).
QString EntrySearchTextOf(const FLN_ENTRY& entry);
