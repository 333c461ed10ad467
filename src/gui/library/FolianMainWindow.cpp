#include "gui/library/FolianMainWindow.h"

#include <QCloseEvent>
#include <QDropEvent>
#include <QMimeData>

#include "gui/library/DroppedFiles.h"

#include "ui_FolianDocument.h"

FolianMainWindow::FolianMainWindow(QWidget* parent)
    : QMainWindow(parent), _ui(std::make_unique<Ui::FolianDocument>()) {
  _ui->setupUi(this);
  setAcceptDrops(true);
}

FolianMainWindow::~FolianMainWindow() = default;

void FolianMainWindow::moveEvent(QMoveEvent* event) {
  QMainWindow::moveEvent(event);
  emit moved();
}

void FolianMainWindow::resizeEvent(QResizeEvent* event) {
  QMainWindow::resizeEvent(event);
  emit resized();
}

void FolianMainWindow::closeEvent(QCloseEvent* event) {
  if (_closed) {
    event->accept();
    return;
  }
  if (_mayClose && !_mayClose()) {
    event->ignore();
    return;
  }
  _closed = true;
  event->accept();
  emit closing();
}

namespace {

bool Takes(const QMainWindow* window, const QDropEvent* event) {
  return (event->possibleActions() & Qt::CopyAction) && WindowTakesDrag(window, event->source(), event->mimeData());
}

}  // namespace

void FolianMainWindow::dragEnterEvent(QDragEnterEvent* event) {
  if (!Takes(this, event)) return event->ignore();
  event->setDropAction(Qt::CopyAction);
  event->accept();
}

void FolianMainWindow::dragMoveEvent(QDragMoveEvent* event) {
  if (!Takes(this, event)) return event->ignore();
  event->setDropAction(Qt::CopyAction);
  event->accept();
}

void FolianMainWindow::dropEvent(QDropEvent* event) {
  if (!Takes(this, event)) return event->ignore();
  event->setDropAction(Qt::CopyAction);
  event->accept();
  emit filesDropped(event->mimeData()->urls());
}
