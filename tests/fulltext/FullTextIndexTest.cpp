#include "fulltext/FullTextIndex.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <string>
#include <vector>

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

TEST_F(FullTextIndexTest, ADamagedIndexIsMadeAgainWithANotice) {
  {
    FullTextIndex index;
    QString notice;
    openIndex(&index, &notice);
    for (int id = 1; id <= 50; ++id) store(&index, id, {QStringLiteral("page text number %1 with words").arg(id)});
  }
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::ReadWrite));
  const qint64 size = file.size();
  ASSERT_GT(size, 4096);
  struct Damage {
    const char* what;
    qint64 at;
    QByteArray bytes;
  } damages[] = {
      {"header", 0, QByteArray(100, 'x')},
      {"second page", 4096, QByteArray(4096, '\xff')},
  };
  for (const Damage& damage : damages) {
    SCOPED_TRACE(damage.what);
    {
      FullTextIndex index;
      QString notice;
      openIndex(&index, &notice);
      if (Search(index, "words").empty()) store(&index, 1, {QStringLiteral("words")});
    }
    QFile damaged(path);
    ASSERT_TRUE(damaged.open(QIODevice::ReadWrite));
    damaged.seek(damage.at);
    damaged.write(damage.bytes);
    damaged.close();

    FullTextIndex index;
    QString notice;
    openIndex(&index, &notice);
    EXPECT_FALSE(notice.isEmpty());
    std::map<int32_t, FullTextIndex::Document> held;
    QString error;
    ASSERT_TRUE(index.documents(&held, &error));
    EXPECT_TRUE(held.empty());  // made afresh: everything will be indexed again
    store(&index, 9, {"fresh words"});
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

TEST(FullTextTerms, TheFindInThePdfLooksForTheFirstTermAsTyped) {
  struct Case {
    const char* query;
    const char* find;
  } cases[] = {
      {"Deep learning", "Deep"},
      {"  \"Deep   Learning\" theory", "Deep Learning"},
      {"\"\" ＡＢＣ", "ＡＢＣ"},  // an empty phrase is no term; not folded
      {"統計　学習", "統計"},        // the ideographic space parts words
      {"\"unclosed phrase", "unclosed phrase"},
      {"   ", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.query);
    EXPECT_EQ(FullTextFindText(QString::fromUtf8(c.query)), QString::fromUtf8(c.find));
  }
}

}  // namespace
