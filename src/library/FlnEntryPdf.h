#pragma once
// Reading an entry's PDF out of its library file for the user (the viewer,
// an export), checked against its digest on the way: bytes that are not the
// ones stored are never handed out (FlnAttachmentHash.h).

#include <QByteArray>
#include <cstdint>
#include <functional>
#include <string>
#include <unordered_map>

#include "library/FlnAttachment.h"
#include "library/FlnAttachmentHash.h"
#include "library/FlnData.h"
#include "storage/ZelFile.h"

/// "entry 7 (paper.pdf): " followed by the text of `fault`.
std::string EntryPdfProblem(const FLN_ENTRY& entry, PdfFault fault);

class EntryPdfReader {
 public:
  /// Opens the library file of `flnData` read-only and reads its digests;
  /// its attachment records say which PDF is whose. `flnData` must outlive
  /// the reader.
  explicit EntryPdfReader(const FLN_DATA* flnData);
  ~EntryPdfReader();
  EntryPdfReader(const EntryPdfReader&) = delete;
  EntryPdfReader& operator=(const EntryPdfReader&) = delete;

  /// Hands the PDF of `entry` to `sink` in pieces of at most kPdfPieceSize
  /// bytes and says whether the whole of it was the PDF stored. When the
  /// verdict is not PdfFault::None the pieces already handed over must be
  /// thrown away. A sink returning false stops the copy; the verdict is then
  /// Unreadable. Reading PDFs in ascending member order walks the file once.
  PdfFault copy(const FLN_ENTRY& entry, const std::function<bool(const char*, size_t)>& sink);

  /// The whole PDF of `entry`, or null with *fault saying why.
  QByteArray read(const FLN_ENTRY& entry, PdfFault* fault);

  /// The member of 'ATTD' that holds the PDF of `entry`, -1 when it has none.
  int32_t dataIndexOf(const FLN_ENTRY& entry) const;

 private:
  struct Link {
    int32_t atId, dataIndex;  // host order
  };
  ZEL_FILE file_;
  bool open_ = false;
  AttachmentDataReader reader_{&file_};
  AttachmentHashes hashes_;
  std::unordered_map<int32_t, Link> linkOf_;  // en_id (as stored) → first attachment
};

/// The PDF of `entry` in the library of `flnData`, read whole and checked:
/// what the viewer shows. Null, with *fault saying why, when it cannot be had.
QByteArray ReadEntryPdf(const FLN_DATA* flnData, const FLN_ENTRY& entry, PdfFault* fault);
