#include "pdfview/PdfOutlineView.h"

#include <QHeaderView>
#include <QSignalBlocker>
#include <algorithm>

#include "pdfview/PdfScrollBarStyle.h"

namespace {

constexpr int kPageRole = Qt::UserRole;

}  // namespace

PdfOutlineView::PdfOutlineView(QWidget* parent) : QTreeWidget(parent) {
  setHeaderHidden(true);
  setColumnCount(1);
  setUniformRowHeights(true);
  PdfScrollBarStyle::applyTo(this);  // it scrolls along with the pages
  connect(this, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* item) {
    const int page = item->data(0, kPageRole).toInt();
    if (page >= 0) emit pageRequested(page);
  });
  connect(this, &QTreeWidget::itemActivated, this, [this](QTreeWidgetItem* item) {
    const int page = item->data(0, kPageRole).toInt();
    if (page >= 0) emit pageRequested(page);
  });
}

void PdfOutlineView::setOutline(const QVector<PdfOutlineItem>& items) {
  clear();
  _items.clear();
  QVector<QTreeWidgetItem*> parents;  // the last item of each depth above the next
  for (const PdfOutlineItem& entry : items) {
    const int depth = std::min(int(parents.size()), entry.depth);
    parents.resize(depth);
    auto* item = depth == 0 ? new QTreeWidgetItem(this) : new QTreeWidgetItem(parents.back());
    item->setText(0, entry.title);
    item->setToolTip(0, entry.title);
    item->setData(0, kPageRole, entry.page);
    parents.append(item);
    _items.append(item);
  }
  expandToDepth(0);
}

void PdfOutlineView::highlightPage(int page) {
  QTreeWidgetItem* best = nullptr;
  int bestPage = -1;
  for (QTreeWidgetItem* item : _items) {
    const int itemPage = item->data(0, kPageRole).toInt();
    if (itemPage >= 0 && itemPage <= page && itemPage >= bestPage) {
      best = item;
      bestPage = itemPage;
    }
  }
  const QSignalBlocker blocker(this);
  if (best == nullptr) {
    setCurrentItem(nullptr);
    clearSelection();
    return;
  }
  for (QTreeWidgetItem* parent = best->parent(); parent != nullptr; parent = parent->parent()) parent->setExpanded(true);
  setCurrentItem(best);
  scrollToItem(best);
}

QString PdfOutlineView::highlightedTitle() const {
  const QList<QTreeWidgetItem*> selected = selectedItems();
  return selected.isEmpty() ? QString() : selected.front()->text(0);
}
