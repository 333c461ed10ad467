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
  QString error;
  const auto finish = [this](bool complete, const QString& why) {
    QMetaObject::invokeMethod(this, [this, complete, why] { runEnded(complete, why); }, Qt::QueuedConnection);
  };
  if (!_indexDb.isOpen()) {
    QString notice;
    const bool opened = _indexDb.open(_indexPath, &notice, &error);
    if (!notice.isEmpty())
      QMetaObject::invokeMethod(this, [this, notice] { emit noticed(notice); }, Qt::QueuedConnection);
    if (!opened) return finish(false, error);
  }
  std::map<int32_t, FullTextIndex::Document> held;
  if (!_indexDb.documents(&held, &error)) return finish(false, error);
  const FullTextWork work = PlanFullTextWork(entries, held);
  const int total = static_cast<int>(work.pending.size());
  int done = 0;
  const auto report = [this, &done](const FullTextProgress& step) {
    done = step.done;
    QMetaObject::invokeMethod(
        this, [this, step] { emit indexingProgress(step.done, step.total); }, Qt::QueuedConnection);
  };
  if (total > 0) report(FullTextProgress{0, total, QString()});
  const bool ok = RunFullTextWork(&_indexDb, _libraryPath, work, report, &_cancel, &error);
  finish(ok && done == total, ok ? QString() : error);
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
  // Without an index yet there is nothing to find; the next query tries
  // again.
  if (_searchDb.isOpen() || _searchDb.openForSearching(_indexPath, &error))
    _searchDb.search(query, &results, &error);
  QMetaObject::invokeMethod(
      this, [this, query, results = std::move(results), error] { searchEnded(query, results, error); },
      Qt::QueuedConnection);
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
