#include "pdfview/PdfHistory.h"

void PdfHistory::clear(int page) {
  _pages = {page};
  _current = 0;
}

void PdfHistory::jump(int page) {
  if (page == current()) return;
  _pages.resize(_current + 1);
  _pages.append(page);
  ++_current;
}

int PdfHistory::back() {
  if (canGoBack()) --_current;
  return current();
}

int PdfHistory::forward() {
  if (canGoForward()) ++_current;
  return current();
}
