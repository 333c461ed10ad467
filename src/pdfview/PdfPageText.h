#pragma once
// The text of a PDF's pages for the viewer: selections of characters on one
// page, searching forwards or backwards from a selection ignoring case and
// width, every occurrence on a page, and the selection of a drag with the
// text tool. Each page's text and the boxes its lines cover are read once
// and kept.
//
// What a search looks for: any of the searched texts (several: the terms of
// one query, all found together), each as its words in that order, with any
// run of white space (a line's end included) between them where the text has
// white space. Texts are compared folded as the full-text index folds them
// (FoldForSearch, textfold/SearchFold.h): case and character width do not
// matter, so "FULL" finds "ｆｕｌｌ" and "ｶﾞｲﾄﾞ" finds "ガイド", as the index
// does. An occurrence selects the page's characters it was folded from. So "deep learning" is found where a line
// ends after "deep". A text of white space alone is found nowhere. Where
// occurrences of two texts begin at one place, the longer text's is found;
// occurrences found together never overlap.

#include <QList>
#include <QPointF>
#include <QPolygonF>
#include <QRectF>
#include <QRegularExpression>
#include <QString>
#include <QStringList>
#include <QVector>
#include <functional>

#include "pdfview/PdfDocument.h"

/// Characters [start, end) of the text of `page`, with the shapes they
/// cover on the page (in points, origin top left) and their text.
struct PdfTextSelection {
  int page = -1;
  int start = 0;
  int end = 0;
  QString text;
  QList<QPolygonF> bounds;

  bool isValid() const { return page >= 0 && end > start; }
};

class PdfPageText {
 public:
  /// The text of `document` (not owned; null: a document without text).
  explicit PdfPageText(PdfDocument* document = nullptr);

  /// Starts over with another document, forgetting what was read.
  void setDocument(PdfDocument* document);

  /// `interrupted` is asked before each page a search (find, findFromPage)
  /// reads; when it says yes, the search stops and finds nothing. For a
  /// search on a worker thread that has been overtaken.
  void setInterruption(std::function<bool()> interrupted) { _interrupted = std::move(interrupted); }

  /// The text of `page` as the engine reads it, lines ending in "\n"
  /// (empty for a page that does not exist).
  const QString& pageText(int page);

  /// Characters [start, end) of `page`; invalid when the range is empty or
  /// the page does not exist.
  PdfTextSelection selectCharacters(int page, int start, int end);

  /// The text between two points of `page` (points, origin top left), as a
  /// drag from `from` to `to` selects it: the characters whose centres lie
  /// between the two places in reading order. A point beside the text counts
  /// as the nearest place in the nearest line (nearest in height first), so
  /// a drag past the end of a line ends the selection there. Invalid when
  /// the page has no text or the points meet the same place.
  PdfTextSelection selectBetween(int page, QPointF from, QPointF to);

  /// The next occurrence of any of `texts` after `from`: forwards it
  /// begins at or after the end of `from` (at the start of the document
  /// when `from` is invalid); backwards it begins before the start of
  /// `from` (searching from the end of the document when `from` is
  /// invalid), the nearest one first. The search does not wrap around. An
  /// invalid selection when there is none or `texts` has no words.
  PdfTextSelection find(const QStringList& texts, const PdfTextSelection& from, bool backwards);

  /// The first occurrence of any of `texts` that begins on `page` or a later
  /// one (no wrapping); invalid when there is none.
  PdfTextSelection findFromPage(const QStringList& texts, int page);

  /// Every occurrence of any of `texts` on `page`, in reading order, none
  /// overlapping the one before; none for a page that does not exist.
  QList<PdfTextSelection> findAll(const QStringList& texts, int page);

 private:
  // A page's text folded for searching, and for each of its units the
  // characters [from, to) of the page's text it was folded from.
  struct FoldedText {
    QString text;
    QVector<int> from;
    QVector<int> to;
  };
  struct Page {
    bool read = false;
    PdfPageTextData data;
    QVector<int> lineStarts;  // index in the text of each line's first character
    bool isFolded = false;
    FoldedText folded;  // made at the first search of the page
  };
  // A point moved onto the nearest text, and the index of its line (-1
  // when the page has no text).
  struct TextPlace {
    QPointF point;
    int line;
  };
  Page& page(int index);
  const FoldedText& folded(int index);
  /// The first unit of the folded text of `page` that comes from character
  /// `index` of its text or a later one.
  int foldedIndex(int page, int index);
  /// The characters of `page` that folded units [start, end) come from.
  PdfTextSelection selectFolded(int page, int start, int end);
  /// The first match of `pattern` on pages `page`.. that begins at or after
  /// character `index` of `page`.
  PdfTextSelection findForwards(const QRegularExpression& pattern, int page, int index);
  TextPlace toText(int page, QPointF point);
  /// Index in the page's text of the place `place`: the first character of
  /// its line whose centre lies right of it (the line's end when none).
  int indexAt(int page, const TextPlace& place);

  bool interrupted() const { return _interrupted && _interrupted(); }

  PdfDocument* _document = nullptr;
  QVector<Page> _pages;
  std::function<bool()> _interrupted;
};
