// The menus of the library window and which of their commands may run when.

#include <QCoreApplication>
#include <QAction>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QItemSelectionModel>
#include <QTableView>
#include <cstring>

#include "gui/library/CategoryLevelPane.h"
#include "gui/library/FolianDocument.h"
#include "gui/library/FolianMainWindow.h"

QAction* FolianDocument::addCommand(QMenu* menu, const char* name, const QString& text, std::function<void()> run,
                                    const QKeySequence& shortcut) {
  QAction* item = menu->addAction(text);
  item->setObjectName(QString::fromLatin1(name));
  if (!shortcut.isEmpty()) item->setShortcut(shortcut);
  connect(item, &QAction::triggered, this, [this, item, run = std::move(run)] {
    // A shortcut may fire although the menu was not opened to update it.
    if (validateMenuItem(item)) run();
  });
  _actions.push_back(item);
  return item;
}

void FolianDocument::createMenus() {
  QMenuBar* bar = _mainWindow->menuBar();

  QMenu* file = bar->addMenu(QCoreApplication::translate("FolianDocumentMenus", "ファイル(&F)"));
  addCommand(
      file, "newDocument", QCoreApplication::translate("FolianDocumentMenus", "新規ライブラリ..."),
      [this] { emit newDocumentRequested(); }, QKeySequence(Qt::CTRL | Qt::Key_N));
  addCommand(
      file, "openDocument", QCoreApplication::translate("FolianDocumentMenus", "開く..."),
      [this] { emit openDocumentRequested(); }, QKeySequence(Qt::CTRL | Qt::Key_O));
  addCommand(
      file, "performClose", QCoreApplication::translate("FolianDocumentMenus", "閉じる"), [this] { close(); },
      QKeySequence(Qt::CTRL | Qt::Key_W));
  addCommand(file, "saveNewFile", QCoreApplication::translate("FolianDocumentMenus", "コピーを保存..."),
             [this] { saveNewFile(); });
  file->addSeparator();
  // Return opens the viewer only while the entry list has the focus; the
  // category lists keep their own keys.
  QAction* openPdf = addCommand(file, "openPDF", QCoreApplication::translate("FolianDocumentMenus", "PDFを開く"),
                                [this] { openPDF(); });
  openPdf->setShortcuts({QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)});
  openPdf->setShortcutContext(Qt::WidgetShortcut);
  entryListBox()->addAction(openPdf);
  // Ctrl+I imports; Alt+Return is the desktop's usual key for properties.
  addCommand(
      file, "showInfo", QCoreApplication::translate("FolianDocumentMenus", "情報を見る"), [this] { showInfo(); },
      QKeySequence(Qt::ALT | Qt::Key_Return));
  addCommand(file, "openWithApplication", tr("別のアプリケーションで開く"), [this] { openWithApplication(); });
  addCommand(file, "showInFileManager", tr("ファイルの場所を表示"), [this] { showInFileManager(); });
  file->addSeparator();
  addCommand(
      file, "importPdf", QCoreApplication::translate("FolianDocumentMenus", "PDFを読み込む..."),
      [this] { importPdf(); }, QKeySequence(Qt::CTRL | Qt::Key_I));
  addCommand(
      file, "importPdfFolder", QCoreApplication::translate("FolianDocumentMenus", "フォルダから一括読み込み..."),
      [this] { importPdfFolder(); }, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_I));
  addCommand(
      file, "savePdfPanel", QCoreApplication::translate("FolianDocumentMenus", "PDFを書き出す..."),
      [this] { savePdfPanel(); }, QKeySequence(Qt::CTRL | Qt::Key_E));
  file->addSeparator();
  // Commands that have no function yet are shown, greyed out.
  addCommand(file, "mergeFlnFile", QCoreApplication::translate("FolianDocumentMenus", "ライブラリを結合..."), [] {});
  addCommand(file, "extractPDF", QCoreApplication::translate("FolianDocumentMenus", "PDFを抽出"), [] {});
  addCommand(file, "newGroup", QCoreApplication::translate("FolianDocumentMenus", "新規グループ"), [] {});
  file->addSeparator();
  addCommand(file, "runPageLayout", QCoreApplication::translate("FolianDocumentMenus", "ページ設定..."), [] {});
  addCommand(
      file, "printDocument", QCoreApplication::translate("FolianDocumentMenus", "印刷..."), [] {},
      QKeySequence(Qt::CTRL | Qt::Key_P));
  file->addSeparator();
  addCommand(
      file, "terminate", QCoreApplication::translate("FolianDocumentMenus", "終了"), [this] { emit quitRequested(); },
      QKeySequence(Qt::CTRL | Qt::Key_Q));

  QMenu* edit = bar->addMenu(QCoreApplication::translate("FolianDocumentMenus", "編集(&E)"));
  addCommand(
      edit, "selectAll", QCoreApplication::translate("FolianDocumentMenus", "すべてを選択"),
      [this] { entryListBox()->selectAll(); }, QKeySequence(Qt::CTRL | Qt::Key_A));
  addCommand(
      edit, "deselectAll", QCoreApplication::translate("FolianDocumentMenus", "選択を解除"),
      [this] { entryListBox()->clearSelection(); }, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_A));
  edit->addSeparator();
  addCommand(edit, "refillTitlesFromPdfs", tr("PDFの情報からタイトルと著者を設定..."),
             [this] { refillTitlesFromPdfs(); });
  edit->addSeparator();
  addCommand(
      edit, "deletePDF", QCoreApplication::translate("FolianDocumentMenus", "削除"), [this] { deletePDF(); },
      QKeySequence(Qt::Key_Delete));

  QMenu* categories = bar->addMenu(QCoreApplication::translate("FolianDocumentMenus", "分類(&C)"));
  for (int level = 1; level <= 3; ++level) {
    const QByteArray add = "addCategory" + QByteArray::number(level);
    addCommand(categories, add.constData(), QString(), [this, level] { addCategory(level); });
  }
  categories->addSeparator();
  for (int level = 1; level <= 3; ++level) {
    const QByteArray remove = "deleteCategory" + QByteArray::number(level);
    addCommand(categories, remove.constData(), QString(), [this, level] { deleteCategory(level); });
  }
  for (int level = 1; level <= 3; ++level) {
    const QByteArray rename = "renameCategory" + QByteArray::number(level);
    addCommand(categories, rename.constData(), QString(), [this, level] { renameCategory(level); });
  }
  categories->addSeparator();
  addCommand(categories, "changeCategoryName",
             QCoreApplication::translate("FolianDocumentMenus", "選択したPDFの分類を変更..."),
             [this] { changeCategoryName(); });
  addCommand(categories, "editCategoryLabel",
             QCoreApplication::translate("FolianDocumentMenus", "分類の見出しを編集..."),
             [this] { editCategoryLabel(); });

  QMenu* help = bar->addMenu(QCoreApplication::translate("FolianDocumentMenus", "ヘルプ(&H)"));
  addCommand(
      help, "showHelp", QCoreApplication::translate("FolianDocumentMenus", "Folian ヘルプ"),
      [this] { emit helpRequested(); }, QKeySequence(Qt::Key_F1));

  for (QMenu* menu : {file, edit, categories, help})
    connect(menu, &QMenu::aboutToShow, this, &FolianDocument::updateCommandStates);
  updateCategoryMenuTexts();
}

