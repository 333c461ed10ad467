#include "pdfview/PdfDocumentWorker.h"

#include <cerrno>

PdfDocumentWorker::PdfDocumentWorker(bool opensAtOnce, QObject* parent)
    : QObject(parent), _opensAtOnce(opensAtOnce) {
  sem_init(&_wake, 0, 0);
}

PdfDocumentWorker::~PdfDocumentWorker() {
  // The derived class has stopped the thread; this is for one that failed
  // before it could.
  stop();
  sem_destroy(&_wake);
}

void PdfDocumentWorker::wake() {
  // One post is enough while the thread has not taken the last: it looks at
  // all there is to do after taking it.
  if (!_wakePosted.exchange(true)) sem_post(&_wake);
}

void PdfDocumentWorker::sleep() {
  while (sem_wait(&_wake) != 0 && errno == EINTR) {
  }
  // Before looking at the work: a wake() from now on posts again.
  _wakePosted.store(false);
}

void PdfDocumentWorker::start() { _thread = std::thread([this] { run(); }); }

void PdfDocumentWorker::stop() {
  if (!_thread.joinable()) return;
  {
    std::lock_guard<std::mutex> lock(_mutex);
    _stop = true;
  }
  wake();
  _thread.join();
}

void PdfDocumentWorker::setDocument(const PdfDocument* document) {
  std::unique_ptr<PdfDocument> previous;
  {
    std::unique_lock<std::mutex> lock(_mutex);
    // What is in progress is no longer delivered, and nothing starts until
    // the document is replaced: the worker may take the lock while this
    // waits, and would otherwise start on what is still there.
    ++_generation;
    _replacing = true;
    _idle.wait(lock, [this] { return !_busy; });
    dropWork(document);
    // The worker is idle: this thread may release its objects (the
    // document itself after the lock, as releasing it takes a while).
    forgetDocument();
    previous = std::move(_document);
    _bytes = document != nullptr ? document->bytes() : QByteArray();
    _password = document != nullptr ? document->password() : QString();
    _mustOpen = document != nullptr;
    _replacing = false;
  }
  wake();
}

void PdfDocumentWorker::run() {
  std::unique_lock<std::mutex> lock(_mutex);
  for (;;) {
    // A new document is opened first: at once, or when there is work for it.
    while (!(_stop || (!_replacing && ((_mustOpen && _opensAtOnce) || hasWork())))) {
      lock.unlock();
      sleep();
      lock.lock();
    }
    if (_stop) return;
    if (_mustOpen)
      openDocument(lock);
    else
      work(lock);
    _idle.notify_all();
  }
}

void PdfDocumentWorker::openDocument(std::unique_lock<std::mutex>& lock) {
  const QByteArray bytes = _bytes;
  const QString password = _password;
  const unsigned generation = _generation;
  _mustOpen = false;
  std::unique_ptr<PdfDocument> document = unlocked(lock, [&] {
    // It opened before, on the window's thread; when it does not now (out
    // of memory), the derived worker does without rather than retrying.
    std::unique_ptr<PdfDocument> opened = PdfDocument::Open(bytes, password).document;
    if (opened != nullptr) prepare(opened.get());
    return opened;
  });
  if (generation != _generation) {
    // setDocument waited for this and started over: release it outside the lock.
    lock.unlock();
    document.reset();
    lock.lock();
    return;
  }
  _document = std::move(document);
  documentOpened();
}
