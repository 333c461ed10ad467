#pragma once
// The library window (interface "FolianDocument"): a plain main window that
// tells its document when it was moved, resized or is about to close, and
// which files were dropped on it. All decisions are the document's.

#include <QList>
#include <QMainWindow>
#include <QUrl>
#include <functional>
#include <memory>

namespace Ui {
class FolianDocument;
}

class FolianMainWindow : public QMainWindow {
  Q_OBJECT

 public:
  explicit FolianMainWindow(QWidget* parent = nullptr);
  ~FolianMainWindow() override;

  Ui::FolianDocument* ui() const { return _ui.get(); }

  /// Decides whether a close request is let through (a command in progress
  /// keeps the window open).
  void setCloseGuard(std::function<bool()> mayClose) { _mayClose = std::move(mayClose); }

 signals:
  void moved();
  void resized();
  /// The window is closing for good; the document saves its state now.
  void closing();
  /// Files or folders were dropped on the window (DroppedFiles sorts them).
  /// Drags that start in this window itself are never dropped on it.
  void filesDropped(const QList<QUrl>& urls);

 protected:
  void moveEvent(QMoveEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dragLeaveEvent(QDragLeaveEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  std::unique_ptr<Ui::FolianDocument> _ui;
  std::function<bool()> _mayClose;
  bool _closed = false;
  QList<QUrl> _draggedUrls;  // of the drag over the window, when it takes them
};
