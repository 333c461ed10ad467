#include "gui/library/FolianMainWindow.h"

#include <QCloseEvent>

#include "ui_FolianDocument.h"

FolianMainWindow::FolianMainWindow(QWidget* parent)
    : QMainWindow(parent), _ui(std::make_unique<Ui::FolianDocument>()) {
  _ui->setupUi(this);
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
