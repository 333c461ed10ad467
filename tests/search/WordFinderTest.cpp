#include "search/WordFinder.h"

#include <gtest/gtest.h>

#include <QString>

#include "search/SearchWords.h"

namespace {

bool Finds(const QString& text, const QStringList& words) {
  return WordFinder(words).inEveryWord(reinterpret_cast<const char16_t*>(text.utf16()),
                                       static_cast<size_t>(text.size()));
}

// A word at every place of texts of every length around the eight units
// looked at together, and near misses that agree in the first and last unit
// only: found exactly where QString::contains finds it.
TEST(WordFinder, FindsAWordAtEveryPlaceOfEveryLength) {
  const QString words[] = {QStringLiteral("q"), QStringLiteral("qz"), QStringLiteral("qrz"),
                           QStringLiteral("qrstuvwz"), QStringLiteral("qrstuvwxyz0123456z")};
  for (const QString& word : words) {
    QString miss = word;
    if (miss.size() > 2) miss[1] = QLatin1Char('#');  // same first and last unit
    for (int length = 0; length <= 40; ++length) {
      for (int at = 0; at + word.size() <= length; ++at) {
        SCOPED_TRACE((word + QStringLiteral(" at %1 of %2").arg(at).arg(length)).toStdString());
        QString text(length, QLatin1Char('a'));
        text.replace(at, word.size(), word);
        EXPECT_TRUE(Finds(text, {word}));
        // The last place a word can start, and one unit short of the text.
        EXPECT_EQ(Finds(text.left(length - 1), {word}), text.left(length - 1).contains(word));
        QString nearly(length, QLatin1Char('a'));
        nearly.replace(at, miss.size(), miss);
        EXPECT_EQ(Finds(nearly, {word}), nearly.contains(word));
      }
      EXPECT_FALSE(Finds(QString(length, QLatin1Char('a')), {word})) << length;
    }
  }
}

TEST(WordFinder, NeedsEveryWordAndFindsAnythingWithoutWords) {
  const QString text = QStringLiteral("deep learning\nnotes on ｶﾀｶﾅ");
  const QString folded = FoldForSearch(text);
  struct Case {
    const char* typed;
    bool found;
  } cases[] = {
      {"", true},           {"deep", true},   {"learning deep", true}, {"deep missing", false},
      {"カタカナ", true},   {"かたかな", false}, {"learningnotes", false}, {"NOTES ON", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.typed);
    const QStringList words = SearchWords(QString::fromUtf8(c.typed));
    EXPECT_EQ(Finds(folded, words), c.found);
    EXPECT_EQ(Finds(folded, words), ContainsEveryWord(folded, words));
  }
}

}  // namespace
