#pragma once
// The one narrow seam through which every container file is read and written.
// Positioned reads and writes (pread/pwrite) keep no file pointer, so a handle
// never depends on where an earlier call left off.
//
// A stream opened for writing can hold its overwrites: from holdOverwrites()
// on, bytes written over the file's existing content stay in memory (reads
// see them) until the commit (ZelJournal.h) has saved the old bytes in the
// rollback journal; bytes written past the old end go straight to the file.
//
// Tests use FileFaults to make the N-th read, write or flush fail, either
// once (an I/O error) or from then on (the process "dies": nothing more
// reaches the disk), or to kill the process right after the N-th write or
// flush, and then check what the file holds.

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "storage/HeldWrites.h"
#include "storage/MappedReads.h"

enum class FileOpenMode {
  ReadOnly,        // existing file, reading only
  ReadWrite,       // existing file, reading and writing, no truncation
  CreateExclusive  // new file for reading and writing; fails if it exists
};

class FileStream {
 public:
  /// Opens `path`; returns null (and sets errno) when it cannot be opened.
  static FileStream* open(const char* path, FileOpenMode mode);
  ~FileStream();
  FileStream(const FileStream&) = delete;
  FileStream& operator=(const FileStream&) = delete;

  /// Reads up to `n` bytes at `offset`; returns the count read (short at end of file or on error).
  size_t readAt(uint64_t offset, void* buffer, size_t n);
  /// Reads the `count` parts (count <= IOV_MAX) that lie one after another
  /// in the file from `offset` on, each into its own buffer, in one
  /// vectored read (more only when the system hands out less). Returns the
  /// bytes read, short at end of file or on error. Goes past the read-ahead:
  /// it is for long runs read straight to where they belong.
  size_t readScattered(uint64_t offset, const struct iovec* parts, int count);
  /// Writes `n` bytes at `offset`; returns true only when every byte was
  /// written (or held, for bytes below the held size).
  bool writeAt(uint64_t offset, const void* buffer, size_t n);
  /// Writes `n` bytes that the regular file `sourceFd` holds at
  /// `sourceOffset` to `offset`, which must lie at or past the held size
  /// (appends only). The bytes are copied inside the kernel
  /// (copy_file_range) where the two file systems allow it, else read and
  /// written here. Counts as one write for FileFaults. True only when every
  /// byte was copied; false with errno otherwise (EIO when the source ended
  /// early, EINVAL for an offset below the held size).
  bool copyFrom(int sourceFd, uint64_t sourceOffset, uint64_t offset, uint64_t n);
  /// Flushes the file's data and size to the disk (fdatasync); false, with
  /// errno, when the disk did not take them.
  bool sync();
  /// The path the stream was opened with.
  const std::string& path() const { return path_; }
  /// Current size of the file in bytes, or -1 when it cannot be found.
  int64_t size();
  /// Cuts or extends the file to `size` bytes; false on failure.
  bool truncate(uint64_t size);

  /// Which file this is and how it looked: a change by anyone (size or
  /// modification time) or another file under the same name gives another stamp.
  struct Stamp {
    uint64_t device = 0, inode = 0, size = 0;
    int64_t mtimeSec = 0, mtimeNsec = 0;
    bool operator==(const Stamp& o) const {
      return device == o.device && inode == o.inode && size == o.size && mtimeSec == o.mtimeSec &&
             mtimeNsec == o.mtimeNsec;
    }
  };
  /// The current stamp; false when it cannot be read.
  bool stamp(Stamp* out);

  /// From now on, holds writes to bytes below the current size (the held
  /// size) in memory. Whatever was held before is dropped.
  bool holdOverwrites();
  /// Forgets the held overwrites and stops holding.
  void dropHeld() {
    held_.clear();
    holding_ = false;
  }
  /// The file's size when holding began.
  uint64_t heldSize() const { return heldSize_; }
  /// Whether a write of `n` bytes at `offset` would be held whole, leaving
  /// the file on disk (and so its stamp) as it is.
  bool holdsWhole(uint64_t offset, uint64_t n) const {
    return holding_ && offset <= heldSize_ && n <= heldSize_ - offset;
  }
  /// The overwrites held since holdOverwrites().
  const HeldWrites& held() const { return held_; }
  /// Reads what the disk holds, without the held overwrites.
  size_t readOnDisk(uint64_t offset, void* buffer, size_t n) { return readThrough(offset, buffer, n); }
  /// Writes straight to the disk, past any holding.
  bool writeOnDisk(uint64_t offset, const void* buffer, size_t n);
  /// Writes every held overwrite to the disk in place, as writeOnDisk of
  /// each region in offset order would, each counting as one write. Many
  /// small regions go through a writable mapping of the span they lie in,
  /// one copy each instead of one system call each; a region the mapping
  /// cannot take (a bus error) is written with the system call, which tells
  /// the reason when it fails. True when every region was written; false,
  /// with errno, at the first that was not.
  bool writeHeldInPlace();

 private:
  FileStream(int fd, bool readOnly, std::string path) : fd_(fd), readOnly_(readOnly), path_(std::move(path)) {}
  size_t readThrough(uint64_t offset, void* buffer, size_t n);

  int fd_;
  bool readOnly_;
  std::string path_;
  bool holding_ = false;
  uint64_t heldSize_ = 0;
  HeldWrites held_;
  // Read-only streams read ahead for the many small record reads of a chain
  // walk: members of a tag lie close together, so one larger read serves the
  // next ones too. Each operation opens, uses and closes its own handle, so
  // no other writer changes the file while a read-only handle is open.
  std::vector<unsigned char> ahead_;
  uint64_t aheadStart_ = 0;
  // Read-write streams serve their small reads (item records, the old
  // bytes a journal keeps) from a mapping instead (MappedReads.h).
  MappedReads mapped_;
};

/// Forces a folder's entries (a file created, renamed or removed in it) to
/// the disk; false, with errno, when it cannot.
bool SyncFolder(const std::string& folder);
/// The folder that holds `path` ("." for a bare name).
std::string FolderOf(const std::string& path);

/// Fault injection for tests. Counters are process-wide and count calls made
/// after the last arm / reset(). Writes are every write a caller makes, held
/// or not, and every write the commit makes (journal and held regions).
/// Flushes are file and folder flushes alike.
struct FileFaults {
  enum class Kind { Once, FromThenOn };
  /// The `n`-th write from now (1-based) fails with errno `error`; with
  /// FromThenOn every later write fails too.
  static void failWrite(long n, Kind kind, int error);
  /// failWrite with EIO, the error of a failing disk.
  static void failWrite(long n, Kind kind) { failWrite(n, kind, EIO); }
  /// The `n`-th read from now (1-based) fails (returns 0 bytes).
  static void failRead(long n, Kind kind);
  /// The `n`-th flush from now (1-based) fails; with FromThenOn every later
  /// write and flush fails too.
  static void failFlush(long n, Kind kind);
  /// The process kills itself (SIGKILL) right after the `n`-th write, or
  /// the `n`-th flush, from now has reached the file.
  static void killAfterWrite(long n);
  static void killAfterFlush(long n);
  /// Turns all faults off and clears the counters.
  static void reset();
  /// Number of writes attempted since the last reset (whether they failed or not).
  static long writesSeen();
  /// Number of flushes attempted since the last reset.
  static long flushesSeen();
  /// Number of reads attempted since the last reset.
  static long readsSeen();
};
