#pragma once
// Identifier counters: one FLN_ID_COUNTER record per (tag, key) pair in the
// library's 'IDCO' array. Identifiers of each pair count 0, 1, 2, ... and are
// never handed out twice; the counter array must be saved (SaveAll) for a
// handed-out identifier to stay used. A library whose counters are missing
// or behind the identifiers its records hold has them raised when it is
// loaded (RaiseIdCounter), so that no identifier is handed out again.

#include <cstddef>
#include <cstdint>

#include "format/FlnRecords.h"
#include "storage/TeskAry.h"

/// Keys are stored in a 64-byte field: at most this many bytes and a zero.
/// A longer key is cut to this length, for storing and for looking up alike.
constexpr size_t kIdCounterKeyMax = sizeof(FLN_ID_COUNTER::key) - 1;

/// Hands out the next identifier of the counter (`tag`, `key`) in host order
/// and advances the counter (its updateDate becomes now). A pair without a
/// counter gets one, with ic_id from ('IDCO', "ic_id") and nextId 1, and
/// answers 0. A missing counter of tag 'IDCO' itself takes for its own ic_id
/// the first one above every ic_id stored, and answers the one after it.
/// Returns -1 and changes nothing when `idCounter` is null or does not hold
/// FLN_ID_COUNTER records, the key is null, the counter is used up (nextId
/// negative or at the largest 32-bit value) or a new counter cannot be appended.
int32_t GetIdFromIdCounter(TESK_ARY idCounter, int32_t tag, const char* key);

/// The highest identifier that the records of `records` hold at `idOffset`
/// (a little-endian 32-bit field); -1 for an empty or missing array.
int32_t HighestStoredId(TESK_ARY records, size_t idOffset);

/// Makes sure that the counter (`tag`, `key`) hands out only identifiers
/// above `highestStored`, the highest one its tag holds: a counter that is
/// behind (or damaged, nextId negative) is moved on to the one after it, a
/// missing one is made so (ic_id as GetIdFromIdCounter gives it). When
/// `highestStored` is the largest 32-bit value the counter is left used up.
/// Nothing changes for a negative `highestStored` or a counter already
/// ahead. 0, or -1 when `idCounter` does not hold counters, the key is null
/// or a counter cannot be made.
int RaiseIdCounter(TESK_ARY idCounter, int32_t tag, const char* key, int32_t highestStored);
