#include "search/NarrowingSteps.h"

#include "search/EntryFilter.h"

const std::vector<int32_t>* NarrowingSteps::candidatesFor(const QStringList& words) {
  // Each kept list narrows the one before it, and narrowing passes on (a
  // word inside a word inside a word), so the results that `words` narrow
  // are the first ones: drop from the narrow end until one is.
  while (!_steps.empty() && !NarrowsFurther(words, _steps.back().first)) _steps.pop_back();
  return _steps.empty() ? nullptr : &_steps.back().second;
}

void NarrowingSteps::keep(const QStringList& words, const std::vector<int32_t>& rows) {
  if (words.isEmpty()) return;
  candidatesFor(words);  // keeps each result narrower than the one before
  if (!_steps.empty() && _steps.back().first == words) {
    _steps.back().second = rows;
    return;
  }
  if (_steps.size() == kMaxSteps) _steps.erase(_steps.begin());
  _steps.emplace_back(words, rows);
}
