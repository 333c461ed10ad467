#pragma once
// The thread and the document of a worker that reads a PDF away from the
// window's thread (PdfRenderWorker, PdfTextWorker): one thread, one mutex
// guarding everything the window's thread and the worker share, and the
// worker's own document object, opened on its thread on the bytes of the
// document it is given (a document object is used by one thread at a time,
// so the window's stays free for the window).
//
// A derived worker keeps its queue of work under mutex(), says whether
// there is work (hasWork) and does one piece at a time (work), calling
// unlocked() around the part that reads the document. Results are
// delivered to the owner's thread with deliver(), which drops them when
// another document has been set since the work started.
//
// The thread sleeps on a semaphore, not on a condition of the mutex, so that
// wake() needs no lock: work handed over without the mutex (an atomic
// mailbox) wakes the thread without the owner's thread ever waiting for it.
//
// The derived class calls start() at the end of its constructor and stop()
// at the start of its destructor, so that the thread never sees a worker
// that is half made or half gone.

#include <QByteArray>
#include <QMetaObject>
#include <QObject>
#include <QString>
#include <semaphore.h>

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <type_traits>
#include <utility>

#include "pdfview/PdfDocument.h"

class PdfDocumentWorker : public QObject {
 public:
  /// A worker that opens a new document at once (`opensAtOnce`) or only
  /// when there is work for it.
  explicit PdfDocumentWorker(bool opensAtOnce, QObject* parent = nullptr);
  ~PdfDocumentWorker() override;

  /// Works on the PDF of `document` from now on (null: none); `document`
  /// itself is not used after this returns. Waits for the piece of work in
  /// progress, drops the work asked for (dropWork) and releases the previous
  /// document (forgetDocument first). Results about the previous document
  /// still on their way to the owner's thread are not delivered.
  void setDocument(const PdfDocument* document);

 protected:
  void start();
  /// Stops the thread after the piece of work in progress; waits for it.
  void stop();

  // Called on the worker's thread or in setDocument, with mutex() held:
  /// Whether there is work; a document not opened yet is opened first.
  virtual bool hasWork() const = 0;
  /// Does one piece of work (hasWork() was true). document() is null when
  /// no document is set or it did not open.
  virtual void work(std::unique_lock<std::mutex>& lock) = 0;
  /// Forgets the work asked for: another document is set.
  virtual void dropWork(const PdfDocument* next) = 0;
  /// The worker is idle and its document about to go: release what was
  /// made from it.
  virtual void forgetDocument() {}
  /// The worker's document has just opened (null when it did not).
  virtual void documentOpened() {}
  /// On the worker's thread, without the lock: prepares the newly opened
  /// `document` before it is taken into use.
  virtual void prepare(PdfDocument* /*document*/) {}

  std::mutex& mutex() const { return _mutex; }
  /// Tells the thread that work arrived, with or without the lock; never
  /// waits. A wake while the thread is working makes it look again after.
  void wake();
  /// The worker's own document (used on its thread); with mutex() held.
  PdfDocument* document() const { return _document.get(); }
  /// Raised by setDocument; with mutex() held, or without it on the owner's
  /// thread (the only one that raises it).
  unsigned generation() const { return _generation; }
  /// Whether stop() was called; with mutex() held.
  bool stopping() const { return _stop; }

  /// Runs `reading` (which may use document() but nothing else that
  /// mutex() guards) with the lock released; setDocument waits for it.
  template <typename Reading>
  auto unlocked(std::unique_lock<std::mutex>& lock, Reading reading) -> decltype(reading()) {
    _busy = true;
    lock.unlock();
    struct Relock {
      PdfDocumentWorker* worker;
      std::unique_lock<std::mutex>& lock;
      ~Relock() {
        lock.lock();
        worker->_busy = false;
      }
    } relock{this, lock};
    return reading();
  }

  /// Emits, on the owner's thread, what `emitting` emits, unless another
  /// document has been set since `generation` or `stillWanted` (called
  /// there with mutex() held) says no. Callable with or without the lock.
  template <typename Emitting, typename StillWanted>
  void deliver(unsigned generation, Emitting emitting, StillWanted stillWanted) {
    QMetaObject::invokeMethod(
        this,
        [this, generation, emitting = std::move(emitting), stillWanted = std::move(stillWanted)] {
          {
            std::lock_guard<std::mutex> lock(_mutex);
            if (generation != _generation || !stillWanted()) return;
          }
          emitting();
        },
        Qt::QueuedConnection);
  }
  /// The same without a question: the owner's thread does not take the
  /// lock, so that a result never waits for the worker.
  template <typename Emitting>
  void deliver(unsigned generation, Emitting emitting) {
    QMetaObject::invokeMethod(
        this,
        [this, generation, emitting = std::move(emitting)] {
          if (generation == _generation) emitting();
        },
        Qt::QueuedConnection);
  }

 private:
  void run();
  /// Sleeps until wake() (at once when it was called since the last sleep).
  void sleep();
  void openDocument(std::unique_lock<std::mutex>& lock);

  const bool _opensAtOnce;
  mutable std::mutex _mutex;
  sem_t _wake;                    // posted by wake(): work arrived, or stop
  std::atomic<bool> _wakePosted{false};  // _wake is posted and not yet taken
  std::condition_variable _idle;  // the piece of work in progress finished
  QByteArray _bytes;              // the PDF to open on the worker's thread
  QString _password;
  bool _mustOpen = false;                  // _bytes are not opened yet
  std::unique_ptr<PdfDocument> _document;  // the worker's own, used on its thread
  bool _busy = false;                      // working with the lock released
  bool _stop = false;
  bool _replacing = false;  // setDocument is waiting for the work in progress
  unsigned _generation = 0;  // changed on the owner's thread only, with the lock
  std::thread _thread;
};
