#pragma once
// The library file held open while PDFs are appended to it (an import, a
// merge). Only 'ATTD', 'HASH', 'PM01' and 'PM02' are written through it, never
// a tag that SaveAll writes, so the next SaveAll still writes only the records
// that changed.

#include <QByteArray>
#include <cstdint>
#include <functional>

#include "library/FlnData.h"
#include "library/FlnAttachmentHash.h"
#include "library/FlnResult.h"
#include "storage/ZelFile.h"

class FlnAppendSession {
 public:
  explicit FlnAppendSession(FLN_DATA* flnData) : flnData_(flnData) {}
  ~FlnAppendSession() { close(); }
  FlnAppendSession(const FlnAppendSession&) = delete;
  FlnAppendSession& operator=(const FlnAppendSession&) = delete;

  /// Opens flnData->filePath for writing, counts the PDFs 'ATTD' holds and
  /// reads the digests of 'HASH', adding the missing ones of the library's
  /// attachments (AddMissingDigests). Opened again after a successful
  /// close(), with only SaveAll writing to the file in between, it keeps what
  /// it counted and read instead of reading those chains again. Fails, with
  /// the file closed again: CannotOpen (or NoSpace) with the system's reason
  /// when it cannot be opened as a container for writing, Replaced when it is
  /// not the file the program loaded or last wrote (LibraryFileIsAsLeft),
  /// Damaged when its 'ATTD' or 'HASH' chain is broken.
  FlnResult open();
  /// Commits what was stored (ZEL_Commit) and closes the file. Success when
  /// every stored PDF is in the file; WriteFailed or NoSpace, with the
  /// system's reason, when the commit failed, and then none of them is.
  /// Success when the file is not open.
  FlnResult close();

  /// The open file's container version.
  const zel::RecordLayout& layout() const { return *file_.layout; }
  /// Whether `growth` more bytes still fit the open file (ZEL_Fits).
  bool fits(uint64_t growth) const { return ZEL_Fits(*file_.layout, file_.fileSize, growth); }

  /// Appends `bytes` as the last member of 'ATTD'. Fails with TooLarge when
  /// the file would pass its limit (nothing is written), WriteFailed or
  /// NoSpace with the system's reason when a write failed (the container has
  /// undone the append then). On success *dataIndex is the member's position
  /// among the members of 'ATTD'; the PDF is in the file once close() has
  /// succeeded.
  FlnResult store(const QByteArray& bytes, int32_t* dataIndex);

  /// store() for `bytes` that were read from the regular file open as
  /// `sourceFd`: while `sourceUnchanged()` says that file is still as it was
  /// read (asked before and after the copy), its bytes are copied inside the
  /// kernel (ZEL_AddDataFrom) instead of being written from memory. A file
  /// changed meanwhile gets `bytes` stored all the same, so that what is
  /// stored is what the caller read, digested and checked. `sourceFd` stays
  /// open.
  FlnResult storeFrom(int sourceFd, const QByteArray& bytes, const std::function<bool()>& sourceUnchanged,
                      int32_t* dataIndex);

  /// Appends the digest of the PDF just stored for attachment `atId` (host
  /// order), committed with it by close(). A digest that cannot be written
  /// is not reported: the PDF is whole without it, and 'check --fix' adds it
  /// later.
  void storeDigest(int32_t atId, const QByteArray& bytes, const QByteArray& digest);

  /// The digests of the library's PDFs, those stored through this session
  /// included.
  const AttachmentHashes& hashes() const { return hashes_; }

  /// Makes `record` (kPreferenceRecordSize bytes) the single member of `tag`
  /// ('PM01' or 'PM02'); a failure is not reported, as nothing depends on it.
  void remember(int32_t tag, const char* record);

 private:
  bool countStoredPdfs();
  FlnResult added(int zelCode, int error, int32_t* dataIndex);

  FLN_DATA* flnData_;
  ZEL_FILE file_;
  bool isOpen_ = false;
  int32_t storedPdfs_ = 0;
  bool counted_ = false;  // storedPdfs_ and hashes_ hold what the file holds
  AttachmentHashes hashes_;
};
