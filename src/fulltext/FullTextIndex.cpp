#include "fulltext/FullTextIndex.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <algorithm>
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

QString FullTextFindText(const QString& query) {
  // Any white space parts words, the ideographic space too.
  static const QRegularExpression kSpaces(QStringLiteral("\\s+"), QRegularExpression::UseUnicodePropertiesOption);
  const QStringList pieces = query.split(QLatin1Char('"'));
  for (qsizetype i = 0; i < pieces.size(); ++i) {
    if (i % 2 == 1) {
      const QString phrase = pieces[i].simplified();
      if (!phrase.isEmpty()) return phrase;
    } else {
      const QStringList words = pieces[i].split(kSpaces, Qt::SkipEmptyParts);
      if (!words.isEmpty()) return words.first();
    }
  }
  return QString();
}

FullTextIndex::~FullTextIndex() { close(); }

void FullTextIndex::close() {
  if (_db != nullptr) sqlite3_close(_db);
  _db = nullptr;
}

bool FullTextIndex::exec(const char* sql, QString* error) const {
  char* message = nullptr;
  if (sqlite3_exec(_db, sql, nullptr, nullptr, &message) == SQLITE_OK) return true;
  if (error != nullptr) *error = QString::fromUtf8(message != nullptr ? message : "unknown error");
  sqlite3_free(message);
  return false;
}

bool FullTextIndex::createSchema(QString* error) {
  const QByteArray sql = QStringLiteral(
                             "CREATE TABLE IF NOT EXISTS documents(en_id INTEGER PRIMARY KEY, fingerprint TEXT NOT NULL,"
                             " state INTEGER NOT NULL);"
                             "CREATE VIRTUAL TABLE IF NOT EXISTS pages USING fts5(text, en_id UNINDEXED,"
                             " page UNINDEXED, tokenize='trigram');"
                             "PRAGMA user_version=%1;")
                             .arg(kLayoutVersion)
                             .toUtf8();
  return exec(sql.constData(), error);
}

// Whether the open file is an index of this layout that SQLite finds sound.
bool FullTextIndex::isSound() const {
  Statement version(_db, "PRAGMA user_version");
  if (!version || sqlite3_step(version.stmt) != SQLITE_ROW) return false;
  const int stored = sqlite3_column_int(version.stmt, 0);
  if (stored == 0) return true;  // a new, empty file
  if (stored != kLayoutVersion) return false;
  Statement check(_db, "PRAGMA quick_check");
  if (!check || sqlite3_step(check.stmt) != SQLITE_ROW) return false;
  if (QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(check.stmt, 0))) != QLatin1String("ok"))
    return false;
  // The FTS5 table's own consistency (its shadow tables agree).
  return exec("INSERT INTO pages(pages) VALUES('integrity-check')", nullptr);
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
    // A cache: a crash may lose the last transactions (they are done again
    // on the next run) but never leaves a damaged file.
    if (isSound() && exec("PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL", error) && createSchema(error))
      return true;
    close();
    if (attempt == 0) {
      RemoveIndexFiles(path);
      *notice = QStringLiteral("the full-text index %1 was damaged; it is made again").arg(path);
    }
  }
  if (error->isEmpty()) *error = QStringLiteral("cannot make a full-text index at %1").arg(path);
  return false;
}

bool FullTextIndex::openForSearching(const QString& path, QString* error) {
  close();
  error->clear();
  if (!QFileInfo::exists(path)) return false;
  const QByteArray file = QFile::encodeName(path);
  if (sqlite3_open_v2(file.constData(), &_db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
    *error = SqliteError(_db, "cannot open the full-text index");
    close();
    return false;
  }
  sqlite3_busy_timeout(_db, 10000);
  Statement version(_db, "PRAGMA user_version");
  if (!version || sqlite3_step(version.stmt) != SQLITE_ROW || sqlite3_column_int(version.stmt, 0) != kLayoutVersion) {
    *error = QStringLiteral("%1 is not a full-text index of this program's layout").arg(path);
    close();
    return false;
  }
  return true;
}

bool FullTextIndex::documents(std::map<int32_t, Document>* out, QString* error) const {
  out->clear();
  Statement query(_db, "SELECT en_id, fingerprint, state FROM documents");
  if (!query) {
    *error = SqliteError(_db, "reading the full-text index");
    return false;
  }
  int rc;
  while ((rc = sqlite3_step(query.stmt)) == SQLITE_ROW) {
    Document document;
    document.fingerprint = reinterpret_cast<const char*>(sqlite3_column_text(query.stmt, 1));
    document.state = static_cast<State>(sqlite3_column_int(query.stmt, 2));
    (*out)[static_cast<int32_t>(sqlite3_column_int(query.stmt, 0))] = document;
  }
  if (rc != SQLITE_DONE) {
    *error = SqliteError(_db, "reading the full-text index");
    return false;
  }
  return true;
}

bool FullTextIndex::begin(QString* error) { return exec("BEGIN IMMEDIATE", error); }
bool FullTextIndex::commit(QString* error) { return exec("COMMIT", error); }

bool FullTextIndex::remove(int32_t enId, QString* error) {
  for (const char* sql : {"DELETE FROM pages WHERE en_id = ?", "DELETE FROM documents WHERE en_id = ?"}) {
    Statement statement(_db, sql);
    if (!statement || sqlite3_bind_int(statement.stmt, 1, enId) != SQLITE_OK ||
        sqlite3_step(statement.stmt) != SQLITE_DONE) {
      *error = SqliteError(_db, "removing from the full-text index");
      return false;
    }
  }
  return true;
}

bool FullTextIndex::store(int32_t enId, const std::string& fingerprint, State state, const std::vector<QString>& pages,
                          QString* error) {
  if (!remove(enId, error)) return false;
  Statement document(_db, "INSERT INTO documents(en_id, fingerprint, state) VALUES(?, ?, ?)");
  if (!document || sqlite3_bind_int(document.stmt, 1, enId) != SQLITE_OK ||
      sqlite3_bind_text(document.stmt, 2, fingerprint.c_str(), -1, SQLITE_TRANSIENT) != SQLITE_OK ||
      sqlite3_bind_int(document.stmt, 3, static_cast<int>(state)) != SQLITE_OK ||
      sqlite3_step(document.stmt) != SQLITE_DONE) {
    *error = SqliteError(_db, "writing the full-text index");
    return false;
  }
  Statement page(_db, "INSERT INTO pages(text, en_id, page) VALUES(?, ?, ?)");
  if (!page) {
    *error = SqliteError(_db, "writing the full-text index");
    return false;
  }
  for (size_t i = 0; i < pages.size(); ++i) {
    const QByteArray text = IndexedPageText(pages[i]).toUtf8();
    if (text.isEmpty()) continue;
    sqlite3_reset(page.stmt);
    if (sqlite3_bind_text(page.stmt, 1, text.constData(), static_cast<int>(text.size()), SQLITE_TRANSIENT) != SQLITE_OK ||
        sqlite3_bind_int(page.stmt, 2, enId) != SQLITE_OK ||
        sqlite3_bind_int(page.stmt, 3, static_cast<int>(i + 1)) != SQLITE_OK || sqlite3_step(page.stmt) != SQLITE_DONE) {
      *error = SqliteError(_db, "writing the full-text index");
      return false;
    }
  }
  return true;
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
  if (!statement) {
    *error = SqliteError(_db, "searching the full-text index");
    return false;
  }
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
  if (rc != SQLITE_DONE) {
    *error = SqliteError(_db, "searching the full-text index");
    return false;
  }
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
