// What each command of the library window's menus runs, and when the
// commands that act on selected entries are enabled.

#include <QAction>
#include <QItemSelectionModel>
#include <QTableView>

#include "gui/library/CategoryCommandHost.h"
#include "gui/library/FolianDocument.h"
#include "gui/library/FolianMainWindow.h"
#include "gui/library/LibraryMenus.h"
#include "gui/library/TransferCommands.h"

void FolianDocument::connectMenus() {
  _menus = new LibraryMenus(_mainWindow->menuBar(), this);
  LibraryMenus* m = _menus;
  connect(m->newDocument, &QAction::triggered, this, [this] { emit newDocumentRequested(); });
  connect(m->openDocument, &QAction::triggered, this, [this] { emit openDocumentRequested(); });
  connect(m->closeDocument, &QAction::triggered, this, [this] { close(); });
  connect(m->saveCopy, &QAction::triggered, _transfer.get(), &TransferCommands::saveCopy);
  connect(m->openPdf, &QAction::triggered, this, &FolianDocument::openPDF);
  entryListBox()->addAction(m->openPdf);  // its Return key works in the entry list only
  connect(m->showInfo, &QAction::triggered, this, &FolianDocument::showInfo);
  connect(m->openWithApplication, &QAction::triggered, this, &FolianDocument::openWithApplication);
  connect(m->showInFileManager, &QAction::triggered, this, &FolianDocument::showInFileManager);
  connect(m->importPdf, &QAction::triggered, _transfer.get(), &TransferCommands::importPdf);
  connect(m->importPdfFolder, &QAction::triggered, _transfer.get(), &TransferCommands::importPdfFolder);
  connect(m->exportPdfs, &QAction::triggered, _transfer.get(), &TransferCommands::exportPdfs);
  connect(m->mergeLibraries, &QAction::triggered, _transfer.get(), &TransferCommands::mergeLibraries);
  connect(m->showLibraryInfo, &QAction::triggered, this, &FolianDocument::showLibraryInfo);
  connect(m->compactLibrary, &QAction::triggered, this, &FolianDocument::compactLibrary);
  connect(m->quit, &QAction::triggered, this, [this] { emit quitRequested(); });
  connect(m->selectAll, &QAction::triggered, this, [this] { entryListBox()->selectAll(); });
  connect(m->deselectAll, &QAction::triggered, this, [this] { entryListBox()->clearSelection(); });
  connect(m->deletePdfs, &QAction::triggered, _transfer.get(), &TransferCommands::deletePdfs);
  connect(m->refillTitlesFromPdfs, &QAction::triggered, _transfer.get(), &TransferCommands::refillTitlesFromPdfs);
  CategoryCommandHost* categories = _categoryCommands.get();
  for (int level = 1; level <= 3; ++level) {
    connect(m->addCategory[level - 1], &QAction::triggered, this, [categories, level] { categories->addCategory(level); });
    connect(m->deleteCategory[level - 1], &QAction::triggered, this,
            [categories, level] { categories->deleteCategory(level); });
    connect(m->renameCategory[level - 1], &QAction::triggered, this,
            [categories, level] { categories->renameCategory(level); });
  }
  connect(m->changeCategoryName, &QAction::triggered, this, [categories] { categories->changeCategoryName(); });
  connect(m->editCategoryLabel, &QAction::triggered, this, [categories] { categories->editCategoryLabel(); });
  connect(m->showHelp, &QAction::triggered, this, [this] { emit helpRequested(); });
}

void FolianDocument::updateCommandStates() {
  _menus->setHasEntrySelection(entryListBox()->selectionModel()->hasSelection());
}
