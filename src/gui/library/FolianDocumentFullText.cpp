// Full-text search in the library window: the scope switch beside the
// search field, the entry list narrowed to the entries a query found (best
// first, with their hits), opening a found PDF at its hits, and the
// full-text index kept in step in the background with its progress shown
// after the field.
//
// The index is read and written only on the service's threads; the window
// hands it a copy of what it needs of the entries and gets answers as
// signals, so that neither indexing nor a query makes it wait.

#include <QBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QScrollBar>
#include <QTableView>
#include <QToolButton>
#include <QtDebug>

#include "fulltext/FullTextService.h"
#include "fulltext/FullTextSync.h"
#include "gui/library/ChildWindowRegistry.h"
#include "gui/library/EntryListModel.h"
#include "gui/library/FolianDocument.h"
#include "gui/viewer/ViewPDFDlg.h"
#include "search/EntryFilter.h"
#include "search/LibraryIdentity.h"

void FolianDocument::createFullTextControls(QBoxLayout* searchRow) {
  const auto scopeButton = [this](const QString& text, const char* name, SearchScope scope) {
    auto* button = new QToolButton(_searchField->parentWidget());
    button->setObjectName(QLatin1String(name));
    button->setText(text);
    button->setCheckable(true);
    button->setAutoExclusive(true);
    button->setFocusPolicy(Qt::TabFocus);
    connect(button, &QToolButton::toggled, this, [this, scope](bool on) {
      if (on) setSearchScope(scope);
    });
    return button;
  };
  _entriesScopeButton = scopeButton(tr("書誌情報"), "entriesScopeButton", SearchScope::Entries);
  _fullTextScopeButton = scopeButton(tr("本文"), "fullTextScopeButton", SearchScope::FullText);
  _entriesScopeButton->setChecked(true);
  _entriesScopeButton->setToolTip(tr("タイトル・ファイル名・人名・メモを検索します"));
  _fullTextScopeButton->setToolTip(tr("PDFの本文を検索します"));
  searchRow->insertWidget(0, _entriesScopeButton);
  searchRow->insertWidget(1, _fullTextScopeButton);
  // From the field, Shift+Tab reaches the switch (Space then turns it).
  QWidget::setTabOrder(_entriesScopeButton, _fullTextScopeButton);
  QWidget::setTabOrder(_fullTextScopeButton, _searchField);

  // The indexing status: shown only while indexing, or when it stopped.
  _indexingLabel = new QLabel(_searchField->parentWidget());
  _indexingLabel->setObjectName(QStringLiteral("indexingLabel"));
  _indexingBar = new QProgressBar(_searchField->parentWidget());
  _indexingBar->setObjectName(QStringLiteral("indexingBar"));
  _indexingBar->setTextVisible(false);
  _indexingBar->setFixedWidth(80);
  _indexingBar->setMaximumHeight(_searchField->sizeHint().height() / 2);
  _indexingButton = new QToolButton(_searchField->parentWidget());
  _indexingButton->setObjectName(QStringLiteral("indexingButton"));
  connect(_indexingButton, &QToolButton::clicked, this, &FolianDocument::stopOrResumeIndexing);
  for (QWidget* widget : {static_cast<QWidget*>(_indexingLabel), static_cast<QWidget*>(_indexingBar),
                          static_cast<QWidget*>(_indexingButton)}) {
    searchRow->addWidget(widget);
    widget->hide();
  }

  // The hits column stands first and shows only with full-text results.
  QTableView* list = entryListBox();
  list->horizontalHeader()->moveSection(EntryListModel::hitsColumn(), 0);
  list->setColumnWidth(EntryListModel::hitsColumn(), list->fontMetrics().horizontalAdvance(tr("ヒット数")) + 24);
  list->setColumnHidden(EntryListModel::hitsColumn(), true);
}

void FolianDocument::startFullTextIndex() {
  if (_fullText) return;
  _fullText = std::make_unique<FullTextService>(FullTextIndexPath(&_fln_data), fileName());
  connect(_fullText.get(), &FullTextService::indexingProgress, this, &FolianDocument::showIndexingProgress);
  connect(_fullText.get(), &FullTextService::indexingFinished, this, &FolianDocument::indexingFinished);
  connect(_fullText.get(), &FullTextService::searchFinished, this, &FolianDocument::fullTextSearchFinished);
  connect(_fullText.get(), &FullTextService::noticed, this, [this](const QString& notice) {
    qInfo().noquote() << notice;
    _indexingLabel->setToolTip(tr("本文の索引を作り直しました（%1）").arg(notice));
  });
  updateFullTextIndex();
}

void FolianDocument::updateFullTextIndex() {
  if (!_fullText) return;
  _indexingStopped = false;
  _fullText->update(FullTextEntries(&_fln_data));
}

bool FolianDocument::showsFullTextResults() const {
  return _searchScope == SearchScope::FullText && !_fullTextQuery.isEmpty();
}

void FolianDocument::setSearchScope(SearchScope scope) {
  if (scope == _searchScope) return;
  // The list goes back to the whole list of the category choices, then the
  // field's text is taken up in the new scope.
  const QString text = _searchField->text();
  const bool narrowed = showsFullTextResults() || !_searchWords.isEmpty();
  _searchScope = scope;
  _searchWords.clear();
  _fullTextQuery.clear();
  _fullTextHits.clear();
  _hitsQuery.clear();
  (scope == SearchScope::FullText ? _fullTextScopeButton : _entriesScopeButton)->setChecked(true);
  _searchField->setPlaceholderText(scope == SearchScope::FullText ? tr("本文を検索（Ctrl+F）")
                                                                  : tr("書誌情報を検索（Ctrl+F）"));
  if (narrowed) showWholeList();
  if (scope == SearchScope::FullText) fullTextQueryDidChange(text);
  else searchTextDidChange(text);
}

