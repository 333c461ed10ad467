#include "pdfview/PdfPageText.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>
#include <vector>

#include "textfold/SearchFold.h"

namespace {

// How far inside a line's box a point beside it is put, in points.
constexpr double kInset = 0.5;

// What a search for `texts` matches (see the header); an empty pattern for
// texts without words.
QRegularExpression SearchPattern(const QStringList& texts) {
  static const QRegularExpression kSpaces(QStringLiteral("\\s+"));
  QStringList alternatives;
  std::vector<QStringList> byText;
  for (const QString& text : texts) {
    const QStringList words = FoldForSearch(text).split(kSpaces, Qt::SkipEmptyParts);
    if (!words.isEmpty()) byText.push_back(words);
  }
  // An alternation takes the first alternative that matches at a place:
  // longer texts first, so that "learning" is not cut to "learn".
  const auto length = [](const QStringList& words) { return words.join(QLatin1Char(' ')).size(); };
  std::stable_sort(byText.begin(), byText.end(),
                   [&length](const QStringList& a, const QStringList& b) { return length(a) > length(b); });
  for (const QStringList& words : byText) {
    QStringList escaped;
    for (const QString& word : words) escaped.append(QRegularExpression::escape(word));
    alternatives.append(escaped.join(QStringLiteral("\\s+")));
  }
  if (alternatives.isEmpty()) return QRegularExpression();
  return QRegularExpression(alternatives.join(QLatin1Char('|')), QRegularExpression::UseUnicodePropertiesOption);
}

// The code point at `at` of `text` and how many UTF-16 units it takes.
std::pair<char32_t, int> CodePointAt(const QString& text, int at) {
  const QChar unit = text.at(at);
  if (unit.isHighSurrogate() && at + 1 < text.size() && text.at(at + 1).isLowSurrogate())
    return {QChar::surrogateToUcs4(unit, text.at(at + 1)), 2};
  return {unit.unicode(), 1};
}

// Whether the character `code` joins the one before it when text is
// composed: a combining mark, or a mark that decomposes to one (the
// half-width voiced sound marks, which make "ｶﾞ" one "ガ").
bool JoinsThePrevious(char32_t code) {
  if (code < 0x300) return false;
  const QList<uint> decomposed = QString::fromUcs4(&code, 1).normalized(QString::NormalizationForm_KD).toUcs4();
  return !decomposed.isEmpty() && QChar::combiningClass(char32_t(decomposed.first())) != 0;
}

}  // namespace

PdfPageText::PdfPageText(PdfDocument* document) { setDocument(document); }

void PdfPageText::setDocument(PdfDocument* document) {
  _document = document;
  _pages = QVector<Page>(document != nullptr ? document->pageCount() : 0);
}

PdfPageText::Page& PdfPageText::page(int index) {
  Page& page = _pages[index];
  if (!page.read) {
    page.data = _document->pageText(index);
    // Every line ends with "\n": one start per line.
    const QString& text = page.data.text;
    int lineStart = 0;
    for (int at = 0; at < text.size(); ++at) {
      if (text[at] != QLatin1Char('\n')) continue;
      page.lineStarts.append(lineStart);
      lineStart = at + 1;
    }
    page.read = true;
  }
  return page;
}

const PdfPageText::FoldedText& PdfPageText::folded(int index) {
  Page& text = page(index);
  if (text.isFolded) return text.folded;
  // Folded a character at a time (with the marks that join it), so that each
  // folded unit knows the characters it came from.
  const QString& original = text.data.text;
  FoldedText& folded = text.folded;
  folded.text.reserve(original.size());
  for (int at = 0; at < original.size();) {
    int end = at + CodePointAt(original, at).second;
    while (end < original.size() && JoinsThePrevious(CodePointAt(original, end).first))
      end += CodePointAt(original, end).second;
    const QChar first = original.at(at);
    const QString piece = end == at + 1 && first.unicode() < 0x80 ? QString(first.toLower())
                                                                  : FoldForSearch(original.mid(at, end - at));
    folded.text += piece;
    for (int unit = 0; unit < piece.size(); ++unit) {
      folded.from.append(at);
      folded.to.append(end);
    }
    at = end;
  }
  text.isFolded = true;
  return folded;
}

int PdfPageText::foldedIndex(int index, int character) {
  const QVector<int>& from = folded(index).from;
  return int(std::lower_bound(from.begin(), from.end(), character) - from.begin());
}

PdfTextSelection PdfPageText::selectFolded(int index, int start, int end) {
  const FoldedText& text = folded(index);
  if (start < 0 || end <= start || end > text.text.size()) return {};
  return selectCharacters(index, text.from[start], text.to[end - 1]);
}

const QString& PdfPageText::pageText(int index) {
  static const QString kNone;
  if (index < 0 || index >= _pages.size()) return kNone;
  return page(index).data.text;
}

