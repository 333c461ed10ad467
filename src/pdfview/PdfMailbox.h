#pragma once
// The latest request of one kind, handed from the window's thread to a
// worker without a lock: put() replaces a request not taken yet, take()
// empties the box. Neither waits for the other thread, so the window's
// thread never waits for a worker that holds its lock (and may itself be
// waiting for a processor). The owner's thread puts; the worker takes.

#include <atomic>
#include <memory>
#include <utility>

template <typename Request>
class PdfMailbox {
 public:
  PdfMailbox() = default;
  PdfMailbox(const PdfMailbox&) = delete;
  PdfMailbox& operator=(const PdfMailbox&) = delete;
  ~PdfMailbox() { delete _latest.exchange(nullptr); }

  /// Puts `request` in the box, dropping the one there.
  void put(Request request) { delete _latest.exchange(new Request(std::move(request))); }
  /// The request in the box, which is then empty; null when it was.
  std::unique_ptr<Request> take() { return std::unique_ptr<Request>(_latest.exchange(nullptr)); }
  bool holdsRequest() const { return _latest.load() != nullptr; }
  /// The request in the box, left there; only while no other thread can
  /// take it or put another (the worker's lock held, on the owner's thread).
  const Request* peek() const { return _latest.load(); }

 private:
  std::atomic<Request*> _latest{nullptr};
};
