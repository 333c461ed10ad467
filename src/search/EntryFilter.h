#pragma once
// Narrowing the entry list by the filter box. The list for the category
// choices is made and sorted once (QuerySortedRows, QuerySortedEntries);
// each keystroke then only picks, in that order, the entries whose text
// contains every typed word, so that typing never sorts again.

#include <QStringList>
#include <cstdint>
#include <unordered_map>
#include <vector>

#include "format/FlnRecords.h"
#include "search/EntrySearchText.h"

/// Fills `positions` with the position in `entryAry` of each record listed
/// in `listedAry` (both FLN_ENTRY), matched by en_id, in list order. 0; -1
/// when a listed id is not among the entries or memory ran out (`positions`
/// is empty then).
int ListedEntryPositions(TESK_ARY entryAry, TESK_ARY listedAry, std::vector<int32_t>* positions);

/// Empties `outAry`, then copies into it, in the order of `positions`, every
/// record of `entryAry` at those positions whose searchable text contains
/// every one of `words` (all of them when there are no words). `texts` must
/// be in step with `entryAry` (EntrySearchText::update). 0; -1 when memory
/// ran out, a position is outside the entries or `texts` is out of step with
/// them (a record's id differs): `outAry` is left empty then. When
/// `matched` (not `positions` itself) is given it gets the positions of the
/// records copied, in order (empty on failure).
int FilterListedEntries(TESK_ARY entryAry, const std::vector<int32_t>& positions, const EntrySearchText& texts,
                        const QStringList& words, TESK_ARY outAry, std::vector<int32_t>* matched = nullptr);

/// Whether every entry that contains all of `words` also contains all of
/// `earlierWords`: each earlier word lies inside one of the words. Then the
/// entries that matched the earlier words are the only candidates.
bool NarrowsFurther(const QStringList& words, const QStringList& earlierWords);

/// Empties `outAry`, then copies into it the records of `entryAry` at
/// `positions` whose en_id (host order) has hits in `hitsById`: in the order
/// of `positions`, or, when `bestFirst`, by most hits first with ties in the
/// order of `positions`. `rowHits` gets the hits of each copied record, row
/// by row. 0; -1 when memory ran out or a position is outside the entries:
/// `outAry` and `rowHits` are left empty then.
int PickEntriesWithHits(TESK_ARY entryAry, const std::vector<int32_t>& positions,
                        const std::unordered_map<int32_t, int>& hitsById, bool bestFirst, TESK_ARY outAry,
                        std::vector<int>* rowHits);
