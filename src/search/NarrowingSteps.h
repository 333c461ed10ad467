#pragma once
// What the filter box found for the word lists typed since the entry list
// was made, each list narrower than the one before it (typing on adds to a
// word or adds a word). A keystroke, typed or erased, then only has to look
// at the narrowest earlier result that holds all of its matches: erasing a
// letter goes back to the result the letter was typed on, instead of
// scanning every listed entry again.

#include <QStringList>
#include <cstdint>
#include <utility>
#include <vector>

class NarrowingSteps {
 public:
  /// Forgets every result, as when the list is made again.
  void clear() { _steps.clear(); }

  /// The narrowest kept result that holds every entry that contains all of
  /// `words` (NarrowsFurther), or null when none does and the whole list
  /// must be looked at. Forgets the results narrower than that one: they
  /// belong to words that `words` no longer narrow. The result stays valid
  /// until the next call of a non-const method.
  const std::vector<int32_t>* candidatesFor(const QStringList& words);

  /// Keeps `rows` as what `words` found, forgetting first the results that
  /// `words` do not narrow (as candidatesFor does). No
  /// words keep nothing: the whole list stands for them. Keeps at most
  /// kMaxSteps results, forgetting the widest first.
  void keep(const QStringList& words, const std::vector<int32_t>& rows);

  /// How many results are kept.
  size_t size() const { return _steps.size(); }

  static constexpr size_t kMaxSteps = 32;

 private:
  std::vector<std::pair<QStringList, std::vector<int32_t>>> _steps;  // widest first
};
