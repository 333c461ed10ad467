#pragma once
// The viewer's scroll bars (the PDF view's and its sidebar's, which follows
// the pages), drawn flat. The usual style (Fusion) paints a scroll bar's
// groove and handle with gradients, and Qt's raster painter spreads a large
// gradient fill over its thread pool and waits for it: the window's thread
// would wait for other threads at every paint while the pages scroll,
// longest when the machine is busy. This style draws the bar
// in plain colours of the palette (which a painter fills at once, on its
// own thread) and leaves everything else to the application's style: the
// bar's size, its parts' places, its arrows and how it behaves.

#include <QProxyStyle>

class QAbstractScrollArea;

class PdfScrollBarStyle : public QProxyStyle {
  Q_OBJECT

 public:
  /// The process's one instance, made on first use and owned by the
  /// application object (a widget whose style goes falls back to the
  /// application's).
  static PdfScrollBarStyle* instance();
  /// Gives both scroll bars of `area` this style.
  static void applyTo(QAbstractScrollArea* area);

  /// The groove and the handle in `palette`'s plain colours; the handle is
  /// darker while it is pressed or under the pointer.
  static QColor grooveColor(const QPalette& palette);
  static QColor handleColor(const QPalette& palette, bool active);

  void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option, QPainter* painter,
                          const QWidget* widget = nullptr) const override;

 private:
  PdfScrollBarStyle() = default;
};
