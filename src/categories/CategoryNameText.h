#pragma once
// Category names as the program handles them: zero-terminated UTF-8 of at most
// 127 bytes, so that every name fits one 128-byte name record. A longer name is
// cut at the last character boundary within 127 bytes (never inside a UTF-8
// sequence); stored names and names passed in are cut the same way, so that a
// long name still equals itself after a round trip through a name record.

#include "library/FlnRecords.h"

/// Copies `name` (null counts as empty) into `dest` (kCategoryNameSize bytes),
/// cut as described above, and zero-terminates it.
void CopyCategoryName(char* dest, const char* name);

/// Converts a stored [128S] name field (256 bytes, little-endian) into `dest`
/// (kCategoryNameSize bytes), cut as described above. A field that cannot be
/// converted reads as empty.
void ReadCategoryNameField(const void* field, char* dest);

/// The record's name on `level` into `dest` (kCategoryNameSize bytes) and true;
/// for a level other than 1, 2 or 3, the empty name and false.
bool ReadCategoryNameOf(const FLN_CATS& cats, int level, char* dest);
bool ReadCategoryNameOf(const FLN_ENTRY& entry, int level, char* dest);

