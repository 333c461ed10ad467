#pragma once
// Category names as the program handles them: zero-terminated UTF-8 that
// fits one name record of kCategoryNameSize bytes. Every name a stored field
// can hold fits whole, so names read from records are never cut and two names
// are equal only when they are equal throughout. A longer text passed in is
// cut at the last character boundary that fits (never inside a UTF-8
// sequence).

#include "format/FlnRecords.h"

/// Copies `name` (null counts as empty) into `dest` (kCategoryNameSize bytes),
/// cut as described above, and zero-terminates it.
void CopyCategoryName(char* dest, const char* name);

/// Converts a stored [128S] name field (256 bytes, little-endian) into `dest`
/// (kCategoryNameSize bytes), whole. A field that cannot be converted reads
/// as empty.
void ReadCategoryNameField(const void* field, char* dest);

/// The record's name on `level` into `dest` (kCategoryNameSize bytes) and true;
/// for a level other than 1, 2 or 3, the empty name and false.
bool ReadCategoryNameOf(const FLN_CATS& cats, int level, char* dest);
bool ReadCategoryNameOf(const FLN_ENTRY& entry, int level, char* dest);

