#include "textfold/SearchFold.h"

#include <QChar>

#include <algorithm>
#include <array>
#include <memory>

namespace {

// For each UTF-16 unit: what it folds to when it stands for itself, or 0 when
// it must go through the whole rule. A unit folds alone when it is a starter
// that never composes onto a preceding character, NFKC maps it to one such
// unit (often itself), and case folding maps that to one unit. Such a unit is a boundary
// normalization cannot reach across, except that a following mark or
// composing character may join it: so the unit before one that does not fold
// alone goes through the whole rule with it.
using FoldTable = std::array<char16_t, 0x10000>;

// Marks every code unit that some canonical composition takes as a later
// part (a following letter or mark), so that it is never folded alone.
void MarkComposingParts(std::array<bool, 0x10000>& composesOnto) {
  for (char32_t c = 0; c <= 0x10FFFF; ++c) {
    if (QChar::decompositionTag(c) != QChar::Canonical) continue;
    const QString parts = QChar::decomposition(c);
    for (qsizetype i = 1; i < parts.size(); ++i) composesOnto[parts.at(i).unicode()] = true;
  }
  // Hangul jamo join algorithmically (leading + vowel + trailing).
  for (char16_t c = 0x1100; c <= 0x11FF; ++c) composesOnto[c] = true;
}

FoldTable BuildFoldTable() {
  auto composesOnto = std::make_unique<std::array<bool, 0x10000>>();
  composesOnto->fill(false);
  MarkComposingParts(*composesOnto);
  FoldTable table{};
  for (char32_t c = 0; c < 0x10000; ++c) {
    const QChar unit(static_cast<char16_t>(c));
    if (unit.isSurrogate() || QChar::combiningClass(c) != 0 || (*composesOnto)[c]) continue;
    // One unit NFKC maps to another starter that joins nothing before it
    // (a full-width letter or space) folds alone as well.
    const QString normal = QString(unit).normalized(QString::NormalizationForm_KC);
    if (normal.size() != 1) continue;
    const char16_t n = normal.at(0).unicode();
    if (QChar::isSurrogate(n) || QChar::combiningClass(n) != 0 || (*composesOnto)[n]) continue;
    const QString folded = normal.toCaseFolded();
    if (folded.size() == 1) table[c] = folded.at(0).unicode();
  }
  return table;
}

// Whether `run` holds half of a surrogate pair without the other half. Qt's
// normalization turns such a unit into U+FFFD only when something else in
// the text needs normalizing, so a text with one is folded whole.
bool HasLoneSurrogate(QStringView run) {
  for (qsizetype i = 0; i < run.size(); ++i) {
    if (run[i].isHighSurrogate() && i + 1 < run.size() && run[i + 1].isLowSurrogate()) ++i;
    else if (run[i].isSurrogate()) return true;
  }
  return false;
}

const FoldTable& Table() {
  static const FoldTable table = BuildFoldTable();
  return table;
}

}  // namespace

QString FoldForSearchWhole(const QString& text) {
  return text.normalized(QString::NormalizationForm_KC).toCaseFolded();
}

QString FoldForSearch(const QString& text) {
  const FoldTable& table = Table();
  const char16_t* in = reinterpret_cast<const char16_t*>(text.constData());
  const qsizetype n = text.size();
  // Most texts fold to themselves (already lower case): share, do not copy.
  qsizetype same = 0;
  while (same < n && table[in[same]] == in[same] && in[same] != 0) ++same;
  if (same == n) return text;
  if (same > 0) --same;  // the unit before may join the one that differs

  // Written unit by unit through a pointer, as an append per unit costs a
  // call each: room for the text as long as it is, grown only where the
  // whole rule makes a run longer.
  QString out(n, Qt::Uninitialized);
  char16_t* to = reinterpret_cast<char16_t*>(out.data());
  qsizetype length = same;
  std::copy(in, in + same, to);
  qsizetype i = same;
  while (i < n) {
    const char16_t folded = table[in[i]];
    if (folded != 0 && (i + 1 == n || table[in[i + 1]] != 0)) {
      to[length++] = folded;
      ++i;
      continue;
    }
    // A run that needs the whole rule: from here up to a unit that folds
    // alone and is not followed by one that does not.
    qsizetype end = i + 1;
    while (end < n && (table[in[end]] == 0 || (end + 1 < n && table[in[end + 1]] == 0))) ++end;
    const QStringView run(in + i, end - i);
    if (HasLoneSurrogate(run)) return FoldForSearchWhole(text);
    const QString whole = FoldForSearchWhole(run.toString());
    const qsizetype room = length + whole.size() + (n - end);
    if (room > out.size()) {
      out.resize(room);
      to = reinterpret_cast<char16_t*>(out.data());
    }
    std::copy_n(reinterpret_cast<const char16_t*>(whole.constData()), whole.size(), to + length);
    length += whole.size();
    i = end;
  }
  out.truncate(length);
  return out;
}
