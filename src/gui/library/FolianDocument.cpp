#include "gui/library/FolianDocument.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QItemSelectionModel>
#include <QTableView>

#include "fulltext/FullTextService.h"
#include "gui/library/CategoryCommandHost.h"
#include "gui/library/CategoryLevelPane.h"
#include "gui/library/ChildWindowRegistry.h"
#include "gui/library/FolianMainWindow.h"
#include "gui/library/LibraryMenus.h"
#include "gui/library/TransferCommands.h"
#include "gui/shell/Alert.h"
#include "gui/shell/FailureReasonText.h"
#include "gui/shell/WindowActivationOrder.h"
#include "library/FlnArraySync.h"
#include "library/FlnAttachment.h"
#include "library/FlnLoad.h"
#include "library/FlnSave.h"

FolianDocument::FolianDocument(QObject* parent)
    : QObject(parent),
      _childWindows(new ChildWindowRegistry(this, &_fln_data, this)),
      _transfer(std::make_unique<TransferCommands>(*this)),
      _categoryCommands(std::make_unique<CategoryCommandHost>(*this)) {
  // Child windows stack by the application's activation order: follow it
  // from now on at the latest.
  WindowActivationOrder::instance();
}

FolianDocument::~FolianDocument() {
  // Child windows still open (the window never closed) read the library and
  // this document: they go first, then the window and the list controllers.
  _childWindows->closeAll();
  for (auto& level : _folianCategory) level.reset();
  _mainWindow.reset();
  FreeFlnData(&_fln_data);
}

FlnResult FolianDocument::readFromFile(const QString& path) {
  const QByteArray absolute = QFileInfo(path).absoluteFilePath().toUtf8();
  return ReadFlnDataFromFlnFile(absolute.constData(), &_fln_data);
}

QString FolianDocument::fileName() const { return QString::fromUtf8(_fln_data.filePath); }

FolianMainWindow* FolianDocument::mainWindow() const { return _mainWindow.get(); }

void FolianDocument::makeWindowControllers() {
  if (_mainWindow) return;
  _mainWindow = std::make_unique<FolianMainWindow>();
  _mainWindow->setWindowTitle(QFileInfo(fileName()).fileName() + QStringLiteral(" - Folian"));
  _mainWindow->setCloseGuard([this] { return !busy(); });
  connect(_mainWindow.get(), &FolianMainWindow::closing, this, [this] { windowWillClose(); });
  setUpWindow();
}

bool FolianDocument::close() {
  if (!_mainWindow || _closed) return true;
  return _mainWindow->close();
}

bool FolianDocument::saveLibrary() {
  const FlnResult saved = SaveAll(_fln_data.filePath, &_fln_data);
  if (saved.ok()) {
    _saveFailureShown = false;
    return true;
  }
  reportSaveFailure(saved);
  return false;
}

void FolianDocument::reportSaveFailure() { reportSaveFailure(LastSaveResult(&_fln_data)); }

void FolianDocument::reportSaveFailure(const FlnResult& why) {
  if (_fileReplaced) return;
  if (QFileInfo::exists(fileName()) && !LibraryFileIsAsLeft(&_fln_data)) {
    // Saving would overwrite records this window never loaded: the file is
    // left alone and opened again as it is now. (A file that is gone gets
    // the plain message below; the window keeps what it shows.)
    _fileReplaced = true;
    FLN_COMM_Alert_OK(
        _mainWindow.get(),
        QCoreApplication::translate("FolianDocument",
                                    "ライブラリ「%1」は、ほかのプログラムによって置き換えられたか変更されたため、"
                                    "保存しませんでした。このウィンドウでの最後の変更は書き込まれていません。"
                                    "ファイルを開き直します。")
            .arg(QFileInfo(fileName()).fileName()));
    emit libraryFileReplaced(this);
    return;
  }
  // Every click saves: one alert until a save succeeds again is enough.
  if (_saveFailureShown) return;
  _saveFailureShown = true;
  QString message = QCoreApplication::translate(
                        "FolianDocument", "ライブラリ「%1」に保存できませんでした。変更はファイルに書き込まれていません。")
                        .arg(QFileInfo(fileName()).fileName());
  FLN_COMM_Alert_OK(_mainWindow.get(), message + QLatin1Char('\n') + FailureReasonText(why));
}

void FolianDocument::alert(const QString& message) { FLN_COMM_Alert_OK(_mainWindow.get(), message); }

bool FolianDocument::confirmDestructive(const QString& message) {
  return FLN_COMM_Alert_Confirm(_mainWindow.get(), message);
}

// --- Information windows and viewers

QWidget* FolianDocument::frontWindow() const { return WindowActivationOrder::instance()->frontWindow(); }

void FolianDocument::showInfo() {
  const std::vector<int> rows = selectedEntryRows();
  if (rows.empty()) return;
  for (int row : rows) _childWindows->showEntryWindow(_fln_data.entry, ShownEntryIndex(_fln_data, row));
  // Showing stamped the entries' last-view dates.
  saveLibrary();
  makeEntryList();
}

void FolianDocument::openPDF() {
  for (int row : selectedEntryRows()) openPdfViewerForRow(row);
}

void FolianDocument::doElementViewDoubleClick() {
  const int row = selectedRow();
  if (row >= 0) openPdfViewerForRow(row);
}

int FolianDocument::selectedRow() const {
  const QItemSelectionModel* selection = entryListBox()->selectionModel();
  const QModelIndex current = selection->currentIndex();
  if (current.isValid() && selection->isSelected(current)) return current.row();
  const std::vector<int> rows = selectedEntryRows();
  return rows.empty() ? -1 : rows.back();
}

void FolianDocument::openPdfViewerForRow(int row) {
  FLN_ENTRY entry;
  if (GetFLNEntry_ByFLNData(&_fln_data, row, &entry) != 1) return;
  const int32_t dataIndex = GetAttachmentIndex(_fln_data.entry, _fln_data.attachment, ShownEntryIndex(_fln_data, row));
  PdfFault fault;
  if (!_childWindows->openViewer(entry, dataIndex, &fault))
    alert(PdfUnreadableMessage(entry, dataIndex, fault));
  else
    showFullTextHits(entry);
}
