#include "fulltext/FullTextIndex.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <algorithm>
#include <set>
#include <sqlite3.h>

#include "search/SearchWords.h"

namespace {

// Raised whenever the tables change shape: an index of another layout is
// made afresh.
constexpr int kLayoutVersion = 1;

QString SqliteError(sqlite3* db, const char* doing) {
  return QStringLiteral("%1: %2").arg(QString::fromUtf8(doing), QString::fromUtf8(db ? sqlite3_errmsg(db) : "out of memory"));
}

struct Statement {
  sqlite3_stmt* stmt = nullptr;
  Statement(sqlite3* db, const char* sql) { sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr); }
  ~Statement() { sqlite3_finalize(stmt); }
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;
  explicit operator bool() const { return stmt != nullptr; }
};

QString DamagedNotice(const QString& path) {
  return QStringLiteral("the full-text index %1 was damaged; it is made again").arg(path);
}

void RemoveIndexFiles(const QString& path) {
  for (const char* suffix : {"", "-journal", "-wal", "-shm"}) QFile::remove(path + QLatin1String(suffix));
}

int CountOccurrences(const QString& text, const QString& term) {
  int count = 0;
  for (qsizetype at = text.indexOf(term); at >= 0; at = text.indexOf(term, at + term.size())) ++count;
  return count;
}

// A term as an FTS5 string: in double quotes, inner quotes doubled.
QString FtsPhrase(const QString& term) {
  QString quoted = term;
  quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
  return QLatin1Char('"') + quoted + QLatin1Char('"');
}

// A term as a LIKE pattern with '\' as escape.
QString LikePattern(const QString& term) {
  QString escaped = term;
  escaped.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
  escaped.replace(QLatin1Char('%'), QStringLiteral("\\%"));
  escaped.replace(QLatin1Char('_'), QStringLiteral("\\_"));
  return QLatin1Char('%') + escaped + QLatin1Char('%');
}

}  // namespace

QString IndexedPageText(const QString& pageText) { return FoldForSearch(pageText).simplified(); }

std::vector<QString> FullTextTerms(const QString& query) {
  std::vector<QString> terms;
  const QStringList pieces = query.split(QLatin1Char('"'));
  for (qsizetype i = 0; i < pieces.size(); ++i) {
    if (i % 2 == 1) {  // inside quotes: one phrase
      const QString phrase = IndexedPageText(pieces[i]);
      if (!phrase.isEmpty()) terms.push_back(phrase);
    } else {
      for (const QString& word : SearchWords(pieces[i])) terms.push_back(word);
    }
  }
  return terms;
}

QStringList FullTextFindTexts(const QString& query) {
  // Any white space parts words, the ideographic space too.
  static const QRegularExpression kSpaces(QStringLiteral("\\s+"), QRegularExpression::UseUnicodePropertiesOption);
  QStringList texts;
  const QStringList pieces = query.split(QLatin1Char('"'));
  for (qsizetype i = 0; i < pieces.size(); ++i) {
    if (i % 2 == 1) {
      const QString phrase = pieces[i].simplified();
      if (!phrase.isEmpty()) texts << phrase;
    } else {
      texts << pieces[i].split(kSpaces, Qt::SkipEmptyParts);
    }
  }
  return texts;
}

FullTextIndex::~FullTextIndex() { close(); }

void FullTextIndex::close() {
  if (_db != nullptr) sqlite3_close(_db);
  _db = nullptr;
}

bool FullTextIndex::exec(const char* sql, QString* error) const {
  char* message = nullptr;
  const bool ok = sqlite3_exec(_db, sql, nullptr, nullptr, &message) == SQLITE_OK;
  finish(ok, "", nullptr);
  if (!ok && error != nullptr) *error = QString::fromUtf8(message != nullptr ? message : "unknown error");
  sqlite3_free(message);
  return ok;
}

bool FullTextIndex::finish(bool ok, const char* doing, QString* error) const {
  // FTS5's "malformed" comes as SQLITE_CORRUPT_VTAB, whose primary code is
  // SQLITE_CORRUPT.
  const int code = sqlite3_errcode(_db) & 0xff;
  _damaged = !ok && (code == SQLITE_CORRUPT || code == SQLITE_NOTADB);
  if (!ok && error != nullptr) *error = SqliteError(_db, doing);
  return ok;
}

