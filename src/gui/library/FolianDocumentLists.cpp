// The category lists and the entry list of the library window: how a choice
// on one level narrows the other two, rebuilding the lists, header clicks.

#include <QCoreApplication>
#include <QHeaderView>
#include <algorithm>
#include <cstring>
#include <QItemSelection>
#include <QLabel>
#include <QLayout>
#include <QTableView>

#include "gui/library/EntryListModel.h"
#include "gui/library/CategoryLevelPane.h"
#include "gui/library/ChildWindowRegistry.h"
#include "gui/library/FolianDocument.h"
#include "gui/library/LibraryMenus.h"
#include "gui/library/FolianMainWindow.h"
#include "categories/CategoryLists.h"
#include "format/EntryFieldKind.h"
#include "categories/EntryListSortKeys.h"
#include "categories/EntrySelection.h"
#include "library/FlnLoad.h"
#include "library/FlnCategoryTable.h"
#include "library/FlnEnvironment.h"
#include "format/CategoryNames.h"
#include "format/Endian.h"
#include "format/FieldText.h"
#include "ui_FolianDocument.h"

void FolianDocument::createCategoryLevels() {
  QWidget* area = _mainWindow->ui()->categoryArea;
  for (int level = 1; level <= 3; ++level) {
    _folianCategory[level - 1] = std::make_unique<CategoryLevelPane>(level, area);
    area->layout()->addWidget(folianCategory(level)->box());
    connect(folianCategory(level), &CategoryLevelPane::selectionDidChange, this,
            &FolianDocument::catListSelectionDidChange);
  }
}

std::vector<int> FolianDocument::selectedEntryRows() const {
  std::vector<int> rows;
  const QItemSelection selection = entryListBox()->selectionModel()->selection();
  for (const QItemSelectionRange& range : selection)
    for (int row = range.top(); row <= range.bottom(); ++row) rows.push_back(row);
  std::sort(rows.begin(), rows.end());
  rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
  return rows;
}

CategoryListNames FolianDocument::selectedCategoryNames() const {
  CategoryListNames names;
  for (int level = 1; level <= 3; ++level) names[level - 1] = folianCategory(level)->getSelectedCategoryName();
  return names;
}

void FolianDocument::ReloadListBoxes() {
  for (int level = 1; level <= 3; ++level) folianCategory(level)->reload();
  reloadEntryList();
}

void FolianDocument::reloadEntryList() {
  ++_entrySelectionQuiet;
  _entryListModel->reload();
  restoreEntrySelection();
  --_entrySelectionQuiet;
  entryCountLabel()->setText(
      QCoreApplication::translate("FolianDocumentLists", "%1件").arg(_entryListModel->rowCount()));
  updateCommandStates();
}

void FolianDocument::restoreEntrySelection() {
  // One selection of whole runs of rows: selecting row by row would cost a
  // notification and a merge per row in a long list.
  QItemSelection selection;
  const int32_t count = static_cast<int32_t>(_fln_data.shownRows.size());
  const int lastColumn = _entryListModel->columnCount() - 1;
  int32_t runStart = -1;
  for (int32_t row = 0; row <= count; ++row) {
    const FLN_ENTRY* entry = row < count ? ShownEntry(&_fln_data, row) : nullptr;
    const bool selected = entry != nullptr && entry->en_is_select_entrylist == 1;
    if (selected && runStart < 0) runStart = row;
    if (!selected && runStart >= 0) {
      selection.append(QItemSelectionRange(_entryListModel->index(runStart, 0),
                                           _entryListModel->index(row - 1, lastColumn)));
      runStart = -1;
    }
  }
  ++_entrySelectionQuiet;
  entryListBox()->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
  --_entrySelectionQuiet;
}

void FolianDocument::SetCategoryLabel_ToCategoryLabelBox() {
  const int32_t count = Tesk_Ary_GetSize(_fln_data.label);
  for (int32_t i = 0; i < count; ++i) {
    FLN_LABEL label;
    Tesk_Ary_GetData(_fln_data.label, i, &label);
    const int32_t level = ZEL_EndianLong_LtoN(label.itemNumber);
    if (level < 1 || level > 3) continue;
    folianCategory(level)->setTitle(FLN_COMM_CreateNSString_FromUniChar_LtoN(label.name, sizeof label.name));
  }
  for (int level = 1; level <= 3; ++level) _menus->setLevelLabel(level, folianCategory(level)->title());
}

void FolianDocument::SetupEntryListHeader() {
  entryListBox()->horizontalHeader()->setTextElideMode(Qt::ElideRight);
  static const char* const kCategoryColumns[3] = {"cat1", "cat2", "cat3"};
  for (int level = 1; level <= 3; ++level) {
    const int32_t index = GetFlnLabelIndex_ByItemNumber(_fln_data.label, level);
    if (index < 0) continue;
    FLN_LABEL label;
    Tesk_Ary_GetData(_fln_data.label, index, &label);
    _entryListModel->setColumnTitle(EntryListModel::columnOf(kCategoryColumns[level - 1]),
                                    FLN_COMM_CreateNSString_FromUniChar_LtoN(label.name, sizeof label.name));
  }
}

void FolianDocument::makeCategoryLists() {
  RebuildCategoryNameArrays(&_fln_data);
  for (int level = 1; level <= 3; ++level) folianCategory(level)->reload();
  // Selecting a level's choice runs that level's handler when its row
  // changes; a choice that is gone selects row 0, "＜すべて＞". Each row is
  // taken afresh, as a handler may have changed the other levels.
  for (int level = 1; level <= 3; ++level)
    folianCategory(level)->selectRow(GetCategoryListRow_ByChoice(&_fln_data, level));
  // The information windows offer the names of the table.
  _childWindows->updateAll();
}

