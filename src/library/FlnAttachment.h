#pragma once
// The PDF bytes of the entries: each PDF is one member of the library file's
// tag 'ATTD', found through the FLN_ATTACHMENT record that carries the
// entry's en_id and the member's position (dataIndex). Members of 'ATTD' are
// never removed, so positions stay valid for the life of the file.

#include <QByteArray>
#include <cstdint>
#include <functional>

#include "format/FlnRecords.h"
#include "library/FlnResult.h"
#include "storage/TeskAry.h"
#include "storage/ZelFile.h"

/// The dataIndex (host order) of the first attachment record whose en_id is
/// that of record `entryIndex` of `entryArray`; -1 when there is none or the
/// index is not a record of the array.
int32_t GetAttachmentIndex(TESK_ARY entryArray, TESK_ARY attachmentArray, int32_t entryIndex);

/// The bytes of member `dataIndex` of 'ATTD' in the library file at
/// `libraryPath`; a null QByteArray for a negative index, an index at or past
/// the number of members, a member of no bytes, a file that cannot be read as
/// a container, a member behind a break in the chain of 'ATTD' (a link that
/// leads out of the file, into another tag or back to an earlier member, or a
/// member cut short), or memory that cannot be had.
QByteArray ReadPDFData_ByFLNFile(int32_t dataIndex, const char* libraryPath);

/// The largest piece ReadCurrentInPieces hands over: handling a PDF of any
/// size that way needs no more memory than this.
constexpr uint32_t kPdfPieceSize = 1u << 20;

/// Hands the data of the open file's current item, `length` bytes, to `sink`
/// in order, in pieces of at most kPdfPieceSize bytes. False when a piece
/// cannot be read, memory runs out or `sink` returns false.
bool ReadCurrentInPieces(ZEL_FILE* file, int64_t length, const std::function<bool(const char*, size_t)>& sink);

/// Reads members of 'ATTD' from an open container. Reading members in
/// ascending order walks the chain once; a lower index starts again from the
/// first member.
class AttachmentDataReader {
 public:
  explicit AttachmentDataReader(ZEL_FILE* file) : file_(file) {}
  /// The bytes of member `dataIndex`, or null as ReadPDFData_ByFLNFile gives it.
  QByteArray read(int32_t dataIndex);
  /// Makes member `dataIndex` the file's current item and returns its data
  /// length, or -1 when there is no such member. Its bytes are then read
  /// with ZEL_GetDataPart, in pieces as large as the caller likes.
  int64_t seek(int32_t dataIndex);

 private:
  ZEL_FILE* file_;
  int64_t current_ = -1;  // index of the file's current 'ATTD' member, -1 when none
};

/// The members of 'ATTD' of a library file held open read-only, read as
/// AttachmentDataReader reads them.
class AttachmentDataFile {
 public:
  AttachmentDataFile() = default;
  ~AttachmentDataFile() { ZEL_Close(&file_); }
  AttachmentDataFile(const AttachmentDataFile&) = delete;
  AttachmentDataFile& operator=(const AttachmentDataFile&) = delete;

  /// Opens the library file at `libraryPath` read-only. CannotOpen, with the
  /// system's reason, when it cannot be read as a container (missing,
  /// unreadable, a foreign or cut-short file).
  FlnResult open(const char* libraryPath);
  /// The bytes of member `dataIndex`, or null as ReadPDFData_ByFLNFile gives
  /// them (also before a successful open()).
  QByteArray read(int32_t dataIndex) { return opened_ ? reader_.read(dataIndex) : QByteArray(); }

 private:
  ZEL_FILE file_;
  bool opened_ = false;
  AttachmentDataReader reader_{&file_};
};
