#include "transfer/PdfDelete.h"

#include <QCoreApplication>
#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <unordered_map>
#include <unordered_set>

#include "categories/EntrySelection.h"
#include "format/Endian.h"
#include "library/FlnLoad.h"
#include "library/FlnSave.h"
#include "format/FieldText.h"
#include "storage/OwnedAry.h"
#include "storage/TeskAryChanges.h"

namespace {

// Longer titles are cut in the question: a whole abstract pasted as a title
// would push the buttons off the screen.
constexpr int kDeleteConfirmTitleLength = 60;

QString Quoted(const QString& title) {
  const QString shown =
      title.size() > kDeleteConfirmTitleLength ? title.left(kDeleteConfirmTitleLength - 1) + u'…' : title;
  return QStringLiteral("「%1」").arg(shown);
}

// Indexes of the records that deleting `storedIds` (as stored, in order)
// one after another removes, each time the first record whose id at
// `offset` is the id: for an id named once, its first record; for one named
// again, its next record after the one taken before. Ids without such a
// record are left out. One lookup per id through the array's key index, not
// a walk over all records per id. Ascending and distinct. Throws
// std::bad_alloc without memory.
std::vector<int32_t> RecordsOfIds(TESK_ARY ary, int32_t offset, const std::vector<int32_t>& storedIds) {
  std::vector<int32_t> found;
  std::unordered_map<int32_t, int32_t> lastTaken;  // id as stored -> index taken for it
  const int32_t count = Tesk_Ary_GetSize(ary);
  for (int32_t id : storedIds) {
    const auto taken = lastTaken.find(id);
    int32_t index = -1;
    if (taken == lastTaken.end()) {
      index = Tesk_Ary_FindKey(ary, offset, id);
    } else {
      // Two selected records with one id: rare, so a walk past the last one.
      int wasLocked;
      Tesk_Ary_Lock(ary, &wasLocked);
      for (int32_t i = taken->second + 1; i < count && index < 0; ++i)
        if (std::memcmp(static_cast<const char*>(Tesk_Ary_ReadDataPtr(ary, i)) + offset, &id, sizeof id) == 0) index = i;
      Tesk_Ary_Unlock(ary, wasLocked);
    }
    if (index < 0) continue;
    lastTaken[id] = index;
    found.push_back(index);
  }
  // Ascending, as one removal of them all takes them.
  std::sort(found.begin(), found.end());
  return found;
}

}  // namespace

QString DeletePdfConfirmMessage(const QStringList& titles) {
  if (titles.size() == 1)
    return QCoreApplication::translate("PdfDelete", "%1を削除してもよろしいですか？").arg(Quoted(titles.first()));
  QStringList lines{QCoreApplication::translate("PdfDelete", "選択している%1件のPDFを削除してもよろしいですか？")
                        .arg(titles.size()),
                    QString()};
  for (int i = 0; i < titles.size() && i < kDeleteConfirmTitleCount; ++i) lines << Quoted(titles[i]);
  if (titles.size() > kDeleteConfirmTitleCount)
    lines << QCoreApplication::translate("PdfDelete", "ほか%1件").arg(titles.size() - kDeleteConfirmTitleCount);
  return lines.join(u'\n');
}

QStringList SelectedEntryTitles(const FLN_DATA* flnData, const std::vector<int>& selectedRows) {
  std::vector<int> rows = selectedRows;
  std::sort(rows.begin(), rows.end());
  rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
  QStringList titles;
  for (int row : rows) {
    const FLN_ENTRY* shown = ShownEntry(flnData, row);
    if (shown == nullptr) continue;
    const FLN_ENTRY& entry = *shown;
    QString title = FLN_COMM_CreateNSString_FromUniChar_LtoN(entry.en_title, sizeof entry.en_title).trimmed();
    if (title.isEmpty())
      title = FLN_COMM_CreateNSString_FromUniChar_LtoN(entry.en_file_name, sizeof entry.en_file_name);
    if (title.isEmpty()) title = QCoreApplication::translate("PdfDelete", "（題名なし）");
    titles << title;
  }
  return titles;
}

DeleteResult DeletePDFEntries(FLN_DATA* flnData, const std::vector<int>& selectedRows,
                              const EntryWindowCloser& closeWindows) {
  DeleteResult result;
  if (flnData == nullptr || flnData->entry == nullptr || flnData->attachment == nullptr) return result;
  OwnedAry selected(Tesk_Ary_Init(sizeof(FLN_ENTRY), 20, 20));
  if (selected == nullptr || GetSelectedEntryAry(selectedRows, flnData, selected.get()) != 0) {
    result.save = FlnResult::failure(FlnStatus::NotLoaded, "not enough memory to gather the chosen entries");
    return result;
  }
  const int32_t count = Tesk_Ary_GetSize(selected.get());
  if (count == 0) return result;

  // While the rows still show the entries they showed when chosen.
  SetFlnEntryIsSelected(selectedRows, flnData);

  // Everything to remove is found before the first record goes: removing
  // moves later records, and a lookup after each removal would make the
  // index of ids anew every time. The windows close first, in row order.
  std::vector<int32_t> ids;  // as stored
  std::vector<int32_t> entryIndexes, attachmentIndexes;
  try {
    ids.resize(static_cast<size_t>(count));
  } catch (const std::bad_alloc&) {
    result.save = FlnResult::failure(FlnStatus::NotLoaded, "not enough memory to gather the chosen entries");
    return result;
  }
  for (int32_t i = 0; i < count; ++i) {
    FLN_ENTRY entry;
    Tesk_Ary_GetData(selected.get(), i, &entry);
    ids[static_cast<size_t>(i)] = entry.en_id;
    if (closeWindows) closeWindows(entry.en_id);
  }
  try {
    entryIndexes = RecordsOfIds(flnData->entry, offsetof(FLN_ENTRY, en_id), ids);
    attachmentIndexes = RecordsOfIds(flnData->attachment, offsetof(FLN_ATTACHMENT, en_id), ids);
  } catch (const std::bad_alloc&) {
    result.save = FlnResult::failure(FlnStatus::NotLoaded, "not enough memory to find the chosen entries");
    return result;
  }
  // All in one pass each: removing one at a time would move every later
  // record once per removal.
  Tesk_Ary_RemoveMany(flnData->entry, entryIndexes.data(), entryIndexes.size());
  ForgetEntryRows(flnData, entryIndexes);
  result.deleted = static_cast<int32_t>(entryIndexes.size());
  std::unordered_set<int32_t> removedAtIds;
  for (int32_t index : attachmentIndexes) {
    FLN_ATTACHMENT attachment;
    Tesk_Ary_GetData(flnData->attachment, index, &attachment);
    removedAtIds.insert(ZEL_EndianLong_LtoN(attachment.at_id));
  }
  Tesk_Ary_RemoveMany(flnData->attachment, attachmentIndexes.data(), attachmentIndexes.size());
  result.save = SaveAllRemovingDigests(flnData->filePath, flnData, removedAtIds);
  return result;
}
