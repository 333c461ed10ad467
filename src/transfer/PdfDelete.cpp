#include "transfer/PdfDelete.h"

#include <cstring>
#include <memory>

#include "categories/EntrySelection.h"
#include "library/FlnSave.h"
#include "storage/OwnedAry.h"
#include "storage/TeskAryChanges.h"

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

// The window objects of registry records (en_id first, window pointer at
// `windowOffset`) that hold `id`, in registry order.
std::vector<void*> WindowsOf(TESK_ARY registry, int32_t id, size_t windowOffset) {
  std::vector<void*> windows;
  const int32_t count = Tesk_Ary_GetSize(registry);
  int wasLocked;
  Tesk_Ary_Lock(registry, &wasLocked);
  for (int32_t i = 0; i < count; ++i) {
    const void* record = Tesk_Ary_ReadDataPtr(registry, i);
    if (StoredIdAt(record, 0) != id) continue;
    void* window;
    std::memcpy(&window, static_cast<const char*>(record) + windowOffset, sizeof window);
    windows.push_back(window);
  }
  Tesk_Ary_Unlock(registry, wasLocked);
  return windows;
}

void CloseWindowsOf(FLN_DATA* flnData, int32_t id, const EntryWindowClosers& closers) {
  if (closers.closePdfViewer)
    for (void* viewer : WindowsOf(flnData->pdfViewer, id, offsetof(FLN_PDF_VIEWER_REF, viewer)))
      closers.closePdfViewer(viewer);
  if (closers.closeEntryWindow) {
    const std::vector<void*> windows = WindowsOf(flnData->entryWindow, id, offsetof(FLN_ENTRY_WINDOW_REF, window));
    for (auto it = windows.rbegin(); it != windows.rend(); ++it) closers.closeEntryWindow(*it);
  }
}

}  // namespace

DeleteResult DeletePDFEntries(FLN_DATA* flnData, const std::vector<int>& selectedRows,
                              const EntryWindowClosers& closers) {
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
    CloseWindowsOf(flnData, id, closers);
    const int32_t before = Tesk_Ary_GetSize(flnData->entry);
    RemoveFirst(flnData->entry, id, EntryHasId);
    if (Tesk_Ary_GetSize(flnData->entry) < before) ++result.deleted;
    RemoveFirst(flnData->showEntryAry, id, EntryHasId);
    RemoveFirst(flnData->attachment, id, AttachmentHasId);
  }
  result.saved = SaveAll(flnData->filePath, flnData) == 1;
  return result;
}
