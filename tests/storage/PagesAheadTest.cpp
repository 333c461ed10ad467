#include "storage/PagesAhead.h"

#include <gtest/gtest.h>
#include <sys/mman.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <thread>
#include <vector>

namespace {

constexpr size_t kMiB = size_t{1} << 20;

// A fresh anonymous block of `size` bytes starting at a 2 MiB boundary, none
// of whose pages is in memory yet. Small pages only, so that which pages are
// in memory is told page by page.
class FreshBlock {
 public:
  explicit FreshBlock(size_t size) : size_(size) {
    mapped_ = ::mmap(nullptr, size + 2 * kMiB, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped_ == MAP_FAILED) return;
    const uintptr_t at = (reinterpret_cast<uintptr_t>(mapped_) + 2 * kMiB - 1) & ~uintptr_t{2 * kMiB - 1};
    bytes_ = reinterpret_cast<unsigned char*>(at);
    ::madvise(bytes_, size, MADV_NOHUGEPAGE);
  }
  ~FreshBlock() {
    if (mapped_ != MAP_FAILED) ::munmap(mapped_, size_ + 2 * kMiB);
  }
  unsigned char* bytes() const { return bytes_; }

  // Pages of [from, to) that are in memory.
  size_t pagesIn(size_t from, size_t to) const {
    const size_t page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
    std::vector<unsigned char> in((to - from + page - 1) / page);
    if (to <= from || ::mincore(bytes_ + from, to - from, in.data()) != 0) return 0;
    size_t n = 0;
    for (unsigned char c : in) n += c & 1;
    return n;
  }
  size_t pages(size_t from, size_t to) const { return (to - from) / static_cast<size_t>(sysconf(_SC_PAGESIZE)); }