bool FullTextIndex::createSchema(QString* error) {
  // One transaction, so that a searching connection sees all or nothing.
  const QByteArray sql = QStringLiteral(
                             "BEGIN IMMEDIATE;"
                             "CREATE TABLE IF NOT EXISTS documents(en_id INTEGER PRIMARY KEY, fingerprint TEXT NOT NULL,"
                             " state INTEGER NOT NULL);"
                             "CREATE VIRTUAL TABLE IF NOT EXISTS pages USING fts5(text, en_id UNINDEXED,"
                             " page UNINDEXED, tokenize='trigram');"
                             "PRAGMA user_version=%1;"
                             "COMMIT;")
                             .arg(kLayoutVersion)
                             .toUtf8();
  if (exec(sql.constData(), error)) return true;
  sqlite3_exec(_db, "ROLLBACK", nullptr, nullptr, nullptr);
  return false;
}

FullTextIndex::LayoutCheck FullTextIndex::checkLayout(QString* error) const {
  // Both answers come from the file's first page (its header and the
  // schema), so the check takes as long at any size.
  const auto failed = [this, error] {
    finish(false, "reading the full-text index", error);
    return _damaged ? LayoutCheck::Foreign : LayoutCheck::Unreadable;
  };
  Statement version(_db, "PRAGMA user_version");
  if (!version || sqlite3_step(version.stmt) != SQLITE_ROW) return failed();
  const int stored = sqlite3_column_int(version.stmt, 0);
  std::set<std::string> tables;
  Statement schema(_db, "SELECT name FROM sqlite_master WHERE type = 'table'");
  if (!schema) return failed();
  int rc;
  while ((rc = sqlite3_step(schema.stmt)) == SQLITE_ROW)
    tables.insert(reinterpret_cast<const char*>(sqlite3_column_text(schema.stmt, 0)));
  if (rc != SQLITE_DONE) return failed();
  if (stored == 0 && tables.empty()) return LayoutCheck::Empty;
  if (stored != kLayoutVersion) return LayoutCheck::Foreign;
  // The two tables and the tables FTS5 keeps its index in.
  for (const char* table : {"documents", "pages", "pages_data", "pages_idx", "pages_content", "pages_docsize",
                            "pages_config"})
    if (tables.count(table) == 0) return LayoutCheck::Foreign;
  return LayoutCheck::Sound;
}

bool FullTextIndex::useWriteAheadLog(QString* error) {
  // A cache: a crash may lose the last transactions (they are done again
  // on the next run) but never leaves a damaged file.
  Statement mode(_db, "PRAGMA journal_mode=WAL");
  if (!mode || sqlite3_step(mode.stmt) != SQLITE_ROW)
    return finish(false, "cannot use a write-ahead log for the full-text index", error);
  const char* kept = reinterpret_cast<const char*>(sqlite3_column_text(mode.stmt, 0));
  if (qstricmp(kept, "wal") != 0) {
    *error = QStringLiteral("the full-text index keeps the journal mode %1, not a write-ahead log")
                 .arg(QString::fromUtf8(kept));
    return false;
  }
  return exec("PRAGMA synchronous=NORMAL", error);
}

