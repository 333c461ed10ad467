#pragma once
// Narrowing the entry list by the filter box. The list for the category
// choices is made and sorted once (QuerySortedRows);
// each keystroke then only picks, in that order, the entries whose text
// contains every typed word, so that typing never sorts again.

#include <QStringList>
#include <cstdint>
#include <unordered_map>
#include <vector>

#include "format/FlnRecords.h"
#include "storage/TeskAry.h"
#include "search/EntrySearchText.h"

/// Sets `rows` (not `positions` itself) to those of `positions`, in their
/// order, whose record of `entryAry` has a searchable text that contains
/// every one of `words` (all of them when there are no words); no record is
/// copied, none is read. `texts` must be in step with `entryAry`
/// (EntrySearchText::update since the entries last changed). 0; -1 when
/// memory ran out, a position is outside the entries or `texts` is out of
/// step with them: `rows` is left empty then.
int FilterListedEntries(TESK_ARY entryAry, const std::vector<int32_t>& positions, const EntrySearchText& texts,
                        const QStringList& words, std::vector<int32_t>& rows);

/// Whether every entry that contains all of `words` also contains all of
/// `earlierWords`: each earlier word lies inside one of the words. Then the
/// entries that matched the earlier words are the only candidates.
bool NarrowsFurther(const QStringList& words, const QStringList& earlierWords);

/// Sets `rows` (not `positions` itself) to those of `positions` whose record
/// of `entryAry` has an en_id (host order) with hits in `hitsById`: in the
/// order of `positions`, or, when `bestFirst`, by most hits first with ties
/// in the order of `positions`. `rowHits` gets the hits of each row. 0; -1
/// when memory ran out or a position is outside the entries: `rows` and
/// `rowHits` are left empty then.
int PickEntriesWithHits(TESK_ARY entryAry, const std::vector<int32_t>& positions,
                        const std::unordered_map<int32_t, int>& hitsById, bool bestFirst, std::vector<int32_t>& rows,
                        std::vector<int>* rowHits);
