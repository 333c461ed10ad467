#include "format/EntryFieldKind.h"

#include <cstring>

#include "format/FlnRecords.h"

namespace {

#define FLN_ENTRY_FIELD(key, fieldClass, member) \
  { key, EntryFieldClass::fieldClass, offsetof(FLN_ENTRY, member), sizeof(FLN_ENTRY::member) }

// Index = kind - kEntryFieldTitle.
const EntryFieldInfo kSortableFields[] = {
    FLN_ENTRY_FIELD("title", Text, en_title),
    FLN_ENTRY_FIELD("cat1", Text, en_c1_name),
    FLN_ENTRY_FIELD("cat2", Text, en_c2_name),
    FLN_ENTRY_FIELD("cat3", Text, en_c3_name),
    FLN_ENTRY_FIELD("fileName", Text, en_file_name),
    FLN_ENTRY_FIELD("fileSize", Number32, en_file_size),
    FLN_ENTRY_FIELD("myRate", Number16, en_my_rate),
    FLN_ENTRY_FIELD("note", Text, en_note),
    FLN_ENTRY_FIELD("fileCreateDate", Date, en_file_create_date),
    FLN_ENTRY_FIELD("createDate", Date, en_create_date),
    FLN_ENTRY_FIELD("updateDate", Date, en_update_date),
    FLN_ENTRY_FIELD("lastViewDate", Date, en_last_view_date),
    FLN_ENTRY_FIELD("lastUseDate", Date, en_last_use_date),
    FLN_ENTRY_FIELD("author", Text, en_author_name),
    FLN_ENTRY_FIELD("editor", Text, en_editor_name),
    FLN_ENTRY_FIELD("supervisor", Text, en_supervisor_name),
    FLN_ENTRY_FIELD("translator", Text, en_translator_name),
    FLN_ENTRY_FIELD("publisher", Text, en_publisher_name),
};

#undef FLN_ENTRY_FIELD

static_assert(sizeof kSortableFields / sizeof kSortableFields[0] ==
                  kEntryFieldPublisher - kEntryFieldTitle + 1,
              "one field per sortable kind");

}  // namespace

const EntryFieldInfo* GetEntryFieldInfo(int32_t kind) {
  if (kind < kEntryFieldTitle || kind > kEntryFieldPublisher) return nullptr;
  return &kSortableFields[kind - kEntryFieldTitle];
}

void GetSortKey_FromEntryFieldKind(int32_t kind, char* out) {
  const EntryFieldInfo* info = GetEntryFieldInfo(kind);
  const char* key = info != nullptr ? info->key : "";
  memcpy(out, key, strlen(key) + 1);
}

int32_t GetEntryFieldKind_FromSortKey(const char* key) {
  if (key == nullptr) return kEntryFieldNone;
  for (int32_t kind = kEntryFieldTitle; kind <= kEntryFieldPublisher; ++kind) {
    if (strcmp(GetEntryFieldInfo(kind)->key, key) == 0) return kind;
  }
  return kEntryFieldNone;
}
