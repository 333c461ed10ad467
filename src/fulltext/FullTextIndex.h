#pragma once
// The full-text index of one library: the text of every page of its PDFs in
// an SQLite database with an FTS5 table (trigram tokenizer, which finds
// Japanese text without word boundaries), kept beside the library in the
// user's cache folder, never in it. It is a cache: removed or damaged, it is
// made again from the library.
//
// Per entry (en_id) it holds a fingerprint of the PDF it was made from and
// how that went (text, no text, locked, unreadable), so that a PDF without
// text is not tried again on every open, and one whose fingerprint changed
// is indexed again. Page texts are stored folded (FoldForSearch) with white
// space runs made one space, so that queries match across case, width and
// line breaks.
//
// Opening checks only the layout (what a look at the file's first page
// tells), so that it costs the same at any size. Damage further in shows
// when it is used: an operation that meets it fails with damaged() true,
// and the caller remakes the index (remake()) and goes on.

#include <QString>
#include <QStringList>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

struct sqlite3;

class FullTextIndex {
 public:
  enum class State { Text = 0, NoText = 1, Locked = 2, Unreadable = 3 };
  struct Document {
    std::string fingerprint;
    State state = State::Text;
  };
  struct PageHits {
    int page = 0;  // 1 for the first page
    int hits = 0;
  };
  struct EntryHits {
    int32_t enId = 0;
    int hits = 0;                 // over all pages
    std::vector<PageHits> pages;  // ascending
  };

  FullTextIndex() = default;
  ~FullTextIndex();
  FullTextIndex(const FullTextIndex&) = delete;
  FullTextIndex& operator=(const FullTextIndex&) = delete;

  /// Opens the index file at `path`, creating it and its folder when
  /// missing. A file whose layout is not this one (not a database, another
  /// program's or version's tables, its first page damaged) is removed and
  /// made afresh: `*notice` then says so (empty otherwise). Only the layout
  /// is checked, in the same short time at any size. False with `*error`
  /// when no index can be had there (e.g. the folder cannot be written).
  bool open(const QString& path, QString* notice, QString* error);
  /// Opens the existing index at `path` for searching beside a connection
  /// that opened it with open(): its layout is checked and nothing is made
  /// or removed. False when there is no index there yet, or one is being
  /// made (`*error` empty), or it is not one of this layout (`*error` says
  /// so).
  bool openForSearching(const QString& path, QString* error);
  void close();
  bool isOpen() const { return _db != nullptr; }

  /// Whether the last operation that failed met a damaged file (SQLite
  /// found it malformed, or not a database): the index is then to be
  /// remade. Cleared by each operation that succeeds.
  bool damaged() const { return _damaged; }
  /// Closes the index opened with open(), removes its files and makes it
  /// afresh, empty, at the same place; `*notice` says so, for the user.
  /// Only for the connection that writes: a searching one closes and opens
  /// again. False with `*error` as open().
  bool remake(QString* notice, QString* error);

  /// Every entry the index holds, by en_id. False with `*error` on failure.
  bool documents(std::map<int32_t, Document>* out, QString* error) const;

  /// One transaction around many changes: much faster, and a stop midway
  /// keeps everything committed before it.
  bool begin(QString* error);
  bool commit(QString* error);
  /// Drops the transaction begun, if one is open (after a failure in it).
  void rollback();

  /// Forgets the entry `enId` and its pages.
  bool remove(int32_t enId, QString* error);
  /// Holds `pages` (page 1 first) as the text of entry `enId` made from the
  /// PDF with `fingerprint`, replacing what it held for it.
  bool store(int32_t enId, const std::string& fingerprint, State state, const std::vector<QString>& pages,
             QString* error);

  /// The entries whose pages contain every term of `query` on one page
  /// (FullTextTerms), with the hits per page, most hits first (then by
  /// en_id). No terms give no entries.
  bool search(const QString& query, std::vector<EntryHits>* results, QString* error) const;

  /// Number of pages held (for the benchmark and the progress line).
  int64_t pageCount() const;

 private:
  bool exec(const char* sql, QString* error) const;
  /// Ends an operation: records whether it met damage, and on failure
  /// puts SQLite's reason for `doing` into `*error`. Returns `ok`.
  bool finish(bool ok, const char* doing, QString* error) const;
  bool createSchema(QString* error);
  enum class LayoutCheck { Sound, Empty, Foreign, Unreadable };
  /// Whether the open file holds this layout's tables, none yet (a new
  /// file), or something else (another layout, not a database, damaged);
  /// Unreadable (with `*error`) when it could not be read for another
  /// reason (e.g. locked for longer than the busy timeout).
  LayoutCheck checkLayout(QString* error) const;
  bool useWriteAheadLog(QString* error);

  sqlite3* _db = nullptr;
  QString _path;                  // of the file open()ed
  mutable bool _damaged = false;  // see damaged()
};

/// The terms of a full-text query: text in double quotes is one term (a
/// phrase, spaces and all), the rest is split at white space; every term
/// folded as FoldForSearch, runs of white space made one space.
std::vector<QString> FullTextTerms(const QString& query);

/// What a find in the PDF itself looks for to show the hits of `query`:
/// each of its terms (FullTextTerms) as typed, not folded, a phrase without
/// its quotes, in the query's order; none when the query has no terms.
QStringList FullTextFindTexts(const QString& query);

/// Page text as the index stores it: folded, white space runs made one space.
QString IndexedPageText(const QString& pageText);