void FolianDocument::recomputeNameArray(int level) {
  TESK_ARY names = CategoryNameAryOf(&_fln_data, level);
  const char* c1 = _fln_data.lastSelectCat1;
  const char* c2 = _fln_data.lastSelectCat2;
  const char* c3 = _fln_data.lastSelectCat3;
  if (level == 1) QueryCategory1_ByCat2NameAndCat3Name(_fln_data.catsAry, c2, c3, names);
  if (level == 2) QueryCategory2_ByCat1NameAndCat3Name(_fln_data.catsAry, c1, c3, names);
  if (level == 3) QueryCategory3_ByCat1NameAndCat2Name(_fln_data.catsAry, c1, c2, names);
}

void FolianDocument::catListSelectionDidChange(int level) {
  CategoryLevelPane* own = folianCategory(level);
  char name[kCategoryNameSize];
  GetCategoryName_ByIndex(own->getTeskAry(), own->selectedRow(), name);
  SetCategoryChoice(&_fln_data, level, name);

  for (int other = 1; other <= 3; ++other)
    if (other != level) recomputeNameArray(other);
  for (int each = 1; each <= 3; ++each) Tesk_Ary_QuickSort(CategoryNameAryOf(&_fln_data, each), CategorySortFunc);
  for (int each = 1; each <= 3; ++each) folianCategory(each)->reload();

  // A level whose choice moved to another row, or vanished (row 0), runs its
  // own handler from here, which records its new choice.
  for (int each = 1; each <= 3; ++each)
    folianCategory(each)->selectRow(GetCategoryListRow_ByChoice(&_fln_data, each));
  for (int each = 1; each <= 3; ++each) {
    const int row = GetCategoryListRow_ByChoice(&_fln_data, each);
    if (folianCategory(each)->selectedRow() != row) folianCategory(each)->selectRow(row);
  }

  SetFlnEntryIsSelected(selectedEntryRows(), &_fln_data);
  // The choices are remembered first, so that the save of makeEntryList
  // writes them: one save per click.
  const bool remembered = RememberCategoryListSelection(&_fln_data, selectedCategoryNames()) == 0;
  makeEntryList();
  if (!remembered) reportSaveFailure();
}

void FolianDocument::makeEntryList() {
  const CategoryListNames names = selectedCategoryNames();
  _sortedOrder.query(names[0].c_str(), names[1].c_str(), names[2].c_str(), _fln_data.entry, _fln_data.entryListInfo,
                     _fln_data.shownRows);
  narrowBySearchWords();
  ReloadListBoxes();
  showSortIndicator();
  saveLibrary();
  _childWindows->updateAll();
}

void FolianDocument::showSortIndicator() {
  char key[kSortKeyBufferSize];
  GetSortKey_FromEntryFieldKind(_fln_data.entryListInfo.sortFieldKind[0], key);
  int column = key[0] != '\0' ? EntryListModel::columnOf(key) : -1;
  Qt::SortOrder order = _fln_data.entryListInfo.sortFieldAscend[0] == 1 ? Qt::AscendingOrder : Qt::DescendingOrder;
  if (showsFullTextResults() && _orderByHits) {
    column = EntryListModel::hitsColumn();
    order = Qt::DescendingOrder;
  }
  QHeaderView* header = entryListBox()->horizontalHeader();
  const QSignalBlocker blocker(header);
  header->setSortIndicator(column, order);
  header->viewport()->update();
}

void FolianDocument::tableViewSortDescriptorsDidChange(int column, bool ascending) {
  // Full-text results stand best first until another column is clicked;
  // the hits column brings that order back.
  if (showsFullTextResults()) {
    _orderByHits = column == EntryListModel::hitsColumn();
    if (_orderByHits) {
      SetFlnEntryIsSelected(selectedEntryRows(), &_fln_data);
      makeEntryList();
      return;
    }
  }
  const auto& columns = EntryListModel::columns();
  if (column < 0 || column >= static_cast<int>(columns.size())) {
    showSortIndicator();
    return;
  }
  _fln_data.entryListInfo = GetEntryListInfo_ByHeaderClick(_fln_data.entryListInfo, columns[column].identifier, ascending);
  SetFlnEntryIsSelected(selectedEntryRows(), &_fln_data);
  makeEntryList();  // which saves the new order with the rest
}

void FolianDocument::entryListSelectionDidChange() {
  SetFlnEntryIsSelected(selectedEntryRows(), &_fln_data);
  saveLibrary();
}

void FolianDocument::showCategoryLabels() {
  SetCategoryLabel_ToCategoryLabelBox();
  SetupEntryListHeader();
  _mainWindow->update();
  _childWindows->updateAll();  // the information windows show the labels too
}

void FolianDocument::refreshAfterImport() {
  // The import left every name of the table in the lists, not narrowed by
  // the other levels, so that new categories show. Each list shows its
  // choice selected again (its row may have moved); a choice that is gone
  // falls back to "＜すべて＞" through the level's handler.
  for (int level = 1; level <= 3; ++level) {
    CategoryLevelPane* category = folianCategory(level);
    category->reload();
    const int row = GetCategoryListRow_ByChoice(&_fln_data, level);
    if (row == 0 && strcmp(CategoryChoiceOf(&_fln_data, level), kCategoryAll) != 0)
      category->selectRow(0);
    else
      category->selectRowQuietly(row);
  }
  // Listed in the order of the list's sort keys, like every other rebuild.
  makeEntryList();
  updateFullTextIndex();
}
