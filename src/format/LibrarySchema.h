#pragma once
// The tags of a library file and what each one holds: the one table that
// loading, saving, copying, checking and recovering a library read, so that
// a tag is described once. The record layouts themselves are FlnRecords.h;
// doc/file-format.md describes the same tags for humans.

#include <cstddef>
#include <cstdint>
#include <iterator>

#include "format/FlnRecords.h"

/// Bytes of one preference record ('PM01'..'PM03'): a zero-terminated path.
constexpr int32_t kPreferenceRecordSize = 256;

/// How a program holds the members of one tag.
enum class LibraryTagKind {
  Array,           // one array of the open library: read whole when the library opens,
                   // written change-only by each save, carried by a copy
  EntrySort,       // the entry list's sort keys: read when the library opens,
                   // written anew by each save, not carried by a copy
  PdfBytes,        // one member per stored PDF, of any length, read when needed
  PdfDigest,       // one FLN_ATTACHMENT_HASH per stored PDF, beside its bytes
  LegacyCategory,  // written when a library is made, never read back
  Preference,      // one path, kept in a library or in the preference file
  PreferenceOnly,  // one path, kept only in the preference file
};

/// One tag and the records it holds.
struct LibraryTag {
  int32_t tag;
  LibraryTagKind kind;
  uint32_t recordSize;          // every member's length; 0 for any length
  const char* idKey;            // key of the identifier counter of its records, else null
  size_t idOffset;              // where a record with an idKey holds its identifier
  const char* records;          // what its members are, for messages
};

/// Every tag Folian writes. The Array tags come first, in the order a save
/// writes them: the identifier counters lead, since raising the others may
/// take an ic_id from them, and the order of a save's appends is part of the
/// bytes a save leaves on disk.
inline constexpr LibraryTag kLibraryTags[] = {
    {kTagIdCounter, LibraryTagKind::Array, sizeof(FLN_ID_COUNTER), "ic_id",
     offsetof(FLN_ID_COUNTER, ic_id), "identifier counters"},
    {kTagLabel, LibraryTagKind::Array, sizeof(FLN_LABEL), "la_id", offsetof(FLN_LABEL, la_id),
     "level labels"},
    {kTagEntry, LibraryTagKind::Array, sizeof(FLN_ENTRY), "en_id", offsetof(FLN_ENTRY, en_id),
     "entry records"},
    {kTagAttachment, LibraryTagKind::Array, sizeof(FLN_ATTACHMENT), "at_id",
     offsetof(FLN_ATTACHMENT, at_id), "attachment records"},
    {kTagEnvironment, LibraryTagKind::Array, sizeof(FLN_ENV), "ev_id", offsetof(FLN_ENV, ev_id),
     "environment values"},
    {kTagCats, LibraryTagKind::Array, sizeof(FLN_CATS), "ct_id", offsetof(FLN_CATS, ct_id),
     "category triples"},
    {kTagEntrySort, LibraryTagKind::EntrySort, sizeof(FLN_ENTRY_SORT), nullptr, 0, "entry list sort keys"},
    {kTagAttachmentData, LibraryTagKind::PdfBytes, 0, nullptr, 0, "stored PDFs"},
    {kTagAttachmentHash, LibraryTagKind::PdfDigest, sizeof(FLN_ATTACHMENT_HASH), nullptr, 0, "PDF digests"},
    {kTagCat1, LibraryTagKind::LegacyCategory, sizeof(FLN_CATEGORY), nullptr, 0, "level-1 categories"},
    {kTagCat2, LibraryTagKind::LegacyCategory, sizeof(FLN_CATEGORY), nullptr, 0, "level-2 categories"},
    {kTagCat3, LibraryTagKind::LegacyCategory, sizeof(FLN_CATEGORY), nullptr, 0, "level-3 categories"},
    {kTagPrefFolderImport, LibraryTagKind::Preference, kPreferenceRecordSize, nullptr, 0,
     "folder import paths"},
    {kTagPrefFileImport, LibraryTagKind::Preference, kPreferenceRecordSize, nullptr, 0, "file import paths"},
    {kTagPrefLibraryFolder, LibraryTagKind::PreferenceOnly, kPreferenceRecordSize, nullptr, 0,
     "library folder paths"},
};

/// The row of `tag`, or null for a tag Folian does not write.
constexpr const LibraryTag* FindLibraryTag(int32_t tag) {
  for (const LibraryTag& row : kLibraryTags)
    if (row.tag == tag) return &row;
  return nullptr;
}

/// Whether `tag` may be found in a library file (every tag but those kept
/// only in the preference file).
constexpr bool IsLibraryFileTag(int32_t tag) {
  const LibraryTag* row = FindLibraryTag(tag);
  return row != nullptr && row->kind != LibraryTagKind::PreferenceOnly;
}

/// Whether opening a library reads the records of `tag` one by one (and so
/// checks them by reading them).
constexpr bool IsLoadedRecordTag(int32_t tag) {
  const LibraryTag* row = FindLibraryTag(tag);
  return row != nullptr && (row->kind == LibraryTagKind::Array || row->kind == LibraryTagKind::EntrySort);
}

namespace library_schema_detail {
constexpr bool RowsAreSound() {
  bool arraysLead = true;
  for (size_t i = 0; i < std::size(kLibraryTags); ++i) {
    const LibraryTag& row = kLibraryTags[i];
    if (FindLibraryTag(row.tag) != &row) return false;  // each tag once
    const bool isArray = row.kind == LibraryTagKind::Array;
    if (isArray != (row.idKey != nullptr)) return false;
    if (isArray && !arraysLead) return false;
    arraysLead = isArray;
    if ((row.recordSize == 0) != (row.kind == LibraryTagKind::PdfBytes)) return false;
  }
  return kLibraryTags[0].tag == kTagIdCounter;
}
}  // namespace library_schema_detail

static_assert(library_schema_detail::RowsAreSound(),
              "each tag once; exactly the Array rows hold a counter key, and they lead with the counters; only PDF "
              "bytes have members of any length");
