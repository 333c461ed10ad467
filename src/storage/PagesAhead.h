#pragma once
// Memory pages made ready on a second thread just ahead of a reader that
// fills a new block from its front. The reading thread makes it and tells
// it of its progress.
//
// The first write to each page of fresh memory costs a fault in which the
// system finds and clears the page. Where the system's memory is ready, that
// costs less than copying the bytes in, and clearing a page just before the
// reader writes it keeps it in the processor's cache: the reader does best
// alone. Where it is not (a virtual machine whose host takes back the pages
// the system left free, and gives them again only page by page) the faults
// cost many times the reading, and a second thread that takes them ahead of
// the reader halves the wait on two processors.

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
  /// Bytes per nanosecond of the reading thread's processor time (GB/s)
  /// below which a step of the reader counts as slow: a reader whose pages
  /// come readily goes several times faster. Processor time, not the time
  /// that passed: a reader that waits for the disk or for a processor is
  /// not helped by a thread.
  static constexpr double kSlowPace = 1.5;

  enum class Start {
    Now,       // the thread starts at once
    WhenSlow,  // the thread starts after the first whole step of the reader
               // (readerStep bytes or more) that filled bytes at less than kSlowPace
  };

  /// Makes ready the pages of [begin, begin + size), which must stay
  /// allocated and in place until this is destroyed, for a reader that
  /// reports its progress (filledTo) at least every `readerStep` bytes. The
  /// pages of the reader's next step are its own: two threads that fault
  /// the same page each clear one, and one of those is thrown away. Starts
  /// no thread for a block under kSmallestBlock, nor when none can be had:
  /// the reader then takes its faults itself. Never changes a byte of the
  /// block.
  PagesAhead(unsigned char* begin, size_t size, size_t readerStep, Start start);
  /// For tests: while set, every PagesAhead made starts its thread at once
  /// (as with Start::Now), so that a load can be made to fill its block
  /// beside the thread whatever the pace of the memory.
  static void startAtOnceForTests(bool atOnce);
  /// Stops the thread (and waits for it).
  ~PagesAhead();
  PagesAhead(const PagesAhead&) = delete;
  PagesAhead& operator=(const PagesAhead&) = delete;

  /// The reader has filled the block's first `bytes` bytes: pages are made
  /// ready from `readerStep` to kAhead past them, once the thread runs.
  void filledTo(size_t bytes);
  /// Whether the thread was started.
  bool started() const { return thread_.joinable(); }
  /// Bytes from the block's start up to where pages are made ready (0 when
  /// no thread runs); never more than the last filledTo plus kAhead.
  size_t readyTo();

 private:
  void startThread();
  void makeReady();

  unsigned char* const begin_;
  const size_t size_;
  const size_t readerStep_;
  const Start start_;
  // The reader's last report, by which the pace of its next step is told.
  double lastReportNs_;  // the reading thread's processor time then
  size_t lastFilled_ = 0;

  std::mutex mutex_;
  std::condition_variable moved_;  // the reader moved on, or stop
  size_t filled_ = 0;
  size_t ready_ = 0;
  bool stop_ = false;
  std::thread thread_;
};
