#include "storage/PagesAhead.h"

#include <sys/mman.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <system_error>

namespace {

// Pages are made ready 2 MiB at a time, at 2 MiB boundaries, so that each
// step can be one large page where the block has them.
constexpr uintptr_t kStep = uintptr_t{2} << 20;

uintptr_t AlignDown(uintptr_t at, uintptr_t to) { return at & ~(to - 1); }
uintptr_t AlignUp(uintptr_t at, uintptr_t to) { return AlignDown(at + to - 1, to); }

std::atomic<bool> gStartAtOnce{false};

// The processor time the calling thread has used, in nanoseconds.
double ThreadProcessorNs() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) * 1e9 + static_cast<double>(t.tv_nsec);
}

}  // namespace

PagesAhead::PagesAhead(unsigned char* begin, size_t size, size_t readerStep, Start start)
    : begin_(begin), size_(size), readerStep_(readerStep), start_(start),
      lastReportNs_(ThreadProcessorNs()) {
  if (start == Start::Now || gStartAtOnce) startThread();
}

void PagesAhead::startAtOnceForTests(bool atOnce) { gStartAtOnce = atOnce; }

PagesAhead::~PagesAhead() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
  }
  moved_.notify_one();
  if (thread_.joinable()) thread_.join();
}

void PagesAhead::startThread() {
  if (size_ < kSmallestBlock || thread_.joinable()) return;
  try {
    thread_ = std::thread(&PagesAhead::makeReady, this);
  } catch (const std::system_error&) {
    // No thread: the reader meets every fault itself, as without this.
  }
}

void PagesAhead::filledTo(size_t bytes) {
  bytes = std::min(bytes, size_);
  {
    std::lock_guard<std::mutex> lock(mutex_);
    filled_ = std::max(filled_, bytes);
  }
  if (thread_.joinable()) {
    moved_.notify_one();
    return;
  }
  // Only whole steps tell the pace: the last one of a short array, a few
  // records after the walk to its first, would look slow.
  if (start_ != Start::WhenSlow || bytes < lastFilled_ + readerStep_) return;
  const double now = ThreadProcessorNs();
  const bool slow = static_cast<double>(bytes - lastFilled_) < (now - lastReportNs_) * kSlowPace;
  lastReportNs_ = now;
  lastFilled_ = bytes;
  if (slow) startThread();
}

size_t PagesAhead::readyTo() {
  std::lock_guard<std::mutex> lock(mutex_);
  return ready_;
}

// Only whole pages inside the block are made ready. When the reader has
// overtaken this thread, it goes on from past the reader's next step rather
// than fault the pages the reader is about to. Making a page ready as
// for a write leaves its bytes as they are (a page already there is not
// touched), so the reader may fill the same pages at the same time.
void PagesAhead::makeReady() {
  const uintptr_t page = static_cast<uintptr_t>(sysconf(_SC_PAGESIZE));
  const uintptr_t base = reinterpret_cast<uintptr_t>(begin_);
  const uintptr_t last = AlignDown(base + size_, page);
  uintptr_t at = AlignUp(base, page);
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    at = std::max(at, AlignUp(base + filled_ + readerStep_, page));  // the reader's own pages
    if (stop_ || at >= last) return;
    const uintptr_t end = std::min({last, AlignDown(base + filled_ + kAhead, page), AlignDown(at + kStep, kStep)});
    if (end <= at) {
      moved_.wait(lock);
      continue;
    }
    lock.unlock();
    // Systems without MADV_POPULATE_WRITE refuse it: the reader then meets
    // the faults itself, as it does where memory has run out.
    const bool made = ::madvise(reinterpret_cast<void*>(at), end - at, MADV_POPULATE_WRITE) == 0;
    lock.lock();
    if (!made) return;
    at = end;
    ready_ = at - base;
  }
}
