#include "pdfview/PdfDocumentWorker.h"

PdfDocumentWorker::PdfDocumentWorker(bool opensAtOnce, QObject* parent)
    : QObject(parent), _opensAtOnce(opensAtOnce) {}

PdfDocumentWorker::~PdfDocumentWorker() {
  // The derived class has stopped the thread; this is for one that failed
  // before it could.
  stop();
}

void PdfDocumentWorker::start() { _thread = std::thread([this] { run(); }); }

void PdfDocumentWorker::stop() {
  if (!_thread.joinable()) return;
  {
    std::lock_guard<std::mutex> lock(_mutex);
    _stop = true;
  }
  _wake.notify_all();
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
  _wake.notify_one();
}

void PdfDocumentWorker::run() {
  std::unique_lock<std::mutex> lock(_mutex);
  for (;;) {
    // A new document is opened first: at once, or when there is work for it.
    _wake.wait(lock, [this] { return _stop || (!_replacing && ((_mustOpen && _opensAtOnce) || hasWork())); });
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
