#pragma once
// A library's full-text index for a window: kept in step and searched off
// the caller's thread, so that neither indexing nor a query ever makes the
// window wait.
//
// Two threads of its own, each with its own connection to the index: one
// indexes (RunFullTextWork, which extracts on every core and reads the
// PDFs through its own read-only handle on the library file, never
// writing or locking it), the other answers queries, so that a query is
// answered while indexing goes on. Opening checks only the index's layout;
// damage found later, by indexing or by a query, has the indexing thread
// remake the index (a cache: it is made again from the library), once, and
// say so (noticed). A query that meets damage finds nothing, and the query
// shown is answered again when the index is made (as after any indexing).
// Indexing commits batch by batch, so a stop (the user's, the window's
// closing, a crash) keeps what was done and the next run goes on from
// there. Every signal comes on the thread that made the service.

#include <QObject>
#include <QString>
#include <QThread>
#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "fulltext/FullTextIndex.h"
#include "fulltext/FullTextSync.h"

class FullTextService : public QObject {
  Q_OBJECT

 public:
  /// The index file at `indexPath` (FullTextIndexPath) of the library file
  /// at `libraryPath`. Nothing runs before update() or search().
  FullTextService(const QString& indexPath, const QString& libraryPath, QObject* parent = nullptr);
  /// Stops indexing after the PDFs being read now and waits for both
  /// threads.
  ~FullTextService() override;
  FullTextService(const FullTextService&) = delete;
  FullTextService& operator=(const FullTextService&) = delete;

  /// Brings the index in step with `entries` (FullTextEntries of the library
  /// as it is now: entries added, deleted or given another PDF, here or by
  /// another program, are found by comparing them with what the index
  /// holds). A run in progress stops once the PDFs it is reading are read
  /// and a run over these entries follows. Also resumes after stop().
  void update(std::vector<FullTextEntry> entries);
  /// Stops indexing once the PDFs being read are read; what was committed
  /// stays, the batch under way is done again by the next run.
  /// indexingFinished follows with `complete` false and no error.
  void stop();
  /// Whether a run is going (or about to start).
  bool isIndexing() const { return _running; }

  /// Searches the index for `query` (FullTextIndex::search), also while
  /// indexing goes on; before there is an index nothing is found. When
  /// several are asked while one runs, only the latest is answered.
  void search(const QString& query);

 signals:
  /// `done` of `total` PDFs of the current run are indexed. Steps made
  /// while one waits to be delivered join it: the caller's thread gets at
  /// most one at a time, with the latest figures, however fast PDFs are
  /// indexed (one per PDF would keep a large library's window busy).
  void indexingProgress(int done, int total);
  /// A run ended: `complete` when the index is in step with the entries of
  /// the last update(); otherwise it was stopped, or failed with `error`.
  void indexingFinished(bool complete, const QString& error);
  /// Something the user may like to know (e.g. a damaged index was remade).
  void noticed(const QString& notice);
  /// The answer to the latest search(): entries with hits, most hits first,
  /// or `error` when the index could not be read.
  void searchFinished(const QString& query, const std::vector<FullTextIndex::EntryHits>& results,
                      const QString& error);

 private:
  // On the indexing thread.
  void runIndexing(const std::vector<FullTextEntry>& entries);
  // On the search thread.
  void runSearch(const QString& query);
  void tellNotice(const QString& notice);
  // On the caller's thread.
  void startRun(std::vector<FullTextEntry> entries);
  void runEnded(bool complete, const QString& error);
  void dispatchSearch();
  void searchEnded(const QString& query, const std::vector<FullTextIndex::EntryHits>& results, const QString& error);
  /// A query met damage in the index file of `generation`: it is remade
  /// (unless that has been done already) and the entries indexed again.
  void remakeIndex(int generation);

  const QString _indexPath;
  const std::string _libraryPath;
  QThread _indexThread;
  QThread _searchThread;
  std::unique_ptr<QObject> _indexContext;   // lives on _indexThread
  std::unique_ptr<QObject> _searchContext;  // lives on _searchThread
  FullTextIndex _indexDb;                   // used on _indexThread only
  FullTextIndex _searchDb;                  // used on _searchThread only
  std::atomic<bool> _cancel{false};
  // Raised by the indexing thread each time it makes the index file afresh:
  // the search connection then opens the new file.
  std::atomic<int> _generation{0};
  std::atomic<int> _remakeOf{-1};  // the generation a query found damaged, -1: none
  // The latest progress step (done in the high half, total in the low) and
  // whether a signal of it waits to be delivered on the caller's thread.
  std::atomic<uint64_t> _progress{0};
  std::atomic<bool> _progressPosted{false};
  int _searchGeneration = 0;       // of the file _searchDb has open (search thread)

  // The caller's thread only.
  bool _running = false;
  std::optional<std::vector<FullTextEntry>> _queued;  // the entries of the run after this one
  std::optional<std::vector<FullTextEntry>> _entries;  // of the last update(), to index again after a remake
  bool _searching = false;
  QString _wantedQuery;
};
