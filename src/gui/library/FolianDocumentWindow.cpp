// The library window's set-up, layout and remembered state.

#include <algorithm>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLayout>
#include <QScrollBar>
#include <QTableView>
#include <QTreeView>

#include "fulltext/FullTextService.h"
#include "gui/library/EntryListModel.h"
#include "gui/library/CategoryLevelPane.h"
#include "gui/library/ChildWindowRegistry.h"
#include "gui/library/FolianDocument.h"
#include "gui/library/FolianMainWindow.h"
#include "gui/library/LibraryOutlineModel.h"
#include "gui/library/MainView.h"
#include "gui/library/MainWindowLayout.h"
#include "gui/shell/ScreenFit.h"
#include "categories/CategoryLists.h"
#include "format/CategoryNames.h"
#include "ui_FolianDocument.h"

namespace {

// Width of the library outline at the left of the window; the grid of the
// category columns lies to its right.
constexpr int kOutlineWidth = 110;
// Upper pane height of a library that remembers none.
constexpr int kDefaultCategoryPaneHeight = 200;
// A new library's window: category columns this wide, this many entry rows.
constexpr int kDefaultCategoryColumnWidth = 220;
constexpr int kDefaultEntryRows = 20;

}  // namespace

QTableView* FolianDocument::entryListBox() const { return _mainWindow->ui()->entryListBox; }
QLabel* FolianDocument::entryCountLabel() const { return _mainWindow->ui()->entryCountLabel; }
MainView* FolianDocument::categoryEntrySplit() const { return _mainWindow->ui()->categoryEntrySplit; }

void FolianDocument::setUpWindow() {
  Ui::FolianDocument* ui = _mainWindow->ui();
  _outlineModel = new LibraryOutlineModel(this);
  ui->libraryOutline->setModel(_outlineModel);
  ui->libraryOutline->setCurrentIndex(_outlineModel->index(0, 0));
  ui->libraryOutline->setFocusPolicy(Qt::NoFocus);
  ui->categoryArea->setLayout(new QHBoxLayout);
  ui->categoryArea->layout()->setContentsMargins(0, 0, 0, 0);
  ui->categoryArea->layout()->setSpacing(0);
  ui->centralwidget->setMinimumSize(kOutlineWidth + 3 * kMinColumnWidth + 2 * kMainSideMargin,
                                    2 * kMinPaneHeight + categoryEntrySplit()->handleWidth() + kMainBottomMargin);
  categoryEntrySplit()->setStretchFactor(0, 0);
  categoryEntrySplit()->setStretchFactor(1, 1);
  categoryEntrySplit()->setPaneHeights(kDefaultCategoryPaneHeight, kMinPaneHeight);
  connectMenus();

  // The folder of the library opened last starts the next Open panel.
  WindowStateStore::rememberLibraryFolder(fileName());

  createCategoryLevels();
  _entryListModel = new EntryListModel(this);
  _entryListModel->setFlnData(&_fln_data);
  entryListBox()->setModel(_entryListModel);
  entryListBox()->verticalHeader()->setDefaultSectionSize(entryListBox()->fontMetrics().height() + 6);
  for (size_t column = 0; column < EntryListModel::columns().size(); ++column)
    entryListBox()->setColumnWidth(static_cast<int>(column), EntryListModel::columns()[column].width);
  createSearchField();
  connect(entryListBox()->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
    updateCommandStates();
    if (_entrySelectionQuiet > 0) return;
    entryListSelectionDidChange();
  });
  connect(entryListBox(), &QAbstractItemView::doubleClicked, this, [this] { doElementViewDoubleClick(); });
  connect(entryListBox()->horizontalHeader(), &QHeaderView::sortIndicatorChanged, this,
          [this](int column, Qt::SortOrder order) {
            tableViewSortDescriptorsDidChange(column, order == Qt::AscendingOrder);
          });
  setUpDragAndDrop();

  SetupEntryListHeader();
  SetCategoryLabel_ToCategoryLabelBox();

  for (int level = 1; level <= 3; ++level) {
    folianCategory(level)->setTeskAry(CategoryNameAryOf(&_fln_data, level));
    folianCategory(level)->setFlnData(&_fln_data);
  }
  makeEntryList();

  _hasStoredPosition = _windowState.restoreFrame(_mainWindow.get());
  if (!_hasStoredPosition) _mainWindow->resize(defaultWindowSize());
  _windowState.restorePaneHeight(categoryEntrySplit());
  _windowState.restoreCategoryChoices();
  // Scroll positions need the lists on screen; showWindows applies them.
  _windowState.takeScrollPositions();

  // Lay out for the window's frame as it is now, snapping it to the grid.
  _mainWindow->layout()->activate();
  const QSize content = contentSize();
  const QSize needed = SetupMainWindow(content);
  if (needed != content) {
    _mainWindow->resize(_mainWindow->size() + (needed - content));
    _mainWindow->layout()->activate();
  }

  for (int level = 1; level <= 3; ++level)
    if (CategoryChoiceOf(&_fln_data, level)[0] == '\0') SetCategoryChoice(&_fln_data, level, kCategoryAll);
  makeCategoryLists();
  _childWindows->reopen([this](const QString& message) { alert(message); });

  connect(_mainWindow.get(), &FolianMainWindow::moved, this, [this] { saveWindowPosition(); });
  connect(_mainWindow.get(), &FolianMainWindow::resized, this, [this] { windowDidResize(); });
  connect(categoryEntrySplit(), &QSplitter::splitterMoved, this, [this] { saveWindowPosition(); });

  showSortIndicator();
  updateCommandStates();
  _finished_setUpWindow = true;
}

