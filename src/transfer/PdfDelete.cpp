#include "transfer/PdfDelete.h"

#include <QCoreApplication>
#include <algorithm>
#include <cstring>
#include <memory>
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


// Removes the first attachment of entry `id` (as stored) and adds its at_id
// (host order) to `removed`.
void RemoveFirstAttachment(TESK_ARY attachments, int32_t id, std::unordered_set<int32_t>* removed) {
  const int32_t index = Tesk_Ary_SeqSearch(attachments, id, AttachmentHasId);
  if (index < 0) return;
  FLN_ATTACHMENT attachment;
  Tesk_Ary_GetData(attachments, index, &attachment);
  removed->insert(ZEL_EndianLong_LtoN(attachment.at_id));
  Tesk_Ary_Remove(attachments, index);
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

  std::unordered_set<int32_t> removedAtIds;
  for (int32_t i = 0; i < count; ++i) {
    FLN_ENTRY entry;
    Tesk_Ary_GetData(selected.get(), i, &entry);
    const int32_t id = entry.en_id;  // as stored
    if (closeWindows) closeWindows(id);
    const int32_t index = Tesk_Ary_SeqSearch(flnData->entry, id, EntryHasId);
    if (index >= 0) {
      Tesk_Ary_Remove(flnData->entry, index);
      ForgetEntryRow(flnData, index);
      ++result.deleted;
    }
    RemoveFirstAttachment(flnData->attachment, id, &removedAtIds);
  }
  result.save = SaveAllRemovingDigests(flnData->filePath, flnData, removedAtIds);
  return result;
}
