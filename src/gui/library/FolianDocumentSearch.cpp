// The filter box above the entry list. The list for the category choices is
// queried and sorted as always; the typed words then pick from it, so a
// keystroke costs at most one scan of the entries' folded texts, never a new
// query or sort, and copies no entry. A keystroke scans only the narrowest
// earlier result that holds its matches (NarrowingSteps): typing on scans
// what the last key found, erasing a letter what was found before it.

#include <QCoreApplication>
#include <QBoxLayout>
#include <QKeySequence>
#include <QLineEdit>
#include <QScrollBar>
#include <QShortcut>
#include <QTableView>

#include "gui/library/FolianDocument.h"
#include "gui/library/FolianMainWindow.h"
#include "search/EntryFilter.h"
#include "search/SearchWords.h"
#include "ui_FolianDocument.h"

void FolianDocument::createSearchField() {
  Ui::FolianDocument* ui = _mainWindow->ui();
  _searchField = new QLineEdit(ui->entryPane);
  _searchField->setObjectName(QStringLiteral("entrySearchField"));
  _searchField->setPlaceholderText(QCoreApplication::translate("FolianDocumentSearch", "書誌情報を検索（Ctrl+F）"));
  _searchField->setClearButtonEnabled(true);
  auto* searchRow = new QHBoxLayout;
  searchRow->setSpacing(4);
  searchRow->addWidget(_searchField, 1);
  static_cast<QBoxLayout*>(ui->entryPane->layout())->insertLayout(0, searchRow);
  createFullTextControls(searchRow);
  connect(_searchField, &QLineEdit::textChanged, this, &FolianDocument::searchTextDidChange);

  auto* focus = new QShortcut(QKeySequence::Find, _mainWindow.get());
  connect(focus, &QShortcut::activated, this, [this] {
    _searchField->setFocus(Qt::ShortcutFocusReason);
    _searchField->selectAll();
  });
  auto* clear = new QShortcut(QKeySequence(Qt::Key_Escape), _searchField, nullptr, nullptr, Qt::WidgetShortcut);
  connect(clear, &QShortcut::activated, _searchField, &QLineEdit::clear);
}

void FolianDocument::startFoldingAhead() {
  if (_foldAheadTimer.isActive()) return;
  _foldAheadTimer.setInterval(0);
  _foldAheadTimer.disconnect();
  connect(&_foldAheadTimer, &QTimer::timeout, this, [this] {
    if (_searchText.foldAhead(_fln_data.entry, kFoldSlice)) _foldAheadTimer.stop();
  });
  _foldAheadTimer.start();
}

void FolianDocument::searchTextDidChange(const QString& text) {
  if (_searchScope == SearchScope::FullText) {
    fullTextQueryDidChange(text);
    return;
  }
  QStringList words = SearchWords(text);
  if (words == _searchWords) return;
  QScrollBar* scroll = entryListBox()->verticalScrollBar();
  if (_searchWords.isEmpty()) _unfilteredScroll = scroll->value();
  _searchWords = std::move(words);

  // The positions go out of step only when the entries changed without the
  // list being made again; then the whole list is made again.
  bool filtered = _listedPositionsValid || takeListedPositions();
  if (filtered) {
    const std::vector<int32_t>* narrowest = _narrowingSteps.candidatesFor(_searchWords);
    filtered = FilterListedEntries(_fln_data.entry, narrowest != nullptr ? *narrowest : _listedPositions, _searchText,
                                   _searchWords, _fln_data.shownRows) == 0;
  }
  if (filtered) {
    _narrowingSteps.keep(_searchWords, _fln_data.shownRows);
    reloadEntryList();
  } else {
    makeEntryList();
  }
  if (_searchWords.isEmpty()) {
    entryListBox()->doItemsLayout();
    scroll->setValue(_unfilteredScroll);
  } else {
    entryListBox()->scrollToTop();
  }
}

bool FolianDocument::takeListedPositions() {
  _listedPositionsValid = _searchText.update(_fln_data.entry) == 0;
  _narrowingSteps.clear();
  if (_listedPositionsValid) _listedPositions = _fln_data.shownRows;
  return _listedPositionsValid;
}

void FolianDocument::narrowBySearchWords() {
  // Without words the positions are taken at the first keystroke, so that
  // a library nobody searches never pays for them.
  _listedPositionsValid = false;
  _narrowingSteps.clear();
  if (showsFullTextResults()) {
    narrowByFullTextHits();
    return;
  }
  if (_searchWords.isEmpty()) return;
  // A list that cannot be narrowed is shown empty rather than whole, which
  // would look like a result.
  if (!takeListedPositions() || FilterListedEntries(_fln_data.entry, _listedPositions, _searchText, _searchWords,
                                                    _fln_data.shownRows) != 0)
    _fln_data.shownRows.clear();
  else
    _narrowingSteps.keep(_searchWords, _fln_data.shownRows);
}
