#include "gui/library/LibraryMenus.h"

#include <QAction>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <string>

namespace {

// `name` is the command's object name, by which tests and scripts know it.
QAction* AddCommand(QMenu* menu, const char* name, const QString& text, const QKeySequence& shortcut = QKeySequence()) {
  QAction* item = menu->addAction(text);
  item->setObjectName(QString::fromLatin1(name));
  if (!shortcut.isEmpty()) item->setShortcut(shortcut);
  return item;
}

// A command that has no function yet: in the menu, never enabled.
QAction* AddPlaceholder(QMenu* menu, const char* name, const QString& text,
                        const QKeySequence& shortcut = QKeySequence()) {
  QAction* item = AddCommand(menu, name, text, shortcut);
  item->setEnabled(false);
  return item;
}

}  // namespace

LibraryMenus::LibraryMenus(QMenuBar* bar, QObject* parent) : QObject(parent) {
  QMenu* file = bar->addMenu(tr("ファイル(&F)"));
  newDocument = AddCommand(file, "newDocument", tr("新規ライブラリ..."), QKeySequence(Qt::CTRL | Qt::Key_N));
  openDocument = AddCommand(file, "openDocument", tr("開く..."), QKeySequence(Qt::CTRL | Qt::Key_O));
  closeDocument = AddCommand(file, "performClose", tr("閉じる"), QKeySequence(Qt::CTRL | Qt::Key_W));
  saveCopy = AddCommand(file, "saveNewFile", tr("コピーを保存..."));
  file->addSeparator();
  // Return opens the viewer only while the entry list has the focus (the
  // document adds the action to the list); the category lists keep their
  // own keys.
  openPdf = AddCommand(file, "openPDF", tr("PDFを開く"));
  openPdf->setShortcuts({QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)});
  openPdf->setShortcutContext(Qt::WidgetShortcut);
  // Ctrl+I imports; Alt+Return is the desktop's usual key for properties.
  showInfo = AddCommand(file, "showInfo", tr("情報を見る"), QKeySequence(Qt::ALT | Qt::Key_Return));
  openWithApplication = AddCommand(file, "openWithApplication", tr("別のアプリケーションで開く"));
  showInFileManager = AddCommand(file, "showInFileManager", tr("ファイルの場所を表示"));
  file->addSeparator();
  importPdf = AddCommand(file, "importPdf", tr("PDFを読み込む..."), QKeySequence(Qt::CTRL | Qt::Key_I));
  importPdfFolder = AddCommand(file, "importPdfFolder", tr("フォルダから一括読み込み..."),
                               QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_I));
  exportPdfs = AddCommand(file, "savePdfPanel", tr("PDFを書き出す..."), QKeySequence(Qt::CTRL | Qt::Key_E));
  file->addSeparator();
  mergeLibraries = AddCommand(file, "mergeFlnFile", tr("ライブラリを結合..."));
  showLibraryInfo = AddCommand(file, "showLibraryInfo", tr("ライブラリの情報..."));
  compactLibrary = AddCommand(file, "compactLibrary", tr("ライブラリを最適化..."));
  // Commands that have no function yet are shown, greyed out.
  extractPdf = AddPlaceholder(file, "extractPDF", tr("PDFを抽出"));
  newGroup = AddPlaceholder(file, "newGroup", tr("新規グループ"));
  file->addSeparator();
  pageSetup = AddPlaceholder(file, "runPageLayout", tr("ページ設定..."));
  print = AddPlaceholder(file, "printDocument", tr("印刷..."), QKeySequence(Qt::CTRL | Qt::Key_P));
  file->addSeparator();
  quit = AddCommand(file, "terminate", tr("終了"), QKeySequence(Qt::CTRL | Qt::Key_Q));

  QMenu* edit = bar->addMenu(tr("編集(&E)"));
  selectAll = AddCommand(edit, "selectAll", tr("すべてを選択"), QKeySequence(Qt::CTRL | Qt::Key_A));
  deselectAll = AddCommand(edit, "deselectAll", tr("選択を解除"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_A));
  edit->addSeparator();
  refillTitlesFromPdfs = AddCommand(edit, "refillTitlesFromPdfs", tr("PDFの情報からタイトルと著者を設定..."));
  edit->addSeparator();
  deletePdfs = AddCommand(edit, "deletePDF", tr("削除"), QKeySequence(Qt::Key_Delete));

  QMenu* categories = bar->addMenu(tr("分類(&C)"));
  // Named by level: "addCategory1" ... "renameCategory3".
  const auto named = [](const char* command, int level) { return command + std::to_string(level); };
  for (int level = 1; level <= 3; ++level)
    addCategory[level - 1] = AddCommand(categories, named("addCategory", level).c_str(), QString());
  categories->addSeparator();
  for (int level = 1; level <= 3; ++level)
    deleteCategory[level - 1] = AddCommand(categories, named("deleteCategory", level).c_str(), QString());
  for (int level = 1; level <= 3; ++level)
    renameCategory[level - 1] = AddCommand(categories, named("renameCategory", level).c_str(), QString());
  categories->addSeparator();
  changeCategoryName = AddCommand(categories, "changeCategoryName", tr("選択したPDFの分類を変更..."));
  editCategoryLabel = AddCommand(categories, "editCategoryLabel", tr("分類の見出しを編集..."));

  QMenu* help = bar->addMenu(tr("ヘルプ(&H)"));
  showHelp = AddCommand(help, "showHelp", tr("Folian ヘルプ"), QKeySequence(Qt::Key_F1));

  for (int level = 1; level <= 3; ++level) setLevelLabel(level, QString());
  setHasEntrySelection(false);
}

void LibraryMenus::setHasEntrySelection(bool hasSelection) {
  for (QAction* item : {exportPdfs, deselectAll, openPdf, deletePdfs, showInfo, changeCategoryName, openWithApplication,
                        showInFileManager, refillTitlesFromPdfs})
    item->setEnabled(hasSelection);
}

void LibraryMenus::setLevelLabel(int level, const QString& label) {
  const QString shown = label.isEmpty() ? tr("分類%1").arg(level) : label;
  addCategory[level - 1]->setText(tr("「%1」に分類を追加...").arg(shown));
  deleteCategory[level - 1]->setText(tr("「%1」の選択中の分類を削除").arg(shown));
  renameCategory[level - 1]->setText(tr("「%1」の選択中の分類の名前を変更...").arg(shown));
}
