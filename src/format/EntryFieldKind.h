#pragma once
// Entry field kinds: the values of FLN_ENTRY_LIST_INFO::sortFieldKind. They are
// stored in the library's sort records, so they are never renumbered. Each
// sortable kind names one FLN_ENTRY field and the column key that selects it.

#include <cstddef>
#include <cstdint>

enum EntryFieldKind : int32_t {
  kEntryFieldNone = 0,  // no column; compares as always equal
  kEntryFieldUnused = 1,  // no column; compares as always equal
  kEntryFieldTitle = 2,
  kEntryFieldCat1 = 3,
  kEntryFieldCat2 = 4,
  kEntryFieldCat3 = 5,
  kEntryFieldFileName = 6,
  kEntryFieldFileSize = 7,
  kEntryFieldMyRate = 8,
  kEntryFieldNote = 9,
  kEntryFieldFileCreateDate = 10,
  kEntryFieldCreateDate = 11,
  kEntryFieldUpdateDate = 12,
  kEntryFieldLastViewDate = 13,
  kEntryFieldLastUseDate = 14,
  kEntryFieldAuthor = 15,
  kEntryFieldEditor = 16,
  kEntryFieldSupervisor = 17,
  kEntryFieldTranslator = 18,
  kEntryFieldPublisher = 19,
};

/// How two entries compare on a field.
enum class EntryFieldClass {
  Text,      // UTF-16LE text, compared as UTF-8 bytes
  Date,      // 18-byte date string, compared as bytes
  Number32,  // little-endian signed 32-bit
  Number16,  // little-endian signed 16-bit
};

struct EntryFieldInfo {
  const char* key;        // column key, e.g. "fileCreateDate"
  EntryFieldClass fieldClass;
  size_t offset;          // of the field inside FLN_ENTRY
  size_t size;            // of the field in bytes
};

/// Longest column key and its zero byte ("fileCreateDate").
constexpr size_t kSortKeyBufferSize = 15;

/// The field of a sortable kind (2 to 19), or null for any other kind.
const EntryFieldInfo* GetEntryFieldInfo(int32_t kind);

/// Writes the column key of `kind` into `out` (at least kSortKeyBufferSize
/// bytes): the empty string for kinds without a column (0, 1, negative, above 19).
void GetSortKey_FromEntryFieldKind(int32_t kind, char* out);

/// The kind whose column key is exactly `key`; 0 for any other key or null.
int32_t GetEntryFieldKind_FromSortKey(const char* key);