void FolianDocument::updateCategoryMenuTexts() {
  for (int level = 1; level <= 3; ++level) {
    const QString label = folianCategory(level) != nullptr ? folianCategory(level)->title() : QString();
    const QString shown =
        label.isEmpty() ? QCoreApplication::translate("FolianDocumentMenus", "分類%1").arg(level) : label;
    const QByteArray add = "addCategory" + QByteArray::number(level);
    const QByteArray remove = "deleteCategory" + QByteArray::number(level);
    const QByteArray rename = "renameCategory" + QByteArray::number(level);
    if (QAction* item = action(rename.constData()))
      item->setText(
          QCoreApplication::translate("FolianDocumentMenus", "「%1」の選択中の分類の名前を変更...").arg(shown));
    if (QAction* item = action(add.constData()))
      item->setText(QCoreApplication::translate("FolianDocumentMenus", "「%1」に分類を追加...").arg(shown));
    if (QAction* item = action(remove.constData()))
      item->setText(QCoreApplication::translate("FolianDocumentMenus", "「%1」の選択中の分類を削除").arg(shown));
  }
}

QAction* FolianDocument::action(const char* name) const {
  for (QAction* item : _actions)
    if (item->objectName() == QLatin1String(name)) return item;
  return nullptr;
}

bool FolianDocument::validateMenuItem(const QAction* item) const {
  const QByteArray name = item->objectName().toLatin1();
  static const char* const kNeedSelection[] = {"savePdfPanel",        "deselectAll",       "openPDF",
                                               "deletePDF",           "showInfo",          "changeCategoryName",
                                               "openWithApplication", "showInFileManager", "refillTitlesFromPdfs"};
  for (const char* needs : kNeedSelection)
    if (name == needs) return entryListBox()->selectionModel()->hasSelection();
  // The viewer window prints; the library window has nothing to print.
  // Merging libraries, extracting and groups have no function yet.
  static const char* const kNoFunction[] = {"printDocument", "runPageLayout", "mergeFlnFile", "extractPDF",
                                            "newGroup"};
  for (const char* none : kNoFunction)
    if (name == none) return false;
  return true;
}

void FolianDocument::updateCommandStates() {
  for (QAction* item : _actions) item->setEnabled(validateMenuItem(item));
}
