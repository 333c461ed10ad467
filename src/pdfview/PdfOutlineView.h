#pragma once
// The outline (table of contents) of a PDF in the viewer's sidebar: a tree
// of the document's outline items. Clicking an item that leads to a page
// asks for that page; as the user pages, the section the current page is
// in is highlighted.

#include <QTreeWidget>
#include <QVector>

#include "pdfview/PdfDocument.h"

class PdfOutlineView : public QTreeWidget {
  Q_OBJECT

 public:
  explicit PdfOutlineView(QWidget* parent = nullptr);

  /// Shows `items` (document order, with depths), the top level expanded.
  /// An item deeper than the one before it by more than one level goes
  /// right below that one.
  void setOutline(const QVector<PdfOutlineItem>& items);
  /// Highlights the current section of `page`: the last item in document
  /// order among those on the greatest page not after it. None when every
  /// item comes later. Emits nothing.
  void highlightPage(int page);
  /// The highlighted item's title (empty when none), for tests and status.
  QString highlightedTitle() const;

 signals:
  /// The user chose an item that leads to `page`.
  void pageRequested(int page);

 private:
  QVector<QTreeWidgetItem*> _items;  // document order
};