PdfTextSelection PdfPageText::selectCharacters(int index, int start, int end) {
  if (index < 0 || index >= _pages.size() || start < 0) return {};
  const PdfPageTextData& data = page(index).data;
  end = std::min(end, int(data.text.size()));
  if (end <= start) return {};
  PdfTextSelection selection;
  selection.page = index;
  selection.start = start;
  selection.end = end;
  selection.text = data.text.mid(start, end - start);
  // One shape per line: the boxes of its selected characters together.
  QRectF line;
  for (int at = start; at < end; ++at) {
    const QRectF& box = data.boxes[at];
    if (!box.isEmpty()) line |= box;
    if ((data.text[at] == QLatin1Char('\n') || at + 1 == end) && !line.isEmpty()) {
      selection.bounds.append(QPolygonF(line));
      line = QRectF();
    }
  }
  return selection;
}

PdfPageText::TextPlace PdfPageText::toText(int index, QPointF point) {
  const QVector<QRectF>& lines = page(index).data.lines;
  int nearest = -1;
  double bestHeight = std::numeric_limits<double>::max();
  double bestWidth = std::numeric_limits<double>::max();
  for (int line = 0; line < lines.size(); ++line) {
    const QRectF& box = lines[line];
    if (box.contains(point)) return {point, line};
    const double dy = std::max({box.top() - point.y(), point.y() - box.bottom(), 0.0});
    const double dx = std::max({box.left() - point.x(), point.x() - box.right(), 0.0});
    if (dy < bestHeight || (dy == bestHeight && dx < bestWidth)) {
      nearest = line;
      bestHeight = dy;
      bestWidth = dx;
    }
  }
  if (nearest < 0) return {point, -1};
  const QRectF& box = lines[nearest];
  const double left = std::min(box.left() + kInset, box.center().x());
  const double right = std::max(box.right() - kInset, box.center().x());
  return {QPointF(std::clamp(point.x(), left, right), box.center().y()), nearest};
}

int PdfPageText::indexAt(int index, const TextPlace& place) {
  const Page& text = page(index);
  if (place.line < 0 || place.line >= text.lineStarts.size()) return -1;
  int at = text.lineStarts[place.line];
  for (; at < text.data.text.size() && text.data.text[at] != QLatin1Char('\n'); ++at) {
    const QRectF& box = text.data.boxes[at];
    if (!box.isEmpty() && box.center().x() > place.point.x()) break;
  }
  return at;
}

PdfTextSelection PdfPageText::selectBetween(int index, QPointF from, QPointF to) {
  if (index < 0 || index >= _pages.size()) return {};
  int start = indexAt(index, toText(index, from));
  int end = indexAt(index, toText(index, to));
  if (start < 0 || end < 0) return {};
  if (end < start) std::swap(start, end);
  return selectCharacters(index, start, end);
}

PdfTextSelection PdfPageText::findForwards(const QRegularExpression& pattern, int first, int index) {
  for (int at = first; at < _pages.size() && !interrupted(); ++at, index = 0) {
    const QRegularExpressionMatch match = pattern.match(folded(at).text, foldedIndex(at, index));
    if (match.hasMatch()) return selectFolded(at, int(match.capturedStart()), int(match.capturedEnd()));
  }
  return {};
}

PdfTextSelection PdfPageText::find(const QStringList& texts, const PdfTextSelection& from, bool backwards) {
  const int count = static_cast<int>(_pages.size());
  const QRegularExpression pattern = SearchPattern(texts);
  if (pattern.pattern().isEmpty() || count == 0) return {};
  const bool hasStart = from.isValid() && from.page < count;
  if (!backwards) return hasStart ? findForwards(pattern, from.page, from.end) : findForwards(pattern, 0, 0);
  // Backwards: a match must begin before `limit` (-1: anywhere on the page).
  int limit = hasStart ? from.start : -1;
  for (int at = hasStart ? from.page : count - 1; at >= 0 && !interrupted(); --at, limit = -1) {
    const QString& text = folded(at).text;
    const int end = limit < 0 ? int(text.size()) : foldedIndex(at, limit);  // matches begin before it
    if (end == 0) continue;
    QRegularExpressionMatch match;
    const qsizetype found = text.lastIndexOf(pattern, end - 1, &match);
    if (found >= 0) return selectFolded(at, int(found), int(match.capturedEnd()));
  }
  return {};
}

PdfTextSelection PdfPageText::findFromPage(const QStringList& texts, int page) {
  const QRegularExpression pattern = SearchPattern(texts);
  if (pattern.pattern().isEmpty() || page < 0) return {};
  return findForwards(pattern, page, 0);
}

QList<PdfTextSelection> PdfPageText::findAll(const QStringList& texts, int page) {
  QList<PdfTextSelection> hits;
  const QRegularExpression pattern = SearchPattern(texts);
  if (pattern.pattern().isEmpty() || page < 0 || page >= _pages.size()) return hits;
  QRegularExpressionMatchIterator matches = pattern.globalMatch(folded(page).text);
  while (matches.hasNext()) {
    const QRegularExpressionMatch match = matches.next();
    hits.append(selectFolded(page, int(match.capturedStart()), int(match.capturedEnd())));
  }
  return hits;
}
