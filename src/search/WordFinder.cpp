#include "search/WordFinder.h"

#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

WordFinder::WordFinder(const QStringList& words) : _words(words) {
  for (const QString& word : _words)
    _prepared.push_back(Word{reinterpret_cast<const char16_t*>(word.utf16()), static_cast<size_t>(word.size())});
}

bool WordFinder::inEveryWord(const char16_t* text, size_t length) const {
  for (const Word& word : _prepared)
    if (!contains(text, length, word)) return false;
  return true;
}

bool WordFinder::contains(const char16_t* text, size_t length, const Word& word) {
  const size_t m = word.length;
  if (m == 0) return true;
  if (m > length) return false;
  const size_t last = length - m;  // the last place a match can start
  const auto matchesAt = [&](size_t at) { return std::memcmp(text + at, word.units, m * sizeof(char16_t)) == 0; };
  size_t at = 0;
#ifdef __SSE2__
  // Eight places at a time while both loads stay inside the text: a place
  // is a candidate where its first unit and the unit m - 1 further on are
  // the word's first and last.
  const __m128i first = _mm_set1_epi16(static_cast<short>(word.units[0]));
  const __m128i lastUnit = _mm_set1_epi16(static_cast<short>(word.units[m - 1]));
  for (; at + 8 <= last + 1; at += 8) {
    const __m128i starts = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + at));
    const __m128i ends = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + at + m - 1));
    const __m128i both = _mm_and_si128(_mm_cmpeq_epi16(starts, first), _mm_cmpeq_epi16(ends, lastUnit));
    // Two mask bits per unit; the lower one of each pair names the place.
    for (unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(both)) & 0x5555u; mask != 0; mask &= mask - 1)
      if (matchesAt(at + static_cast<size_t>(__builtin_ctz(mask)) / 2)) return true;
  }
#endif
  // The places left (every place where the processor has no SSE2).
  for (; at <= last; ++at)
    if (text[at] == word.units[0] && matchesAt(at)) return true;
  return false;
}