bool FullTextIndex::open(const QString& path, QString* notice, QString* error) {
  close();
  notice->clear();
  if (!QDir().mkpath(QFileInfo(path).absolutePath())) {
    *error = QStringLiteral("cannot make the folder %1").arg(QFileInfo(path).absolutePath());
    return false;
  }
  const QByteArray file = QFile::encodeName(path);
  for (int attempt = 0; attempt < 2; ++attempt) {
    if (sqlite3_open_v2(file.constData(), &_db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK) {
      *error = SqliteError(_db, "cannot open the full-text index");
      close();
      return false;
    }
    sqlite3_busy_timeout(_db, 10000);
    const LayoutCheck layout = checkLayout(error);
    if (layout != LayoutCheck::Foreign && layout != LayoutCheck::Unreadable && useWriteAheadLog(error) &&
        (layout == LayoutCheck::Sound || createSchema(error))) {
      _path = path;
      _damaged = false;
      return true;
    }
    // Only a file that is no index of this layout is removed, never one
    // that is busy or unreadable for a passing reason.
    const bool foreign = layout == LayoutCheck::Foreign || _damaged;
    close();
    if (!foreign) return false;
    if (attempt == 0) {
      RemoveIndexFiles(path);
      *notice = DamagedNotice(path);
    }
  }
  if (error->isEmpty()) *error = QStringLiteral("cannot make a full-text index at %1").arg(path);
  return false;
}

bool FullTextIndex::remake(QString* notice, QString* error) {
  const QString path = _path;
  close();
  RemoveIndexFiles(path);
  QString fresh;
  if (!open(path, &fresh, error)) return false;
  *notice = DamagedNotice(path);
  return true;
}

bool FullTextIndex::openForSearching(const QString& path, QString* error) {
  close();
  error->clear();
  if (!QFileInfo::exists(path)) return false;
  const QByteArray file = QFile::encodeName(path);
  if (sqlite3_open_v2(file.constData(), &_db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
    // Gone meanwhile (being made again): as if not there yet.
    if (QFileInfo::exists(path)) *error = SqliteError(_db, "cannot open the full-text index");
    close();
    return false;
  }
  sqlite3_busy_timeout(_db, 10000);
  const LayoutCheck layout = checkLayout(error);
  if (layout == LayoutCheck::Sound) return true;
  // An empty file is an index whose tables are about to be made.
  if (layout == LayoutCheck::Foreign)
    *error = QStringLiteral("%1 is not a full-text index of this program's layout").arg(path);
  else if (layout == LayoutCheck::Empty)
    error->clear();
  close();
  return false;
}

bool FullTextIndex::documents(std::map<int32_t, Document>* out, QString* error) const {
  out->clear();
  Statement query(_db, "SELECT en_id, fingerprint, state FROM documents");
  if (!query) return finish(false, "reading the full-text index", error);
  int rc;
  while ((rc = sqlite3_step(query.stmt)) == SQLITE_ROW) {
    Document document;
    document.fingerprint = reinterpret_cast<const char*>(sqlite3_column_text(query.stmt, 1));
    document.state = static_cast<State>(sqlite3_column_int(query.stmt, 2));
    (*out)[static_cast<int32_t>(sqlite3_column_int(query.stmt, 0))] = document;
  }
  return finish(rc == SQLITE_DONE, "reading the full-text index", error);
}

bool FullTextIndex::begin(QString* error) { return exec("BEGIN IMMEDIATE", error); }
bool FullTextIndex::commit(QString* error) { return exec("COMMIT", error); }

void FullTextIndex::rollback() {
  // Not through exec(): what the failed operation found stays in damaged().
  if (sqlite3_get_autocommit(_db) == 0) sqlite3_exec(_db, "ROLLBACK", nullptr, nullptr, nullptr);
}

bool FullTextIndex::remove(int32_t enId, QString* error) {
  for (const char* sql : {"DELETE FROM pages WHERE en_id = ?", "DELETE FROM documents WHERE en_id = ?"}) {
    Statement statement(_db, sql);
    if (!statement || sqlite3_bind_int(statement.stmt, 1, enId) != SQLITE_OK ||
        sqlite3_step(statement.stmt) != SQLITE_DONE)
      return finish(false, "removing from the full-text index", error);
  }
  return finish(true, "", error);
}

bool FullTextIndex::store(int32_t enId, const std::string& fingerprint, State state, const std::vector<QString>& pages,
                          QString* error) {
  if (!remove(enId, error)) return false;
  Statement document(_db, "INSERT INTO documents(en_id, fingerprint, state) VALUES(?, ?, ?)");
  if (!document || sqlite3_bind_int(document.stmt, 1, enId) != SQLITE_OK ||
      sqlite3_bind_text(document.stmt, 2, fingerprint.c_str(), -1, SQLITE_TRANSIENT) != SQLITE_OK ||
      sqlite3_bind_int(document.stmt, 3, static_cast<int>(state)) != SQLITE_OK ||
      sqlite3_step(document.stmt) != SQLITE_DONE)
    return finish(false, "writing the full-text index", error);
  Statement page(_db, "INSERT INTO pages(text, en_id, page) VALUES(?, ?, ?)");
  if (!page) return finish(false, "writing the full-text index", error);
  for (size_t i = 0; i < pages.size(); ++i) {
    const QByteArray text = IndexedPageText(pages[i]).toUtf8();
    if (text.isEmpty()) continue;
    sqlite3_reset(page.stmt);
    if (sqlite3_bind_text(page.stmt, 1, text.constData(), static_cast<int>(text.size()), SQLITE_TRANSIENT) != SQLITE_OK ||
        sqlite3_bind_int(page.stmt, 2, enId) != SQLITE_OK ||
        sqlite3_bind_int(page.stmt, 3, static_cast<int>(i + 1)) != SQLITE_OK || sqlite3_step(page.stmt) != SQLITE_DONE)
      return finish(false, "writing the full-text index", error);
  }
  return finish(true, "", error);
}

bool FullTextIndex::search(const QString& query, std::vector<EntryHits>* results, QString* error) const {
  results->clear();
  const std::vector<QString> terms = FullTextTerms(query);
  if (terms.empty()) return true;
  // The trigram index answers terms of three characters or more; shorter
  // ones (common in Japanese: 統計) are checked with LIKE on those pages.
  QStringList matchPhrases;
  std::vector<QString> shortTerms;
  for (const QString& term : terms) {
    if (term.size() >= 3) matchPhrases << FtsPhrase(term);
    else shortTerms.push_back(term);
  }
  QString sql = QStringLiteral("SELECT en_id, page, text FROM pages WHERE ");
  QStringList conditions;
  if (!matchPhrases.isEmpty()) conditions << QStringLiteral("pages MATCH ?");
  for (size_t i = 0; i < shortTerms.size(); ++i) conditions << QStringLiteral("text LIKE ? ESCAPE '\\'");
  sql += conditions.join(QStringLiteral(" AND "));
  Statement statement(_db, sql.toUtf8().constData());
  if (!statement) return finish(false, "searching the full-text index", error);
  int bind = 1;
  std::vector<QByteArray> keep;  // bound texts stay alive until the statement ends
  if (!matchPhrases.isEmpty()) keep.push_back(matchPhrases.join(QLatin1Char(' ')).toUtf8());
  for (const QString& term : shortTerms) keep.push_back(LikePattern(term).toUtf8());
  for (const QByteArray& text : keep)
    sqlite3_bind_text(statement.stmt, bind++, text.constData(), static_cast<int>(text.size()), SQLITE_STATIC);

  std::map<int32_t, EntryHits> byEntry;
  int rc;
  while ((rc = sqlite3_step(statement.stmt)) == SQLITE_ROW) {
    const int32_t enId = sqlite3_column_int(statement.stmt, 0);
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(statement.stmt, 2)),
                                           sqlite3_column_bytes(statement.stmt, 2));
    PageHits page;
    page.page = sqlite3_column_int(statement.stmt, 1);
    for (const QString& term : terms) page.hits += CountOccurrences(text, term);
    EntryHits& entry = byEntry[enId];
    entry.enId = enId;
    entry.hits += page.hits;
    entry.pages.push_back(page);
  }
  if (rc != SQLITE_DONE) return finish(false, "searching the full-text index", error);
  finish(true, "", error);
  for (auto& [id, entry] : byEntry) {
    std::sort(entry.pages.begin(), entry.pages.end(),
              [](const PageHits& a, const PageHits& b) { return a.page < b.page; });
    results->push_back(std::move(entry));
  }
  std::stable_sort(results->begin(), results->end(),
                   [](const EntryHits& a, const EntryHits& b) { return a.hits > b.hits; });
  return true;
}

int64_t FullTextIndex::pageCount() const {
  Statement count(_db, "SELECT count(*) FROM pages");
  if (!count || sqlite3_step(count.stmt) != SQLITE_ROW) return -1;
  return sqlite3_column_int64(count.stmt, 0);
}