void FolianDocument::showWindows() {
  if (!_mainWindow) return;
  _mainWindow->show();
  _mainWindow->layout()->activate();
  _windowState.restoreScrollPositions(lists());
  entryListBox()->setFocus();
  startFullTextIndex();
  startFoldingAhead();
}

QSize FolianDocument::contentSize() const {
  const QSize central = _mainWindow->ui()->centralwidget->size();
  return QSize(central.width() - kOutlineWidth, central.height());
}

QSize FolianDocument::defaultWindowSize() const {
  _mainWindow->layout()->activate();
  const QTableView* list = entryListBox();
  const int listHeight = 2 * list->frameWidth() + list->horizontalHeader()->sizeHint().height() +
                         kDefaultEntryRows * list->verticalHeader()->defaultSectionSize() +
                         list->horizontalScrollBar()->sizeHint().height();
  // The lower pane may hold more than the list (the search field above it).
  const QWidget* pane = list->parentWidget();
  const int paneHeight = pane != categoryEntrySplit() && pane->layout() != nullptr
                             ? pane->layout()->sizeHint().height() - list->sizeHint().height() + listHeight
                             : listHeight;
  const QSize content(2 * kMainSideMargin + 3 * kDefaultCategoryColumnWidth,
                      kMainTopMargin + kDefaultCategoryPaneHeight + categoryEntrySplit()->handleWidth() + paneHeight +
                          kMainBottomMargin);
  // Around the content: the outline at the left, the menu bar above. A small
  // screen gets a smaller window, title bar and all on it.
  const QSize wanted = content + (_mainWindow->size() - contentSize());
  const QRect area = AvailableAreaFor(_mainWindow->geometry());
  return area.isEmpty() ? wanted : wanted.boundedTo(area.size().shrunkBy(WindowFrameMargins(_mainWindow.get())));
}

QSize FolianDocument::SetupMainWindow(QSize proposedContent) {
  Ui::FolianDocument* ui = _mainWindow->ui();
  MainView* split = categoryEntrySplit();
  int h0 = split->firstPaneHeight();
  if (h0 < kMinPaneHeight) h0 = kMinPaneHeight;
  const MainWindowLayout layout = ComputeMainWindowLayout(proposedContent, h0, split->handleWidth());

  ui->libraryOutline->setGeometry(0, 0, kOutlineWidth, std::max(proposedContent.height(), layout.contentSize.height()));
  split->setGeometry(layout.splitFrame.translated(kOutlineWidth, 0));
  split->setPaneHeights(layout.categoryPaneHeight, layout.entryPaneHeight);
  for (int level = 1; level <= 3; ++level)
    folianCategory(level)->box()->setFixedWidth(layout.columnWidth[level - 1]);
  ui->entryCountLabel->setGeometry(kOutlineWidth + layout.splitFrame.x(), layout.splitFrame.bottom() + 1,
                                  layout.splitFrame.width(), kMainBottomMargin);
  return layout.contentSize;
}

void FolianDocument::windowDidResize() {
  const QSize content = contentSize();
  const QSize needed = SetupMainWindow(content);
  // A maximised or full-screen window keeps the size it is given; so does a
  // window whose manager just refused the size the grid asked for.
  const bool mayResize = !(_mainWindow->windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen));
  if (needed != content && mayResize && content != _lastSnapFrom) {
    _lastSnapFrom = content;
    _mainWindow->resize(_mainWindow->size() + (needed - content));
  } else {
    _lastSnapFrom = QSize();
  }
  saveWindowPosition();
}

void FolianDocument::saveWindowPosition() {
  if (!_finished_setUpWindow || _closed || !_mainWindow->isVisible()) return;
  _windowState.rememberFrame(_mainWindow->geometry(), categoryEntrySplit()->firstPaneHeight());
  saveLibrary();
}

WindowLists FolianDocument::lists() const {
  return {entryListBox(), folianCategory(1)->tableView(), folianCategory(2)->tableView(),
          folianCategory(3)->tableView()};
}

void FolianDocument::windowWillClose() {
  // Indexing stops after the PDFs it is reading; the next opening goes on.
  _fullText.reset();
  _childWindows->saveStackingOrder();
  _childWindows->closeAll();
  _windowState.rememberScrollPositions(lists());
  saveLibrary();
  _closed = true;
  emit documentDidClose(this);
}
