#pragma once
// The viewer's sidebar: the document's outline and its page thumbnails, on
// two tabs, following a PdfView. Choosing an outline item or a thumbnail
// shows that page in the view (recorded in its history); as the view's
// current page changes, both highlight it. A hidden sidebar reads nothing
// from the document until it is shown, so that opening a window with the
// sidebar closed costs nothing for it.

#include <QTabWidget>

class PdfView;
class PdfOutlineView;
class PdfThumbnailView;

class PdfSidebar : public QTabWidget {
  Q_OBJECT

 public:
  /// The tabs, in their order.
  enum Panel { kOutlinePanel = 0, kThumbnailPanel = 1 };

  /// Follows `view` (not owned; it must outlive the sidebar) from now on,
  /// including the document it shows.
  explicit PdfSidebar(PdfView* view, QWidget* parent = nullptr);

  PdfOutlineView* outline() const { return _outline; }
  PdfThumbnailView* thumbnails() const { return _thumbnails; }

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void documentChanged();
  void pageChanged();
  /// Reads the view's document into the panels when it has not been yet.
  void load();

  PdfView* _view;
  bool _loaded = false;  // the panels show the view's current document
  PdfOutlineView* _outline;
  PdfThumbnailView* _thumbnails;
};
