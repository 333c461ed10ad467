#pragma once
// Identifier counters: one FLN_ID_COUNTER record per (tag, key) pair in the
// library's 'IDCO' array. Identifiers of each pair count 0, 1, 2, ... and are
// never handed out twice; the counter array must be saved (SaveAll) for a
// handed-out identifier to stay used.

#include <cstdint>

#include "library/FlnRecords.h"

/// Keys are stored in a 64-byte field: at most this many bytes and a zero.
/// A longer key is cut to this length, for storing and for looking up alike.
constexpr size_t kIdCounterKeyMax = sizeof(FLN_ID_COUNTER::key) - 1;

/// Hands out the next identifier of the counter (`tag`, `key`) in host order
/// and advances the counter (its updateDate becomes now). A pair without a
/// counter gets one, with ic_id from ('IDCO', "ic_id") and nextId 1, and
/// answers 0; except for tag 'IDCO', which answers 0 and creates nothing.
/// Returns -1 and changes nothing when `idCounter` is null or does not hold
/// FLN_ID_COUNTER records, the key is null, the counter is used up (nextId
/// negative or at the largest 32-bit value) or a new counter cannot be appended.
int32_t GetIdFromIdCounter(TESK_ARY idCounter, int32_t tag, const char* key);
