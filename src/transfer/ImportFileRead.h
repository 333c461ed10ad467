#pragma once
// Reading the files an import takes in: a PDF and the metadata text file
// beside it. Both are opened without waiting (O_NONBLOCK), so that a pipe or
// a device named like one never blocks an import that holds the library, and
// are read only when they are regular files.

#include <QByteArray>
#include <string>

#include "format/FlnRecords.h"
#include "library/FlnAppendSession.h"
#include "library/FlnResult.h"
#include "transfer/ImportFailure.h"

/// The largest metadata text file an import reads: far more than every
/// field of an entry takes, and small enough that a stray huge file named
/// like one costs neither time nor memory.
constexpr int64_t kFlxMaxSize = 64 * 1024;

/// Which file was read and how it looked: any write to it since, or another
/// file under its name, gives another stamp.
struct ImportFileStamp {
  uint64_t device = 0, inode = 0, size = 0;
  int64_t mtimeSec = 0, mtimeNsec = 0, ctimeSec = 0, ctimeNsec = 0;
  bool operator==(const ImportFileStamp& o) const {
    return device == o.device && inode == o.inode && size == o.size && mtimeSec == o.mtimeSec &&
           mtimeNsec == o.mtimeNsec && ctimeSec == o.ctimeSec && ctimeNsec == o.ctimeNsec;
  }
  bool operator!=(const ImportFileStamp& o) const { return !(*this == o); }
};
/// The stamp of the open file `fd`; false when it cannot be had.
bool StampOfImportFile(int fd, ImportFileStamp* stamp);

/// Reads the whole regular file at `path` (following a symbolic link) into
/// `bytes` and returns true, with the file's stamp from before the read in
/// `stamp` when given. Otherwise false with `failure` saying why:
/// FileUnreadable (with errno; also for a file cut while being read),
/// NotAFile for a folder, pipe or device (never waited on), LibraryFull for a
/// file too large ever to be stored in a library, OutOfMemory.
bool ReadImportFile(const std::string& path, QByteArray* bytes, ImportFailure* failure,
                    ImportFileStamp* stamp = nullptr);

/// Stores `bytes`, read by ReadImportFile from the file at `path` whose
/// stamp was `readStamp` before the read, as the next PDF of `session`
/// (FlnAppendSession::storeFrom): copied from the file inside the kernel
/// while it is still as it was read, else written from `bytes`, so that what
/// is stored is what the import read, digested and checked. The session's
/// result; on success *dataIndex is the PDF's member of 'ATTD'.
FlnResult StoreReadImportFile(FlnAppendSession* session, const std::string& path, const ImportFileStamp& readStamp,
                              const QByteArray& bytes, int32_t* dataIndex);

/// Whether `bytes` begin as a PDF does: the header "%PDF-" within the first
/// 1024 bytes (readers accept a little junk before it). An empty file, a text
/// file or an image named ".pdf" does not.
bool LooksLikePdf(const QByteArray& bytes);

enum class FlxRead {
  Absent,   // no metadata text file beside the PDF; the entry is untouched
  Read,     // the entry was filled from it (FillEntry_FromFLXText)
  Refused,  // there is one, but it cannot be used; the failure says why
};

/// Reads the metadata text file beside the PDF at `pdfPath` into `entry`.
/// Refused, with `failure` naming the metadata text file: one that is not a
/// regular file (NotAFile), is larger than kFlxMaxSize (FlxTooLarge) or
/// cannot be opened or read (FileUnreadable, with errno); and, naming the
/// PDF, one whose text is not UTF-8 (MetadataNotUtf8). The entry is left as
/// it was unless the result is Read.
FlxRead ReadImportFlx(const std::string& pdfPath, FLN_ENTRY* entry, ImportFailure* failure);
