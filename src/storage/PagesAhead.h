#pragma once
// Memory pages made ready on a second thread just ahead of a reader that
// fills a new block from its front.
//
// The first write to each page of fresh memory costs a fault in which the
// system finds and clears the page; for a block of hundreds of megabytes
// that costs as much as the reading itself. While the reading thread copies
// records in, this one takes those faults a little ahead of it, so that on
// two processors the two costs overlap instead of adding up.

#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <thread>

class PagesAhead {
 public:
  /// Blocks smaller than this are filled too quickly to gain from a thread.
  static constexpr size_t kSmallestBlock = size_t{8} << 20;
  /// How far past the reader pages are made ready at most: memory the block
  /// may hold beyond what was read, which a reader that stops early gives
  /// back with the rest of its spare room.
  static constexpr size_t kAhead = size_t{32} << 20;

  /// Starts making ready the pages of [begin, begin + size), which must
  /// stay allocated and in place until this is destroyed. Starts nothing for
  /// a block under kSmallestBlock, nor when no thread can be had: the reader
  /// then takes its faults itself. Never changes a byte of the block.
  PagesAhead(unsigned char* begin, size_t size);
  /// Stops the thread (and waits for it).
  ~PagesAhead();
  PagesAhead(const PagesAhead&) = delete;
  PagesAhead& operator=(const PagesAhead&) = delete;

  /// The reader has filled the block's first `bytes` bytes: pages are made
  /// ready up to kAhead past them.
  void filledTo(size_t bytes);
  /// Bytes from the block's start up to where pages are made ready (0 when
  /// no thread runs); never more than the last filledTo plus kAhead.
  size_t readyTo();

 private:
  void makeReady();

  unsigned char* const begin_;
  const size_t size_;
  std::mutex mutex_;
  std::condition_variable moved_;  // the reader moved on, or stop
  size_t filled_ = 0;
  size_t ready_ = 0;
  bool stop_ = false;
  std::thread thread_;
};
