#pragma once
// Writing a copy of the open library to another file.

#include <QByteArray>
#include <cstdint>
#include <functional>

#include "format/FlnRecords.h"
#include "format/ZelFormat.h"
#include "library/FlnResult.h"

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

/// WriteLibraryFile with the PDFs of the library's own file
/// (flnData->filePath), in a container of the same version. An attachment whose PDF cannot be read from it (no
/// such member, a member of no bytes, an unreadable one, one that differs
/// from its digest) is left out.
///
/// Refuses (FlnStatus::SameFile) a target that is the library's own file,
/// whatever path names it. A file already at the target is replaced only once
/// the copy is complete; when anything fails it stays as it was. The library
/// itself and its file are never changed.
FlnResult WriteLibraryCopy(const FLN_DATA* flnData, const char* targetPath, int32_t* attachmentsLeftOut = nullptr);
