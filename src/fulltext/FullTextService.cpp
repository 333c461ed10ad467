#include "fulltext/FullTextService.h"

#include <QMetaObject>
#include <map>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

// Lowers the calling thread's scheduling priority (Linux keeps a nice value
// per thread, and threads started from it inherit it), so that extraction
// on every core leaves the window's thread the processor whenever it needs
// it. QThread's own priorities do not act under Linux's default scheduler.
void YieldToTheWindow() {
  constexpr int kNice = 10;
  const auto thread = static_cast<id_t>(syscall(SYS_gettid));
  if (getpriority(PRIO_PROCESS, thread) < kNice) setpriority(PRIO_PROCESS, thread, kNice);
}

}  // namespace

FullTextService::FullTextService(const QString& indexPath, const QString& libraryPath, QObject* parent)
    : QObject(parent),
      _indexPath(indexPath),
      _libraryPath(libraryPath.toStdString()),
      _indexContext(std::make_unique<QObject>()),
      _searchContext(std::make_unique<QObject>()) {
  _indexThread.setObjectName(QStringLiteral("full-text indexing"));
  _searchThread.setObjectName(QStringLiteral("full-text search"));
  _indexContext->moveToThread(&_indexThread);
  _searchContext->moveToThread(&_searchThread);
  _indexThread.start();
  _searchThread.start();
}

FullTextService::~FullTextService() {
  _cancel = true;
  _indexThread.quit();
  _searchThread.quit();
  _indexThread.wait();
  _searchThread.wait();
}

void FullTextService::update(std::vector<FullTextEntry> entries) {
  _entries = entries;
  if (_running) {
    // The current run stops soon; runEnded then starts this one.
    _queued = std::move(entries);
    _cancel = true;
    return;
  }
  startRun(std::move(entries));
}

void FullTextService::stop() {
  _queued.reset();
  if (_running) _cancel = true;
}

void FullTextService::startRun(std::vector<FullTextEntry> entries) {
  _running = true;
  _cancel = false;
  QMetaObject::invokeMethod(
      _indexContext.get(), [this, entries = std::move(entries)] { runIndexing(entries); }, Qt::QueuedConnection);
}

void FullTextService::runIndexing(const std::vector<FullTextEntry>& entries) {
  YieldToTheWindow();
  QString error, notice;
  const auto finish = [this](bool complete, const QString& why) {
    QMetaObject::invokeMethod(this, [this, complete, why] { runEnded(complete, why); }, Qt::QueuedConnection);
  };
  if (!_indexDb.isOpen()) {
    const bool opened = _indexDb.open(_indexPath, &notice, &error);
    tellNotice(notice);
    if (!opened) return finish(false, error);
  }
  // A query found the file damaged that is open here: made afresh, unless
  // that happened meanwhile.
  if (_remakeOf.exchange(-1) == _generation) {
    const bool remade = _indexDb.remake(&notice, &error);
    tellNotice(notice);
    if (!remade) return finish(false, error);
  }
  int done = 0, total = 0;
  const auto report = [this, &done, &total](const FullTextProgress& step) {
    done = step.done;
    total = step.total;
    _progress = static_cast<uint64_t>(static_cast<uint32_t>(step.done)) << 32 | static_cast<uint32_t>(step.total);
    if (_progressPosted.exchange(true)) return;  // the waiting signal takes these figures
    QMetaObject::invokeMethod(
        this,
        [this] {
          _progressPosted = false;
          const uint64_t latest = _progress;
          emit indexingProgress(static_cast<int>(latest >> 32), static_cast<int>(latest & 0xFFFFFFFFu));
        },
        Qt::QueuedConnection);
  };
  const bool ok = SyncFullTextIndex(
      &_indexDb, _libraryPath, [&entries](const auto& held) { return PlanFullTextWork(entries, held); }, report,
      &_cancel, &notice, &error);
  tellNotice(notice);
  finish(ok && done == total, ok ? QString() : error);
}

void FullTextService::tellNotice(const QString& notice) {
  if (notice.isEmpty()) return;
  // Every notice tells of a file made afresh.
  ++_generation;
  QMetaObject::invokeMethod(this, [this, notice] { emit noticed(notice); }, Qt::QueuedConnection);
}

void FullTextService::runEnded(bool complete, const QString& error) {
  _running = false;
  if (_queued) {
    std::vector<FullTextEntry> next = std::move(*_queued);
    _queued.reset();
    startRun(std::move(next));
    return;
  }
  emit indexingFinished(complete, error);
}

void FullTextService::search(const QString& query) {
  _wantedQuery = query;
  dispatchSearch();
}

void FullTextService::dispatchSearch() {
  if (_searching || _wantedQuery.isNull()) return;
  _searching = true;
  QMetaObject::invokeMethod(
      _searchContext.get(), [this, query = _wantedQuery] { runSearch(query); }, Qt::QueuedConnection);
}

void FullTextService::runSearch(const QString& query) {
  std::vector<FullTextIndex::EntryHits> results;
  QString error;
  // The indexing thread made the file afresh since this connection opened.
  if (_searchDb.isOpen() && _searchGeneration != _generation) _searchDb.close();
  bool damaged = false;
  if (!_searchDb.isOpen()) {
    _searchGeneration = _generation;
    // Without an index yet there is nothing to find; the next query tries
    // again.
    _searchDb.openForSearching(_indexPath, &error);
  }
  if (_searchDb.isOpen() && !_searchDb.search(query, &results, &error) && _searchDb.damaged()) {
    // Nothing is found in it until it is made again; the remade file is
    // opened by the next query.
    damaged = true;
    _searchDb.close();
    results.clear();
    error.clear();
  }
  const int generation = _searchGeneration;
  QMetaObject::invokeMethod(
      this,
      [this, query, results = std::move(results), error, damaged, generation] {
        if (damaged) remakeIndex(generation);
        searchEnded(query, results, error);
      },
      Qt::QueuedConnection);
}

void FullTextService::remakeIndex(int generation) {
  _remakeOf = generation;
  if (!_entries) return;  // the first update() remakes it
  update(*_entries);
}

void FullTextService::searchEnded(const QString& query, const std::vector<FullTextIndex::EntryHits>& results,
                                  const QString& error) {
  _searching = false;
  if (query != _wantedQuery) {
    dispatchSearch();
    return;
  }
  emit searchFinished(query, results, error);
}
