#include "pdfview/PdfScrollBarStyle.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QPainter>
#include <QPointer>
#include <QScrollBar>
#include <QStyleOptionSlider>

PdfScrollBarStyle* PdfScrollBarStyle::instance() {
  static QPointer<PdfScrollBarStyle> style;
  if (style == nullptr) {
    style = new PdfScrollBarStyle;
    style->setParent(QCoreApplication::instance());
  }
  return style;
}

void PdfScrollBarStyle::applyTo(QAbstractScrollArea* area) {
  area->horizontalScrollBar()->setStyle(instance());
  area->verticalScrollBar()->setStyle(instance());
}

QColor PdfScrollBarStyle::grooveColor(const QPalette& palette) { return palette.color(QPalette::Window).darker(108); }

QColor PdfScrollBarStyle::handleColor(const QPalette& palette, bool active) {
  const QColor mid = palette.color(QPalette::Mid);
  return active ? mid.darker(125) : mid;
}

void PdfScrollBarStyle::drawComplexControl(ComplexControl control, const QStyleOptionComplex* option,
                                           QPainter* painter, const QWidget* widget) const {
  const auto* bar = qstyleoption_cast<const QStyleOptionSlider*>(option);
  if (control != CC_ScrollBar || bar == nullptr) {
    QProxyStyle::drawComplexControl(control, option, painter, widget);
    return;
  }
  // Opaque plain colours: the painter fills them itself, without threads.
  QColor groove = grooveColor(bar->palette);
  groove.setAlpha(255);
  painter->fillRect(bar->rect, groove);

  const QRect handle = subControlRect(CC_ScrollBar, bar, SC_ScrollBarSlider, widget);
  if (handle.isValid() && (bar->state & State_Enabled)) {
    const bool active = (bar->activeSubControls & SC_ScrollBarSlider) && (bar->state & (State_Sunken | State_MouseOver));
    QColor color = handleColor(bar->palette, active);
    color.setAlpha(255);
    // A small inset keeps the handle apart from the groove's edges.
    const int inset = 2;
    painter->fillRect(bar->orientation == Qt::Vertical ? handle.adjusted(inset, 0, -inset, 0)
                                                       : handle.adjusted(0, inset, 0, -inset),
                      color);
  }

  const bool vertical = bar->orientation == Qt::Vertical;
  const struct {
    SubControl part;
    PrimitiveElement arrow;
  } arrows[] = {{SC_ScrollBarSubLine, vertical ? PE_IndicatorArrowUp : PE_IndicatorArrowLeft},
                {SC_ScrollBarAddLine, vertical ? PE_IndicatorArrowDown : PE_IndicatorArrowRight}};
  for (const auto& arrow : arrows) {
    // A plain option (not a slider's) for the arrow, as the style expects.
    QStyleOption button(*bar);
    button.type = QStyleOption::SO_Default;
    button.version = QStyleOption::Version;
    button.rect = subControlRect(CC_ScrollBar, bar, arrow.part, widget);
    if (button.rect.isEmpty()) continue;
    proxy()->drawPrimitive(arrow.arrow, &button, painter, widget);
  }
}
