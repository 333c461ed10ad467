#pragma once
// The one narrow seam through which every container file is read and written.
// Positioned reads and writes (pread/pwrite) keep no file pointer, so a handle
// never depends on where an earlier call left off.
//
// Tests use FileFaults to make the N-th read or write fail, either once (an
// I/O error) or from then on (the process "dies": nothing more reaches the
// disk), and then check what the file holds.

#include <cstddef>
#include <cstdint>
#include <vector>

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
  /// Writes `n` bytes at `offset`; returns true only when every byte was written.
  bool writeAt(uint64_t offset, const void* buffer, size_t n);
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

 private:
  FileStream(int fd, bool readOnly) : fd_(fd), readOnly_(readOnly) {}
  size_t readThrough(uint64_t offset, void* buffer, size_t n);

  int fd_;
  bool readOnly_;
  // Read-only streams read ahead for the many small record reads of a chain
  // walk: members of a tag lie close together, so one larger read serves the
  // next ones too. Each operation opens, uses and closes its own handle, so
  // no other writer changes the file while a read-only handle is open.
  std::vector<unsigned char> ahead_;
  uint64_t aheadStart_ = 0;
};

/// Fault injection for tests. Counters are process-wide and count calls made
/// after the last arm() / reset().
struct FileFaults {
  enum class Kind { Once, FromThenOn };
  /// The `n`-th write from now (1-based) fails; with FromThenOn every later write fails too.
  static void failWrite(long n, Kind kind);
  /// The `n`-th read from now (1-based) fails (returns 0 bytes).
  static void failRead(long n, Kind kind);
  /// Turns all faults off and clears the counters.
  static void reset();
  /// Number of writes attempted since the last reset (whether they failed or not).
  static long writesSeen();
};
