#include "fulltext/FullTextIndex.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <functional>
#include <map>
#include <sqlite3.h>
#include <string>
#include <vector>

#include "IndexDamage.h"

namespace {

using State = FullTextIndex::State;

struct Found {
  int32_t enId;
  int hits;
  std::vector<int> pages;
  bool operator==(const Found& other) const {
    return enId == other.enId && hits == other.hits && pages == other.pages;
  }
};

void PrintTo(const Found& found, std::ostream* out) {
  *out << "{" << found.enId << ", " << found.hits << " hits, pages";
  for (const int page : found.pages) *out << " " << page;
  *out << "}";
}

std::vector<Found> Search(const FullTextIndex& index, const QString& query) {
  std::vector<FullTextIndex::EntryHits> results;
  QString error;
  EXPECT_TRUE(index.search(query, &results, &error)) << error.toStdString();
  std::vector<Found> found;
  for (const auto& entry : results) {
    Found one{entry.enId, entry.hits, {}};
    for (const auto& page : entry.pages) one.pages.push_back(page.page);
    found.push_back(one);
  }
  return found;
}

class FullTextIndexTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir.isValid());
    path = dir.filePath("cache/FOLIAN/lib.fulltext");
  }
  void openIndex(FullTextIndex* index, QString* notice) {
    QString error;
    ASSERT_TRUE(index->open(path, notice, &error)) << error.toStdString();
  }
  void store(FullTextIndex* index, int32_t id, const std::vector<QString>& pages) {
    QString error;
    ASSERT_TRUE(index->store(id, "fp" + std::to_string(id), State::Text, pages, &error)) << error.toStdString();
  }
  QTemporaryDir dir;
  QString path;
};

TEST_F(FullTextIndexTest, EnglishAndJapanesePhraseQueries) {
  FullTextIndex index;
  QString notice;
  openIndex(&index, &notice);
  EXPECT_TRUE(notice.isEmpty());
  store(&index, 1, {"An introduction to deep\nlearning.", "Deep learning, again: DEEP LEARNING.", "Nothing here."});
  store(&index, 2, {"Learning is deep when the sea is deep.", "機械学習の基礎と応用"});
  store(&index, 3, {"統計学入門。統計的な学習理論", "ＦＵＬＬ　ＷＩＤＴＨ text"});
  struct Case {
    const char* query;
    std::vector<Found> found;
  } cases[] = {
      // A phrase in quotes: the words in that order, also across a line break.
      {"\"deep learning\"", {{1, 3, {1, 2}}}},
      // Words without quotes: each on the same page, in any order.
      {"deep learning", {{1, 6, {1, 2}}, {2, 3, {1}}}},
      {"LEARNING sea", {{2, 2, {1}}}},
      {"deep nothing", {}},  // on different pages of entry 1: no match
      {"機械学習", {{2, 1, {2}}}},
      {"学習の基礎", {{2, 1, {2}}}},
      {"基礎 応用", {{2, 2, {2}}}},  // two-character terms
      {"統計", {{3, 2, {1}}}},
      {"学習", {{2, 1, {2}}, {3, 1, {1}}}},
      {"学習理論", {{3, 1, {1}}}},
      {"\"統計 学\"", {}},
      {"full width", {{3, 2, {2}}}},  // width folded in the index
      {"ｆｕｌｌ", {{3, 1, {2}}}},
      {"", {}},
      {"\"\"", {}},
      {"50%_", {}},  // LIKE's wildcards are taken literally
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.query);
    EXPECT_EQ(Search(index, QString::fromUtf8(c.query)), c.found);
  }
}

TEST_F(FullTextIndexTest, StoreReplacesAndRemoveForgets) {
  FullTextIndex index;
  QString notice, error;
  openIndex(&index, &notice);
  store(&index, 7, {"old words"});
  ASSERT_TRUE(index.store(7, "newer", State::Text, {QStringLiteral("new words")}, &error));
  ASSERT_TRUE(index.store(8, "scan", State::NoText, {}, &error));
  EXPECT_TRUE(Search(index, "old").empty());
  EXPECT_EQ(Search(index, "new"), (std::vector<Found>{{7, 1, {1}}}));
  std::map<int32_t, FullTextIndex::Document> held;
  ASSERT_TRUE(index.documents(&held, &error));
  ASSERT_EQ(held.size(), 2u);
  EXPECT_EQ(held[7].fingerprint, "newer");
  EXPECT_EQ(held[8].state, State::NoText);
  ASSERT_TRUE(index.remove(7, &error));
  EXPECT_TRUE(Search(index, "words").empty());
  ASSERT_TRUE(index.documents(&held, &error));
  EXPECT_EQ(held.count(7), 0u);
  EXPECT_EQ(index.pageCount(), 0);
}

