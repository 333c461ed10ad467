#pragma once
// Writing a copy of the open library to another file.

#include <QByteArray>
#include <cstdint>
#include <functional>

#include "library/FlnData.h"
#include "library/FlnAttachment.h"
#include "library/FlnAttachmentHash.h"
#include "format/ZelFormat.h"
#include "library/FlnResult.h"
#include "storage/ZelFile.h"

/// Where a new library file takes each attachment's PDF from: its bytes for
/// `attachment` (a stored record), or an empty array to leave it out.
using LibraryPdfSource = std::function<QByteArray(const FLN_ATTACHMENT& attachment)>;

/// Writes a new library file at `targetPath` from the arrays of `flnData`
/// (its filePath is not used): 'ENTR', 'LABE', 'IDCO', 'ENVI', 'CATS', then
/// for each attachment record in order the record into 'ATTA', its PDF from
/// `source` into 'ATTD' and the PDF's digest into 'HASH', with dataIndex
/// renumbered to the PDF's position in the new file. An attachment that
/// `source` has no bytes for is left out; `attachmentsLeftOut`, when given,
/// receives how many were. The file has no 'ENSO' and no 'CAT1' to 'CAT3'.
/// A file already at the target is replaced only once the new one is
/// complete; when anything fails it stays as it was. The new file is a
/// container of `layout`'s version.
FlnResult WriteLibraryFile(const FLN_DATA* flnData, const char* targetPath, const LibraryPdfSource& source,
                           int32_t* attachmentsLeftOut = nullptr, const zel::RecordLayout& layout = zel::kLayout2);

/// The records of WriteLibraryFile written into the open, new container
/// `target`, for writers that add more to the file before it takes its
/// place; `attachmentsLeftOut` (not null) is increased by the attachments
/// left out.
FlnResult WriteLibraryRecords(ZEL_FILE* target, const FLN_DATA* flnData, const LibraryPdfSource& source,
                              int32_t* attachmentsLeftOut);

/// Whether WriteLibraryRecords writes `tag`: 'ENTR', 'LABE', 'IDCO', 'ENVI',
/// 'CATS', 'ATTA', 'ATTD' and 'HASH'.
bool IsLibraryRecordTag(int32_t tag);

/// The PDFs of an open library file as a LibraryPdfSource: the bytes of an
/// attachment's member of 'ATTD', or none when they cannot be read or differ
/// from their digest (a PDF is never written anew with a fresh digest that
/// would vouch for damage). Reading attachments in ascending member order
/// walks the file once. `file` must outlive the source.
class StoredPdfSource {
 public:
  explicit StoredPdfSource(ZEL_FILE* file);
  QByteArray operator()(const FLN_ATTACHMENT& attachment);

 private:
  AttachmentDataReader reader_;
  AttachmentHashes hashes_;
};

/// WriteLibraryFile with the PDFs of the library's own file
/// (flnData->filePath), through StoredPdfSource, in a container of the same
/// version. An attachment whose PDF cannot be read from it (no such member,
/// a member of no bytes, an unreadable one, one that differs from its
/// digest) is left out.
///
/// Refuses (FlnStatus::SameFile) a target that is the library's own file,
/// whatever path names it. A file already at the target is replaced only once
/// the copy is complete; when anything fails it stays as it was. The library
/// itself and its file are never changed.
FlnResult WriteLibraryCopy(const FLN_DATA* flnData, const char* targetPath, int32_t* attachmentsLeftOut = nullptr);
