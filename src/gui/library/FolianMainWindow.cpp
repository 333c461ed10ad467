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

void FolianMainWindow::dragEnterEvent(QDragEnterEvent* event) {
  _draggedUrls.clear();
  const QList<QUrl> urls = event->mimeData()->urls();
  if (!(event->possibleActions() & Qt::CopyAction) || !WindowTakesDrag(this, event->source(), urls))
    return event->ignore();
  _draggedUrls = urls;
  event->setDropAction(Qt::CopyAction);
  event->accept();
}

void FolianMainWindow::dragMoveEvent(QDragMoveEvent* event) {
  if (_draggedUrls.isEmpty()) return event->ignore();
  event->setDropAction(Qt::CopyAction);
  event->accept();
}

void FolianMainWindow::dragLeaveEvent(QDragLeaveEvent* event) {
  _draggedUrls.clear();
  QMainWindow::dragLeaveEvent(event);
}

void FolianMainWindow::dropEvent(QDropEvent* event) {
  // The files the drag carried when it entered: some programs no longer hand
  // over their data once the button is released.
  QList<QUrl> urls = event->mimeData()->urls();
  if (urls.isEmpty()) urls = _draggedUrls;
  _draggedUrls.clear();
  if (!WindowTakesDrag(this, event->source(), urls)) return event->ignore();
  event->setDropAction(Qt::CopyAction);
  event->accept();
  emit filesDropped(urls);
}
