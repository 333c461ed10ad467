#include "transfer/PdfInfoRefill.h"

#include <cstring>

#include "categories/EntrySelection.h"
#include "format/Endian.h"
#include "library/FlnEntryPdf.h"
#include "library/FlnLoad.h"
#include "library/FlnSave.h"
#include "storage/OwnedAry.h"
#include "storage/TeskUtil.h"

PdfInfoRefillResult RefillTitlesFromPdfInfo(FLN_DATA* flnData, const std::vector<int>& selectedRows,
                                            const PdfInfoReader& reader) {
  PdfInfoRefillResult result;
  OwnedAry rows(Tesk_Ary_Init(sizeof(int32_t), 20, 20));
  if (rows == nullptr || GetSelectedEntryIndexAry(selectedRows, rows.get()) != 0) return result;
  EntryPdfReader pdfs(flnData);
  const int32_t count = Tesk_Ary_GetSize(rows.get());
  for (int32_t i = 0; i < count; ++i) {
    int32_t row;
    Tesk_Ary_GetData(rows.get(), i, &row);
    FLN_ENTRY entry;
    if (GetFLNEntry_ByFLNData(flnData, row, &entry) != 1) continue;
    PdfFault fault = PdfFault::None;
    const QByteArray pdf = pdfs.read(entry, &fault);
    if (fault != PdfFault::None) {
      result.problems.push_back(
          ExportProblem{row, ZEL_EndianLong_LtoN(entry.en_id), ExportProblemKind::NoPdf, 0, fault});
      continue;
    }
    FLN_ENTRY changed = entry;
    const PdfInfoFilled filled = FillEntryFromPdfInfo(pdf, reader, &changed);
    if (!filled.title && !filled.author) ++result.withoutInfo;
    if (std::memcmp(changed.en_title, entry.en_title, sizeof entry.en_title) == 0 &&
        std::memcmp(changed.en_author_name, entry.en_author_name, sizeof entry.en_author_name) == 0)
      continue;
    Tesk_GetCurrentTimeAsString(changed.en_update_date, sizeof changed.en_update_date);
    UpdateEntry(flnData->entry, &changed);
    ++result.changed;
  }
  if (result.changed > 0) result.save = SaveAll(flnData->filePath, flnData);
  return result;
}
