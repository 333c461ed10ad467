#pragma once
// The library file held open while an import appends PDFs to it. Only
// 'ATTD', 'HASH', 'PM01' and 'PM02' are written through it, never a tag that SaveAll
// writes, so the next SaveAll still writes only the records that changed.

#include <QByteArray>
#include <cstdint>
#include <string>

#include "library/FlnAttachmentHash.h"
#include "library/FlnData.h"
#include "transfer/ImportFileRead.h"
#include "storage/ZelFile.h"

class ImportAppendSession {
 public:
  explicit ImportAppendSession(FLN_DATA* flnData) : flnData_(flnData) {}
  ~ImportAppendSession() { close(); }
  ImportAppendSession(const ImportAppendSession&) = delete;
  ImportAppendSession& operator=(const ImportAppendSession&) = delete;

  /// Opens flnData->filePath for writing, counts the PDFs 'ATTD' holds and
  /// reads the digests of 'HASH', adding the missing ones of the library's
  /// attachments (AddMissingDigests). Opened again after a successful
  /// close(), with only SaveAll writing to the file in between, it keeps
  /// what it counted and read instead of reading those chains again. False, with the file closed again,
  /// when it cannot be opened as a container, is not the file the program
  /// loaded or last wrote (LibraryFileIsAsLeft), or its 'ATTD' or 'HASH'
  /// chain is damaged.
  bool open();
  /// Commits what was stored (ZEL_Commit) and closes the file. True when
  /// every stored PDF is in the file; false when the commit failed, and then
  /// none of them is. Harmless (true) when the file is not open.
  bool close();

  /// The open file's container version.
  const zel::RecordLayout& layout() const { return *file_.layout; }
  /// Whether `growth` more bytes still fit the open file (ZEL_Fits).
  bool fits(uint64_t growth) const { return ZEL_Fits(*file_.layout, file_.fileSize, growth); }

  /// Appends `bytes` as the last member of 'ATTD'. A ZEL result code: -1
  /// when the file would pass its limit, -2 when a write failed (the container
  /// has undone the append then). On success *dataIndex is the member's
  /// position among the members of 'ATTD'; the PDF is in the file once
  /// close() has succeeded.
  int store(const QByteArray& bytes, int32_t* dataIndex);

  /// store() for `bytes` read from the file at `path` whose stamp was
  /// `readStamp` before the read: while the file is still as it was read,
  /// its bytes are copied inside the kernel (ZEL_AddDataFrom) instead of
  /// being written from memory. A file changed meanwhile (before or during
  /// the copy) gets `bytes` stored all the same, so that what is stored is
  /// what the import read, digested and checked.
  int storeCopy(const std::string& path, const ImportFileStamp& readStamp, const QByteArray& bytes,
                int32_t* dataIndex);

  /// Appends the digest of the PDF just stored for attachment `atId` (host
  /// order), committed with it by close(). A digest that cannot be written
  /// is not reported: the PDF is whole without it, and 'check --fix' adds it
  /// later.
  void storeDigest(int32_t atId, const QByteArray& bytes, const QByteArray& digest);

  /// The digests of the library's PDFs, those of this import included.
  const AttachmentHashes& hashes() const { return hashes_; }

  /// Makes `record` (kPreferenceRecordSize bytes) the single member of `tag`
  /// ('PM01' or 'PM02'); a failure is not reported, as nothing depends on it.
  void remember(int32_t tag, const char* record);

 private:
  bool countStoredPdfs();

  FLN_DATA* flnData_;
  ZEL_FILE file_;
  bool isOpen_ = false;
  int32_t storedPdfs_ = 0;
  bool counted_ = false;  // storedPdfs_ and hashes_ hold what the file holds
  AttachmentHashes hashes_;
};
