#include "gui/shell/StartWindow.h"

#include <QAction>
#include <QCloseEvent>
#include <QKeySequence>

#include "gui/shell/RecentLibraryDelegate.h"
#include "gui/shell/StartWindowPlace.h"
#include "ui_StartWindow.h"

StartWindow::StartWindow(QWidget* parent) : QWidget(parent), _ui(std::make_unique<Ui::StartWindow>()) {
  _ui->setupUi(this);
  QFont headingFont = _ui->heading->font();
  headingFont.setPointSizeF(headingFont.pointSizeF() * 1.4);
  headingFont.setBold(true);
  _ui->heading->setFont(headingFont);
  _ui->recentList->setItemDelegate(new RecentLibraryDelegate(_ui->recentList));
  _ui->recentList->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  connect(_ui->newButton, &QPushButton::clicked, this, &StartWindow::newRequested);
  connect(_ui->openButton, &QPushButton::clicked, this, &StartWindow::openRequested);
  connect(_ui->recentList, &QListWidget::itemActivated, this, [this](QListWidgetItem* item) {
    emit openRecentRequested(item->data(Qt::UserRole).toString());
  });

  // The shortcuts of the library window's menus work here too.
  struct Shortcut {
    QKeySequence keys;
    void (StartWindow::*signal)();
  };
  const Shortcut shortcuts[] = {{QKeySequence(Qt::CTRL | Qt::Key_N), &StartWindow::newRequested},
                                {QKeySequence(Qt::CTRL | Qt::Key_O), &StartWindow::openRequested},
                                {QKeySequence(Qt::CTRL | Qt::Key_Q), &StartWindow::quitRequested},
                                {QKeySequence(Qt::Key_F1), &StartWindow::helpRequested}};
  for (const Shortcut& shortcut : shortcuts) {
    auto* action = new QAction(this);
    action->setShortcut(shortcut.keys);
    connect(action, &QAction::triggered, this, shortcut.signal);
    addAction(action);
  }
  auto* closeAction = new QAction(this);
  closeAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_W));
  connect(closeAction, &QAction::triggered, this, &QWidget::close);
  addAction(closeAction);
}

StartWindow::~StartWindow() = default;

void StartWindow::setRecentLibraries(const QStringList& paths) {
  _ui->recentList->clear();
  for (const QString& path : paths) {
    // The text is what assistive tools read; the delegate draws the lines.
    const RecentLibraryLines lines = RecentLibraryLinesOf(path);
    auto* item = new QListWidgetItem(lines.name + QLatin1Char('\n') + lines.folder, _ui->recentList);
    item->setData(Qt::UserRole, path);
    item->setToolTip(path);
  }
  if (_ui->recentList->count() > 0) _ui->recentList->setCurrentRow(0);
  _ui->recentTitle->setVisible(!paths.isEmpty());
  _ui->recentList->setVisible(!paths.isEmpty());
}

QStringList StartWindow::recentLibraries() const {
  QStringList paths;
  for (int row = 0; row < _ui->recentList->count(); ++row)
    paths << _ui->recentList->item(row)->data(Qt::UserRole).toString();
  return paths;
}

void StartWindow::hideEvent(QHideEvent* event) {
  // Closing hides the window too; a hide the window manager reports for a
  // minimised window is spontaneous and leaves the place as it is.
  if (!event->spontaneous()) RememberStartWindowCorner(pos());
  QWidget::hideEvent(event);
}

void StartWindow::closeEvent(QCloseEvent* event) {
  event->accept();
  emit closed();
}
