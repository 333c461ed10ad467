#pragma once
// The pages that navigation in the PDF view went to, for back and forward,
// as a browser keeps them: a jump drops what lay ahead of the current
// place and becomes the current place; scrolling only moves the current
// place without adding one.

#include <QVector>

class PdfHistory {
 public:
  /// A history of the one place `page`.
  explicit PdfHistory(int page = 0) { clear(page); }

  /// Starts over with the one place `page`.
  void clear(int page);
  /// A jump to `page`: a new current place after the current one (nothing
  /// when it is already the current place).
  void jump(int page);
  /// The current place is now `page` (a scroll, not a jump).
  void update(int page) { _pages[_current] = page; }

  bool canGoBack() const { return _current > 0; }
  bool canGoForward() const { return _current + 1 < _pages.size(); }
  /// Moves to the place before / after the current one and returns its
  /// page; the current page when there is none.
  int back();
  int forward();
  int current() const { return _pages[_current]; }

 private:
  QVector<int> _pages;
  int _current = 0;
};
