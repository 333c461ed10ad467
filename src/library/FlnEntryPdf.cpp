#include "library/FlnEntryPdf.h"

#include <new>

#include "format/Endian.h"
#include "format/FieldText.h"

std::string EntryPdfProblem(const FLN_ENTRY& entry, PdfFault fault) {
  char name[sizeof entry.en_file_name / 2 * 3 + 1];
  if (FLN_COMM_ConvertUniCharToChar_LtoN(entry.en_file_name, sizeof entry.en_file_name, name, sizeof name) != 1)
    name[0] = '\0';
  return "entry " + std::to_string(ZEL_EndianLong_LtoN(entry.en_id)) + " (" + name + "): " + PdfFaultText(fault);
}

EntryPdfReader::EntryPdfReader(const FLN_DATA* flnData) {
  open_ = flnData != nullptr && ZEL_Open(flnData->filePath, 1, &file_) == ZEL_OK;
  // A broken digest chain keeps the digests before the break; PDFs without
  // one are checked by their size alone, as in a library without digests.
  if (open_) hashes_.load(&file_);
  const int32_t count = flnData != nullptr ? Tesk_Ary_GetSize(flnData->attachment) : 0;
  for (int32_t i = 0; i < count; ++i) {
    FLN_ATTACHMENT attachment;
    Tesk_Ary_GetData(flnData->attachment, i, &attachment);
    linkOf_.emplace(attachment.en_id,
                    Link{ZEL_EndianLong_LtoN(attachment.at_id), ZEL_EndianLong_LtoN(attachment.dataIndex)});
  }
}

EntryPdfReader::~EntryPdfReader() { ZEL_Close(&file_); }

int32_t EntryPdfReader::dataIndexOf(const FLN_ENTRY& entry) const {
  const auto it = linkOf_.find(entry.en_id);
  return it == linkOf_.end() ? -1 : it->second.dataIndex;
}

PdfFault EntryPdfReader::copy(const FLN_ENTRY& entry, const std::function<bool(const char*, size_t)>& sink) {
  const auto link = linkOf_.find(entry.en_id);
  if (!open_ || link == linkOf_.end()) return PdfFault::Unreadable;
  const int64_t length = reader_.seek(link->second.dataIndex);
  if (length < 1) return PdfFault::Unreadable;
  PdfVerifier verifier(hashes_.find(link->second.atId), ZEL_EndianLong_LtoN(entry.en_file_size));
  const bool whole = ReadCurrentInPieces(&file_, length, [&](const char* piece, size_t n) {
    verifier.add(piece, n);
    return sink(piece, n);
  });
  return whole ? verifier.finish() : PdfFault::Unreadable;
}

QByteArray EntryPdfReader::read(const FLN_ENTRY& entry, PdfFault* fault) {
  QByteArray bytes;
  bool fits = true;
  *fault = copy(entry, [&](const char* piece, size_t n) {
    try {
      bytes.append(piece, static_cast<qsizetype>(n));
    } catch (const std::bad_alloc&) {
      fits = false;
    }
    return fits;
  });
  return *fault == PdfFault::None ? bytes : QByteArray();
}

QByteArray ReadEntryPdf(const FLN_DATA* flnData, const FLN_ENTRY& entry, PdfFault* fault) {
  EntryPdfReader reader(flnData);
  return reader.read(entry, fault);
}