// Runs `sql` on the database file at `path` (made when missing), as another
// program would.
void RunSql(const QString& path, const char* sql) {
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr),
            SQLITE_OK);
  EXPECT_EQ(sqlite3_exec(db, sql, nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
  sqlite3_close(db);
}

void Overwrite(const QString& path, qint64 at, const QByteArray& bytes) {
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::ReadWrite));
  ASSERT_TRUE(file.seek(at));
  ASSERT_EQ(file.write(bytes), bytes.size());
}

// An index of 60 entries, written and closed (its log folded into the file).
void WriteSampleIndex(const QString& path) {
  FullTextIndex index;
  QString notice, error;
  ASSERT_TRUE(index.open(path, &notice, &error)) << error.toStdString();
  ASSERT_TRUE(index.begin(&error));
  for (int id = 1; id <= 60; ++id)
    ASSERT_TRUE(index.store(id, "fp", State::Text, {QStringLiteral("page text number %1 with words").arg(id)}, &error));
  ASSERT_TRUE(index.commit(&error));
}

// What open notices: the file's first page (its header and the list of its
// tables) says it is no index of this layout. It is made afresh at once.
TEST_F(FullTextIndexTest, AnIndexOfAnotherLayoutIsMadeAgainWhenOpened) {
  struct Damage {
    const char* what;
    std::function<void(const QString&)> apply;
  } damages[] = {
      {"header", [](const QString& at) { Overwrite(at, 0, QByteArray(100, 'x')); }},
      {"list of tables", [](const QString& at) { Overwrite(at, 100, QByteArray(3996, '\xff')); }},
      {"another version", [](const QString& at) { RunSql(at, "PRAGMA user_version=99"); }},
      {"a table missing", [](const QString& at) { RunSql(at, "DROP TABLE documents"); }},
      {"another program's database", [](const QString& at) {
         QFile::remove(at);
         RunSql(at, "CREATE TABLE notes(text)");
       }},
  };
  for (const Damage& damage : damages) {
    SCOPED_TRACE(damage.what);
    QFile::remove(path);
    WriteSampleIndex(path);
    damage.apply(path);

    FullTextIndex index;
    QString notice;
    openIndex(&index, &notice);
    EXPECT_TRUE(notice.contains(QStringLiteral("damaged"))) << notice.toStdString();
    std::map<int32_t, FullTextIndex::Document> held;
    QString error;
    ASSERT_TRUE(index.documents(&held, &error)) << error.toStdString();
    EXPECT_TRUE(held.empty());  // made afresh: everything will be indexed again
    store(&index, 9, {"fresh words"});
    EXPECT_EQ(Search(index, "fresh"), (std::vector<Found>{{9, 1, {1}}}));
  }
}

