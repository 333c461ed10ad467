#include "storage/MappedReads.h"

#include <setjmp.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <mutex>

namespace {

// Where a guarded copy of this thread jumps back to on a bus error; null
// while the thread copies nothing from a mapping. Volatile, so that the
// compiler neither drops nor moves the stores around the copy, which it
// cannot see the handler read.
thread_local sigjmp_buf* volatile tGuard = nullptr;
struct sigaction gEarlier;  // how SIGBUS was handled before

void OnBusError(int signal, siginfo_t* info, void* context) {
  if (tGuard != nullptr) siglongjmp(*tGuard, 1);
  // Not a guarded copy: the fault is handled as it was before.
  if ((gEarlier.sa_flags & SA_SIGINFO) != 0 && gEarlier.sa_sigaction != nullptr) {
    gEarlier.sa_sigaction(signal, info, context);
  } else if (gEarlier.sa_handler != SIG_DFL && gEarlier.sa_handler != SIG_IGN) {
    gEarlier.sa_handler(signal);
  } else {
    // The default action: the faulting access runs again and ends the process.
    struct sigaction fallback {};
    fallback.sa_handler = SIG_DFL;
    sigemptyset(&fallback.sa_mask);
    sigaction(SIGBUS, &fallback, nullptr);
  }
}

bool GuardInstalled() {
  static std::once_flag once;
  static bool installed = false;
  std::call_once(once, [] {
    struct sigaction action {};
    action.sa_sigaction = OnBusError;
    // SA_NODEFER leaves SIGBUS unblocked after the jump back, so that the
    // guard needs no signal mask saved and restored around each copy.
    action.sa_flags = SA_SIGINFO | SA_NODEFER;
    sigemptyset(&action.sa_mask);
    installed = sigaction(SIGBUS, &action, &gEarlier) == 0;
  });
  return installed;
}

// memcpy to or from a mapping that comes back false instead of ending the
// process when a page cannot be had.
bool GuardedCopy(void* to, const void* from, size_t n) {
  sigjmp_buf jump;
  if (sigsetjmp(jump, 0) != 0) {
    tGuard = nullptr;
    return false;
  }
  tGuard = &jump;
  std::atomic_signal_fence(std::memory_order_seq_cst);
  std::memcpy(to, from, n);
  std::atomic_signal_fence(std::memory_order_seq_cst);
  tGuard = nullptr;
  return true;
}

constexpr uint64_t kRoom = 64ull << 20;  // mapped past the end, for the appends that follow

}  // namespace

bool MappedCopy(void* to, const void* from, size_t n) { return GuardInstalled() && GuardedCopy(to, from, n); }

MappedReads::~MappedReads() { unmap(); }

void MappedReads::unmap() {
  if (base_ != nullptr) munmap(const_cast<unsigned char*>(base_), static_cast<size_t>(length_));
  base_ = nullptr;
  length_ = knownEnd_ = 0;
}

// Makes the mapping cover [0, end) of a file known to hold that much; false
// when the file is shorter or cannot be mapped.
bool MappedReads::cover(int fd, uint64_t end) {
  struct stat st;
  if (fstat(fd, &st) != 0 || static_cast<uint64_t>(st.st_size) < end) return false;
  const uint64_t size = static_cast<uint64_t>(st.st_size);
  if (size <= length_) {
    knownEnd_ = size;
    return true;
  }
  unmap();
  // Room to grow: the appends of a save are read back without a new mapping.
  const uint64_t length = size + std::max(size, kRoom);
  void* base = mmap(nullptr, static_cast<size_t>(length), PROT_READ, MAP_SHARED, fd, 0);
  if (base == MAP_FAILED) {
    refused_ = true;
    return false;
  }
  base_ = static_cast<const unsigned char*>(base);
  length_ = length;
  knownEnd_ = size;
  return true;
}

MappedReads::Result MappedReads::read(int fd, uint64_t offset, void* buffer, size_t n) {
  if (refused_ || n == 0 || n >= kLargestRead || !GuardInstalled()) return Result::NotServed;
  const uint64_t end = offset + n;
  if (end < offset) return Result::NotServed;
  if (end > knownEnd_ && !cover(fd, end)) return Result::NotServed;
  if (GuardedCopy(buffer, base_ + offset, n)) return Result::Copied;
  // The file changed under the mapping (cut short by someone) or a page
  // could not be read: nothing the mapping holds is trusted any more.
  unmap();
  errno = EIO;
  return Result::Failed;
}

void MappedReads::wroteUpTo(uint64_t end) {
  if (base_ != nullptr && end > knownEnd_) knownEnd_ = std::min(end, length_);
}

void MappedReads::resized(uint64_t size) {
  if (size < knownEnd_) knownEnd_ = size;
}