void FolianDocument::fullTextQueryDidChange(const QString& text) {
  const QString query = text.trimmed();
  if (query == _fullTextQuery) return;
  QScrollBar* scroll = entryListBox()->verticalScrollBar();
  if (_fullTextQuery.isEmpty()) _unfilteredScroll = scroll->value();
  _fullTextQuery = query;
  if (!query.isEmpty()) {
    // The list changes when the answer comes.
    if (_fullText) _fullText->search(query);
    return;
  }
  _fullTextHits.clear();
  _hitsQuery.clear();
  showWholeList();
}

void FolianDocument::showWholeList() {
  showHitCounts({});
  // Nothing in the library changed: the listed entries are shown again
  // without querying, sorting or saving.
  if (_listedPositionsValid &&
      FilterListedEntries(_fln_data.entry, _listedPositions, _searchText, {}, _fln_data.shownRows) == 0)
    reloadEntryList();
  else
    makeEntryList();
  showSortIndicator();
  entryListBox()->doItemsLayout();
  entryListBox()->verticalScrollBar()->setValue(_unfilteredScroll);
}

void FolianDocument::fullTextSearchFinished(const QString& query, const std::vector<FullTextIndex::EntryHits>& results,
                                            const QString& error) {
  // An answer to a query no longer in the field.
  if (!showsFullTextResults() || query != _fullTextQuery) return;
  if (!error.isEmpty()) {
    qWarning().noquote() << "full-text search:" << error;
    _indexingLabel->setText(tr("本文を検索できません：%1").arg(error));
    _indexingLabel->show();
  }
  _fullTextHits.clear();
  for (const FullTextIndex::EntryHits& result : results) _fullTextHits[result.enId] = result.hits;
  // A new query shows its best hits first; the same query answered again
  // (the index grew) keeps the order the user chose.
  if (query != _hitsQuery) _orderByHits = true;
  _hitsQuery = query;
  // Nothing in the library changed: the list is picked from the sorted list
  // of the category choices, without querying or saving again.
  std::vector<int> rowHits;
  if (!_listedPositionsValid && !takeListedPositions()) {
    makeEntryList();
  } else {
    if (PickEntriesWithHits(_fln_data.entry, _listedPositions, _fullTextHits, _orderByHits, _fln_data.shownRows,
                            &rowHits) != 0)
      _fln_data.shownRows.clear();
    showHitCounts(std::move(rowHits));
    reloadEntryList();
  }
  showSortIndicator();
  entryListBox()->scrollToTop();
}

void FolianDocument::narrowByFullTextHits() {
  std::vector<int> rowHits;
  // A list that cannot be narrowed is shown empty rather than whole, which
  // would look like a result.
  if (!takeListedPositions() || PickEntriesWithHits(_fln_data.entry, _listedPositions, _fullTextHits, _orderByHits,
                                                    _fln_data.shownRows, &rowHits) != 0)
    _fln_data.shownRows.clear();
  showHitCounts(std::move(rowHits));
}

void FolianDocument::showHitCounts(std::vector<int> rowHits) {
  _entryListModel->setRowHits(std::move(rowHits));
  entryListBox()->setColumnHidden(EntryListModel::hitsColumn(), !showsFullTextResults());
}

void FolianDocument::showIndexingProgress(int done, int total) {
  _indexingLabel->setText(tr("本文の索引 %1/%2").arg(done).arg(total));
  _indexingBar->setRange(0, total);
  _indexingBar->setValue(done);
  _indexingButton->setText(tr("中止"));
  _indexingButton->setToolTip(tr("本文の索引づくりを止めます。できた分は残り、次に開いたときに続きから行います"));
  _indexingLabel->show();
  _indexingBar->show();
  _indexingButton->show();
}

void FolianDocument::indexingFinished(bool complete, const QString& error) {
  // Results may have grown: a shown query is asked again.
  if (showsFullTextResults() && _fullText) _fullText->search(_fullTextQuery);
  if (complete) {
    _indexingLabel->hide();
    _indexingBar->hide();
    _indexingButton->hide();
    return;
  }
  if (!error.isEmpty()) {
    qWarning().noquote() << "full-text index:" << error;
    _indexingLabel->setText(tr("本文の索引を作れません"));
    _indexingLabel->setToolTip(error);
  } else {
    _indexingLabel->setText(
        tr("本文の索引を中断しました（%1/%2）").arg(_indexingBar->value()).arg(_indexingBar->maximum()));
  }
  _indexingBar->hide();
  _indexingButton->setText(tr("再開"));
  _indexingButton->setToolTip(tr("本文の索引づくりを続けます"));
  _indexingLabel->show();
  _indexingButton->show();
}

void FolianDocument::stopOrResumeIndexing() {
  if (!_fullText) return;
  if (_fullText->isIndexing() && !_indexingStopped) {
    _indexingStopped = true;
    _indexingButton->setEnabled(false);  // until the run has stopped
    _fullText->stop();
    connect(_fullText.get(), &FullTextService::indexingFinished, _indexingButton,
            [button = _indexingButton] { button->setEnabled(true); }, Qt::SingleShotConnection);
    return;
  }
  if (!_fullText->isIndexing()) updateFullTextIndex();
}

void FolianDocument::showFullTextHits(const FLN_ENTRY& entry) {
  if (!showsFullTextResults()) return;
  if (ViewPDFDlg* viewer = _childWindows->viewer(entry))
    viewer->showSearchHits(FullTextFindTexts(_fullTextQuery));
}
