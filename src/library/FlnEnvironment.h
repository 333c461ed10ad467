#pragma once
// Environment values: text values under text keys, kept per library in
// envAry (FLN_ENV records, tag 'ENVI') and saved with it. The main window
// keeps its frame, divider, scroll positions and category choices there.

#include <cstdint>

#include "library/FlnData.h"

/// Size of the buffer GetEnvironmentValue writes into: room for the UTF-8
/// form of any value field (128 units of at most three bytes) and its zero
/// byte, so that every value that was saved (a long category name chosen in
/// a list among them) reads back.
constexpr int32_t kEnvValueBufferSize = sizeof(FLN_ENV::value) / sizeof(FlnUniChar) * 3 + 1;

/// Sets `key` to `value` (UTF-8) in flnData->envAry: the first record with
/// that key gets the value and updateDate now (its ev_id and createDate
/// stay); without one, a record is appended with ev_id from the counter
/// ('ENVI', "ev_id") and both dates now. Memory only: the caller saves with
/// SaveAll. Returns 0; -1 with nothing changed when an argument or an array is
/// missing, the key does not fit its field (62 UTF-16 units) or the value does
/// not fit its field (126 units), no identifier can be had or memory runs out.
int SaveEnvironment(FLN_DATA* flnData, const char* key, const char* value);

/// Copies the value of `key` into `out` (kEnvValueBufferSize bytes) as UTF-8
/// and returns 1. Returns 0 and leaves `out` unchanged when the key is not
/// present.
int GetEnvironmentValue(TESK_ARY envAry, const char* key, char* out);
