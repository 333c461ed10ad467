#pragma once
// Small reads of a file open for writing, served from a read-only shared
// mapping of it rather than one system call each.
//
// A save that rewrites one field of every entry reads each member's item
// record and then the old bytes of each field for the journal: hundreds of
// thousands of reads of a few bytes, scattered over the file. As system
// calls each costs a kernel entry and a page-cache lookup; through a mapping
// it is a copy, and the pages come in sixteen at a time.
//
// The mapping shows the page cache, so the process's own writes (pwrite)
// show through at once. What it cannot know is a change by another program:
// a file cut short under it, or a disk that fails to read a page, raises
// SIGBUS on the access. Every copy from the mapping is therefore guarded:
// such a fault ends the copy and the read reports an I/O error (EIO), as a
// failed pread would. The guard is a SIGBUS handler installed once per
// process; a fault outside a guarded copy goes on to whatever handled
// SIGBUS before (by default it ends the process, as it always did).

#include <cstddef>
#include <cstdint>

/// Copies `n` bytes from `from` to `to`, either of which may lie in a
/// mapping of a file, under the bus-error guard: false, with nothing more
/// copied, when a page could not be had (or the guard could not be set up,
/// in which case nothing is copied).
bool MappedCopy(void* to, const void* from, size_t n);

class MappedReads {
 public:
  MappedReads() = default;
  ~MappedReads();
  MappedReads(const MappedReads&) = delete;
  MappedReads& operator=(const MappedReads&) = delete;

  enum class Result {
    Copied,    // all n bytes are in the buffer
    NotServed, // read them with a system call instead (past the known end, too large, no mapping)
    Failed     // the mapped pages could not be read (errno is EIO)
  };
  /// Copies the `n` bytes of the file `fd` at `offset` into `buffer` when
  /// the file is known to hold them.
  Result read(int fd, uint64_t offset, void* buffer, size_t n);

  /// The process itself wrote (or copied) bytes up to `end`.
  void wroteUpTo(uint64_t end);
  /// The process itself cut or extended the file to `size` bytes.
  void resized(uint64_t size);

  /// Reads of this size or larger are left to the system call, which copies
  /// long runs without a fault per sixteen pages.
  static constexpr size_t kLargestRead = 64 * 1024;

 private:
  bool cover(int fd, uint64_t end);
  void unmap();

  const unsigned char* base_ = nullptr;
  uint64_t length_ = 0;    // of the mapping, which may reach past the file's end
  uint64_t knownEnd_ = 0;  // the file holds at least this many bytes, as far as this process knows
  bool refused_ = false;   // the file cannot be mapped: every read goes to the system call
};