 private:
  size_t size_;
  void* mapped_ = MAP_FAILED;
  unsigned char* bytes_ = nullptr;
};

// Waits until the pages are ready up to `bytes` (a wait for progress, with
// a bound far beyond what it takes); false when they never are.
bool ReadyTo(PagesAhead& ahead, size_t bytes) {
  for (int i = 0; i < 20000 && ahead.readyTo() < bytes; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  return ahead.readyTo() >= bytes;
}

uint8_t PatternAt(size_t offset) { return static_cast<uint8_t>(offset * 7 + offset / 4096); }

// As the reader reports its progress, pages are made ready from past its
// next step to kAhead past it and never further, and pages it passed before
// they were made ready are left to it. The test itself writes no byte of the
// block.
TEST(PagesAhead, MakesReadyThePagesJustAheadOfTheReaderAndNoFurther) {
  constexpr size_t kSize = 80 * kMiB;
  static_assert(PagesAhead::kAhead == 32 * kMiB, "the steps below are drawn for this window");
  FreshBlock block(kSize);
  ASSERT_NE(block.bytes(), nullptr);
  constexpr size_t kStep = 4 * kMiB;  // the reader's step
  PagesAhead ahead(block.bytes(), kSize, kStep, PagesAhead::Start::Now);
  struct Range {
    size_t from, to;
  };
  const struct {
    size_t filled;            // the reader's report
    size_t readyTo;           // where the pages are then ready to
    std::vector<Range> in;    // the pages in memory then
    std::vector<Range> out;   // and those that are not
  } steps[] = {
      // the reader's step [0, 4) is its own
      {0, 32 * kMiB, {{kStep, 32 * kMiB}}, {{0, kStep}, {32 * kMiB, kSize}}},
      // the reader passed [32, 40) before it was made ready, and [40, 44) is its next step
      {40 * kMiB, 72 * kMiB, {{kStep, 32 * kMiB}, {44 * kMiB, 72 * kMiB}}, {{0, kStep}, {32 * kMiB, 44 * kMiB}, {72 * kMiB, kSize}}},
      {60 * kMiB, kSize, {{kStep, 32 * kMiB}, {44 * kMiB, kSize}}, {{0, kStep}, {32 * kMiB, 44 * kMiB}}},
  };
  for (const auto& s : steps) {
    SCOPED_TRACE(s.filled / kMiB);
    ahead.filledTo(s.filled);
    ASSERT_TRUE(ReadyTo(ahead, s.readyTo));
    EXPECT_EQ(ahead.readyTo(), s.readyTo) << "never more than kAhead past the reader";
    for (const Range& r : s.in) EXPECT_EQ(block.pagesIn(r.from, r.to), block.pages(r.from, r.to)) << r.from / kMiB;
    for (const Range& r : s.out) EXPECT_EQ(block.pagesIn(r.from, r.to), 0u) << r.from / kMiB;
  }
}

// Spends `ms` milliseconds of this thread's processor time.
void BusyFor(double ms) {
  const auto used = [] {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
  };
  const double until = used() + ms;
  while (used() < until) {
  }
}

// A reader whose pages come readily does best alone: asked to, the thread
// waits for a whole step that took the reader more processor time than
// kSlowPace allows (not merely more time: waiting is no work the thread
// could take), then makes ready the pages ahead of it.
TEST(PagesAhead, WhenAskedStartsAtTheReadersFirstSlowStep) {
  constexpr size_t kSize = 80 * kMiB, kStep = 2 * kMiB;
  FreshBlock block(kSize);
  ASSERT_NE(block.bytes(), nullptr);
  PagesAhead ahead(block.bytes(), kSize, kStep, PagesAhead::Start::WhenSlow);
  EXPECT_FALSE(ahead.started());
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  ahead.filledTo(kStep);
  EXPECT_FALSE(ahead.started()) << "a step that waited 50 ms but used little processor time";
  BusyFor(20);
  ahead.filledTo(kStep + kStep / 2);
  EXPECT_FALSE(ahead.started()) << "less than a step (the end of a short array) tells no pace";
  ahead.filledTo(2 * kStep);  // 2 MiB for over 20 ms of processor time: far below kSlowPace
  ASSERT_TRUE(ahead.started());
  ASSERT_TRUE(ReadyTo(ahead, 2 * kStep + PagesAhead::kAhead));
  EXPECT_EQ(block.pagesIn(3 * kStep, 2 * kStep + PagesAhead::kAhead),
            block.pages(3 * kStep, 2 * kStep + PagesAhead::kAhead));
  EXPECT_EQ(block.pagesIn(0, 3 * kStep), 0u) << "the reader's pages are its own";
}

// Blocks read in one go are left to the reader, however slowly it goes.
TEST(PagesAhead, SmallBlocksAreLeftToTheReader) {
  constexpr size_t kSize = PagesAhead::kSmallestBlock - 2 * kMiB;
  for (const PagesAhead::Start start : {PagesAhead::Start::Now, PagesAhead::Start::WhenSlow}) {
    FreshBlock block(kSize);
    ASSERT_NE(block.bytes(), nullptr);
    PagesAhead ahead(block.bytes(), kSize, kMiB, start);
    BusyFor(20);
    ahead.filledTo(kMiB);
    EXPECT_FALSE(ahead.started());
    EXPECT_EQ(ahead.readyTo(), 0u);
    EXPECT_EQ(block.pagesIn(0, kSize), 0u);
  }
}

// Bytes written before the thread starts, beside it and ahead of it all
// survive: making a page ready never writes it.
TEST(PagesAhead, NeverChangesAByteTheReaderWrote) {
  constexpr size_t kSize = 72 * kMiB, kPiece = 256 * 1024, kPage = 4096;
  FreshBlock block(kSize);
  ASSERT_NE(block.bytes(), nullptr);
  unsigned char* bytes = block.bytes();
  // Every seventh page is written out of turn: the first ones before the
  // thread starts, the others just inside the window it is making ready.
  const auto outOfTurn = [](size_t page) { return page % 7 == 3; };
  const auto writePage = [bytes](size_t page) {
    for (size_t i = page * kPage; i < (page + 1) * kPage; ++i) bytes[i] = PatternAt(i);
  };
  for (size_t page = 0; page < kPiece / kPage; ++page)
    if (outOfTurn(page)) writePage(page);
  {
    PagesAhead ahead(bytes, kSize, kPiece, PagesAhead::Start::Now);
    size_t early = kPiece / kPage;  // the next page written out of turn is at or after this one
    for (size_t filled = 0; filled < kSize; filled += kPiece) {
      for (size_t i = filled; i < filled + kPiece; ++i)
        if (!outOfTurn(i / kPage)) bytes[i] = PatternAt(i);
      const size_t reach = std::min(kSize, filled + kPiece + PagesAhead::kAhead) / kPage;
      for (; early < reach; ++early)
        if (outOfTurn(early)) writePage(early);
      ahead.filledTo(filled + kPiece);
    }
  }
  size_t wrong = 0;
  for (size_t i = 0; i < kSize; ++i) wrong += bytes[i] != PatternAt(i);
  EXPECT_EQ(wrong, 0u);
}

}  // namespace
