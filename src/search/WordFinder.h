#pragma once
// Finding the filter box's words in folded texts at the speed of a memory
// scan: each word is looked for eight UTF-16 units at a time, by its first
// and last unit, and compared whole only where both agree. A text contains
// a word exactly when QString::contains (case-sensitive) says so, since
// both compare UTF-16 units.

#include <QStringList>
#include <cstddef>
#include <vector>

class WordFinder {
 public:
  /// Finds `words` (SearchWords: folded, none of them empty or holding
  /// white space).
  explicit WordFinder(const QStringList& words);

  /// Whether the `length` units at `text` contain every word; true when
  /// there are no words.
  bool inEveryWord(const char16_t* text, size_t length) const;

 private:
  struct Word {
    const char16_t* units;
    size_t length;
  };
  static bool contains(const char16_t* text, size_t length, const Word& word);

  QStringList _words;  // owns what `_prepared` points into
  std::vector<Word> _prepared;
};
