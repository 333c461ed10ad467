#pragma once
// Comparing entries for the entry list: by one field kind (CompareFlnEntryItem)
// and by the list's up to three sort keys (EntryListSortProc).

#include <cstddef>
#include <cstdint>

#include "format/EntryFieldKind.h"
#include "format/FlnRecords.h"
#include "storage/TeskAry.h"

/// The sort keys EntryListSortProc reads; whoever sorts with it fills this
/// first (the comparison receives only the two records). Not re-entrant.
extern FLN_ENTRY_LIST_INFO gEntryListInfo;

/// Bytes that the UTF-8 form of any sortable text field needs, its zero
/// included: the longest field (the note) holds at most 256 units, none over
/// 3 bytes, so no text is ever cut or lost for want of room.
constexpr size_t kEntryTextUtf8Max = sizeof(FLN_ENTRY::en_note) / 2 * 3 + 1;

/// The text field `field` of `entry` as UTF-8 into `dest` (kEntryTextUtf8Max
/// bytes); the empty string when it cannot be converted.
void ReadEntryFieldText(const FLN_ENTRY& entry, const EntryFieldInfo& field, char* dest);

/// Negative, zero or positive as `a` sorts before, with or after `b` on field
/// `kind`; `ascend` 1 is ascending, any other value descending. Texts compare
/// as the bytes of their UTF-8 forms, dates as their digit strings, numbers as
/// signed values (-1, 0, 1). Kinds outside 2..19 compare as equal.
int CompareFlnEntryItem(int32_t kind, uint8_t ascend, const FLN_ENTRY* a, const FLN_ENTRY* b);

/// How many of the three keys take part: key 1 always, key 2 when its kind is
/// not 0, key 3 when key 2 takes part and its kind is not 0.
int UsedSortKeyCount(const FLN_ENTRY_LIST_INFO& info);

/// Comparison of two FLN_ENTRY records for Tesk_Ary_QuickSort by the keys in
/// gEntryListInfo; when every used key is equal, the greater en_id comes first
/// whatever the directions. Never 0 for two entries with different en_id.
int EntryListSortProc(const void* a, const void* b);
