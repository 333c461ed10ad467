#pragma once
// The library window (interface "FolianDocument"): a plain main window that
// tells its document when it was moved, resized or is about to close. All
// decisions are the document's.

#include <QMainWindow>
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

 protected:
  void moveEvent(QMoveEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  std::unique_ptr<Ui::FolianDocument> _ui;
  std::function<bool()> _mayClose;
  bool _closed = false;
};
