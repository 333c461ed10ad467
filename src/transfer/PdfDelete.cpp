#include "transfer/PdfDelete.h"

#include <cstring>
#include <memory>

#include "categories/EntrySelection.h"
#include "library/FlnSave.h"
#include "storage/OwnedAry.h"

namespace {

// Identifiers compare as stored (little-endian): equal bytes, equal ids.
int32_t StoredIdAt(const void* record, size_t offset) {
  int32_t id;
  std::memcpy(&id, static_cast<const char*>(record) + offset, sizeof id);
  return id;
}
int EntryHasId(int32_t id, const void* record) { return StoredIdAt(record, offsetof(FLN_ENTRY, en_id)) == id; }
int AttachmentHasId(int32_t id, const void* record) {
  return StoredIdAt(record, offsetof(FLN_ATTACHMENT, en_id)) == id;
}

void RemoveFirst(TESK_ARY ary, int32_t id, int (*match)(int32_t, const void*)) {
  const int32_t index = Tesk_Ary_SeqSearch(ary, id, match);
  if (index >= 0) Tesk_Ary_Remove(ary, index);
}

}  // namespace

DeleteResult DeletePDFEntries(FLN_DATA* flnData, const std::vector<int>& selectedRows,
                              const EntryWindowCloser& closeWindows) {
  DeleteResult result;
  if (flnData == nullptr || flnData->entry == nullptr || flnData->attachment == nullptr) return result;
  OwnedAry selected(Tesk_Ary_Init(sizeof(FLN_ENTRY), 20, 20));
  if (selected == nullptr || GetSelectedEntryAry(selectedRows, flnData, selected.get()) != 0) {
    result.saved = false;
    return result;
  }
  const int32_t count = Tesk_Ary_GetSize(selected.get());
  if (count == 0) return result;

  // While the rows still show the entries they showed when chosen.
  SetFlnEntryIsSelected(selectedRows, flnData);

  for (int32_t i = 0; i < count; ++i) {
    FLN_ENTRY entry;
    Tesk_Ary_GetData(selected.get(), i, &entry);
    const int32_t id = entry.en_id;  // as stored
    if (closeWindows) closeWindows(id);
    const int32_t before = Tesk_Ary_GetSize(flnData->entry);
    RemoveFirst(flnData->entry, id, EntryHasId);
    if (Tesk_Ary_GetSize(flnData->entry) < before) ++result.deleted;
    RemoveFirst(flnData->showEntryAry, id, EntryHasId);
    RemoveFirst(flnData->attachment, id, AttachmentHasId);
  }
  result.saved = SaveAll(flnData->filePath, flnData) == 1;
  return result;
}
