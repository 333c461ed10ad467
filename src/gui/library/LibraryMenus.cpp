#include "gui/library/LibraryMenus.h"

#include <QAction>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>

namespace {

QAction* AddCommand(QMenu* menu, const QString& text, const QKeySequence& shortcut = QKeySequence()) {
  QAction* item = menu->addAction(text);
  if (!shortcut.isEmpty()) item->setShortcut(shortcut);
  return item;
}

// A command that has no function yet: in the menu, never enabled.
QAction* AddPlaceholder(QMenu* menu, const QString& text, const QKeySequence& shortcut = QKeySequence()) {
  QAction* item = AddCommand(menu, text, shortcut);
  item->setEnabled(false);
  return item;
}

}  // namespace

LibraryMenus::LibraryMenus(QMenuBar* bar, QObject* parent) : QObject(parent) {
  QMenu* file = bar->addMenu(QStringLiteral("ファイル(&F)"));
  newDocument = AddCommand(file, QStringLiteral("新規ライブラリ..."), QKeySequence(Qt::CTRL | Qt::Key_N));
  openDocument = AddCommand(file, QStringLiteral("開く..."), QKeySequence(Qt::CTRL | Qt::Key_O));
  closeDocument = AddCommand(file, QStringLiteral("閉じる"), QKeySequence(Qt::CTRL | Qt::Key_W));
  saveCopy = AddCommand(file, QStringLiteral("コピーを保存..."));
  file->addSeparator();
  // Return opens the viewer only while the entry list has the focus (the
  // document adds the action to the list); the category lists keep their
  // own keys.
  openPdf = AddCommand(file, QStringLiteral("PDFを開く"));
  openPdf->setShortcuts({QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)});
  openPdf->setShortcutContext(Qt::WidgetShortcut);
  // Ctrl+I imports; Alt+Return is the desktop's usual key for properties.
  showInfo = AddCommand(file, QStringLiteral("情報を見る"), QKeySequence(Qt::ALT | Qt::Key_Return));
  openWithApplication = AddCommand(file, tr("別のアプリケーションで開く"));
  showInFileManager = AddCommand(file, tr("ファイルの場所を表示"));
  file->addSeparator();
  importPdf = AddCommand(file, QStringLiteral("PDFを読み込む..."), QKeySequence(Qt::CTRL | Qt::Key_I));
  importPdfFolder =
      AddCommand(file, QStringLiteral("フォルダから一括読み込み..."), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_I));
  exportPdfs = AddCommand(file, QStringLiteral("PDFを書き出す..."), QKeySequence(Qt::CTRL | Qt::Key_E));
  file->addSeparator();
  mergeLibraries = AddPlaceholder(file, QStringLiteral("ライブラリを結合..."));
  extractPdf = AddPlaceholder(file, QStringLiteral("PDFを抽出"));
  newGroup = AddPlaceholder(file, QStringLiteral("新規グループ"));
  file->addSeparator();
  pageSetup = AddPlaceholder(file, QStringLiteral("ページ設定..."));
  print = AddPlaceholder(file, QStringLiteral("印刷..."), QKeySequence(Qt::CTRL | Qt::Key_P));
  file->addSeparator();
  quit = AddCommand(file, QStringLiteral("終了"), QKeySequence(Qt::CTRL | Qt::Key_Q));

  QMenu* edit = bar->addMenu(QStringLiteral("編集(&E)"));
  selectAll = AddCommand(edit, QStringLiteral("すべてを選択"), QKeySequence(Qt::CTRL | Qt::Key_A));
  deselectAll = AddCommand(edit, QStringLiteral("選択を解除"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_A));
  edit->addSeparator();
  refillTitlesFromPdfs = AddCommand(edit, tr("PDFの情報からタイトルと著者を設定..."));
  edit->addSeparator();
  deletePdfs = AddCommand(edit, QStringLiteral("削除"), QKeySequence(Qt::Key_Delete));

  QMenu* categories = bar->addMenu(QStringLiteral("分類(&C)"));
  for (QAction*& item : addCategory) item = AddCommand(categories, QString());
  categories->addSeparator();
  for (QAction*& item : deleteCategory) item = AddCommand(categories, QString());
  for (QAction*& item : renameCategory) item = AddCommand(categories, QString());
  categories->addSeparator();
  changeCategoryName = AddCommand(categories, QStringLiteral("選択したPDFの分類を変更..."));
  editCategoryLabel = AddCommand(categories, QStringLiteral("分類の見出しを編集..."));

  QMenu* help = bar->addMenu(QStringLiteral("ヘルプ(&H)"));
  showHelp = AddCommand(help, QStringLiteral("Folian ヘルプ"), QKeySequence(Qt::Key_F1));

  for (int level = 1; level <= 3; ++level) setLevelLabel(level, QString());
  setHasEntrySelection(false);
}

void LibraryMenus::setHasEntrySelection(bool hasSelection) {
  for (QAction* item : {exportPdfs, deselectAll, openPdf, deletePdfs, showInfo, changeCategoryName, openWithApplication,
                        showInFileManager, refillTitlesFromPdfs})
    item->setEnabled(hasSelection);
}

void LibraryMenus::setLevelLabel(int level, const QString& label) {
  const QString shown = label.isEmpty() ? QStringLiteral("分類%1").arg(level) : label;
  addCategory[level - 1]->setText(QStringLiteral("「%1」に分類を追加...").arg(shown));
  deleteCategory[level - 1]->setText(QStringLiteral("「%1」の選択中の分類を削除").arg(shown));
  renameCategory[level - 1]->setText(QStringLiteral("「%1」の選択中の分類の名前を変更...").arg(shown));
}