// What open does not look at: pages further in. The first use that reads
// them fails, says the index is damaged (without crashing or waiting), and
// remake() gives an empty, working index with a notice.
TEST_F(FullTextIndexTest, DamageFurtherInIsFoundByItsFirstUseAndTheIndexIsRemade) {
  enum class Use { Documents, Search, ShortTermSearch, Store };
  struct Damage {
    const char* table;  // whose first page is overwritten
    Use use;            // what finds it
  } damages[] = {
      {"documents", Use::Documents},
      {"documents", Use::Store},
      {"pages_data", Use::Search},  // the words' index
      {"pages_data", Use::Store},
      {"pages_content", Use::Search},           // the pages' text
      {"pages_content", Use::ShortTermSearch},  // read without the words' index
  };
  for (const Damage& damage : damages) {
    SCOPED_TRACE(std::string(damage.table) + " use " + std::to_string(static_cast<int>(damage.use)));
    QFile::remove(path);
    WriteSampleIndex(path);
    DamageIndexTable(path, damage.table);

    FullTextIndex index;
    QString notice, error;
    openIndex(&index, &notice);
    EXPECT_TRUE(notice.isEmpty()) << "open looks at the layout only";
    EXPECT_FALSE(index.damaged());
    bool used = false;
    std::map<int32_t, FullTextIndex::Document> held;
    std::vector<FullTextIndex::EntryHits> results;
    switch (damage.use) {
      case Use::Documents: used = index.documents(&held, &error); break;
      case Use::Search: used = index.search(QStringLiteral("words number"), &results, &error); break;
      case Use::ShortTermSearch: used = index.search(QStringLiteral("10"), &results, &error); break;
      case Use::Store:
        used = index.begin(&error) &&
               index.store(61, "fp", State::Text, {QStringLiteral("one more page with words")}, &error) &&
               index.commit(&error);
        break;
    }
    EXPECT_FALSE(used);
    EXPECT_TRUE(index.damaged()) << error.toStdString();
    EXPECT_FALSE(error.isEmpty());
    EXPECT_TRUE(results.empty());
    index.rollback();

    ASSERT_TRUE(index.remake(&notice, &error)) << error.toStdString();
    EXPECT_TRUE(notice.contains(QStringLiteral("damaged"))) << notice.toStdString();
    EXPECT_FALSE(index.damaged());
    ASSERT_TRUE(index.documents(&held, &error)) << error.toStdString();
    EXPECT_TRUE(held.empty());
    store(&index, 9, {"fresh words"});
    EXPECT_EQ(Search(index, "fresh words"), (std::vector<Found>{{9, 2, {1}}}));
    index.close();
    // The remade file opens as sound.
    openIndex(&index, &notice);
    EXPECT_TRUE(notice.isEmpty());
    EXPECT_EQ(Search(index, "fresh"), (std::vector<Found>{{9, 1, {1}}}));
  }
}

TEST_F(FullTextIndexTest, ASearchingConnectionOpensOnlyAnIndexOfThisLayoutAndChangesNothing) {
  FullTextIndex searching;
  QString error = QStringLiteral("stale");
  // No index yet: nothing to find, nothing made, no error to show.
  EXPECT_FALSE(searching.openForSearching(path, &error));
  EXPECT_TRUE(error.isEmpty());
  EXPECT_FALSE(QFile::exists(path));

  FullTextIndex writing;
  QString notice;
  openIndex(&writing, &notice);
  store(&writing, 7, {QStringLiteral("searched while written")});
  ASSERT_TRUE(searching.openForSearching(path, &error)) << error.toStdString();
  EXPECT_EQ(Search(searching, "while"), (std::vector<Found>{{7, 1, {1}}}));
  // What the writer commits later is seen by the open connection.
  store(&writing, 8, {QStringLiteral("later, while")});
  EXPECT_EQ(Search(searching, "later"), (std::vector<Found>{{8, 1, {1}}}));
  searching.close();
  writing.close();

  // A file of another kind is refused with a reason and left as it is.
  const QByteArray foreign = "not an index at all, but some bytes of another program";
  const QString other = dir.filePath(QStringLiteral("other.fulltext"));
  QFile file(other);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(foreign);
  file.close();
  EXPECT_FALSE(searching.openForSearching(other, &error));
  EXPECT_FALSE(error.isEmpty());
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_EQ(file.readAll(), foreign);
}

TEST(FullTextTerms, QuotesMakePhrases) {
  struct Case {
    const char* query;
    std::vector<QString> terms;
  } cases[] = {
      {"deep learning", {"deep", "learning"}},
      {"\"Deep   Learning\" theory", {"deep learning", "theory"}},
      {"ＡＢＣ　\"機械 学習\"", {"abc", QString::fromUtf8("機械 学習")}},
      {"\"unclosed phrase", {"unclosed phrase"}},
      {"  ", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.query);
    EXPECT_EQ(FullTextTerms(QString::fromUtf8(c.query)), c.terms);
  }
}

TEST(FullTextTerms, TheFindInThePdfLooksForEveryTermAsTyped) {
  struct Case {
    const char* query;
    QStringList find;
  } cases[] = {
      {"Deep learning", {"Deep", "learning"}},
      {"  \"Deep   Learning\" theory", {"Deep Learning", "theory"}},
      {"\"\" ＡＢＣ", {"ＡＢＣ"}},  // an empty phrase is no term; not folded
      {"統計　学習", {"統計", "学習"}},  // the ideographic space parts words
      {"before \"機械 学習\" after", {"before", "機械 学習", "after"}},
      {"\"unclosed phrase", {"unclosed phrase"}},
      {"   ", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.query);
    EXPECT_EQ(FullTextFindTexts(QString::fromUtf8(c.query)), c.find);
  }
}

}  // namespace
