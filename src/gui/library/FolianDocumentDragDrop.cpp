// Drag and drop on the library window: files dropped on it are opened or
// imported; entries dragged out of its list hand their PDFs over as files.

#include <QCoreApplication>
#include <QApplication>
#include <QDir>
#include <QTableView>

#include "gui/library/DroppedFiles.h"
#include "gui/library/EntryListModel.h"
#include "gui/library/FolianDocument.h"
#include "gui/library/FolianMainWindow.h"
#include "gui/shell/FailureListText.h"
#include "transfer/PdfExport.h"

void FolianDocument::setUpDragAndDrop() {
  // Queued: the drop is answered at once, so the program the files come from
  // is not kept waiting for the import.
  connect(_mainWindow.get(), &FolianMainWindow::filesDropped, this, &FolianDocument::dropFiles,
          Qt::QueuedConnection);
  _entryListModel->setDragExporter([this](const std::vector<int>& rows) { return exportForDrag(rows); });
  entryListBox()->setDragEnabled(true);
  entryListBox()->setDragDropMode(QAbstractItemView::DragOnly);
  entryListBox()->setDefaultDropAction(Qt::CopyAction);
}

void FolianDocument::dropFiles(const QList<QUrl>& urls) {
  if (_closed || _busy > 0 || _panel) {
    QApplication::beep();
    return;
  }
  const DroppedFiles dropped = SortDroppedUrls(urls);
  if (!dropped.refused.isEmpty()) alert(DropRefusedMessage(dropped.refused));
  if (!dropped.importPaths.isEmpty()) {
    std::vector<std::string> paths;
    for (const QString& path : dropped.importPaths) paths.push_back(QFile::encodeName(path).toStdString());
    const PdfInfoReader readInfo = rememberedInfoReader();
    runImport(paths, currentImportCategories(), true, false,
              [&](const char* const names[3], const ImportProgress& progress) {
                return ImportPDFPaths(&_fln_data, paths, names[0], names[1], names[2], progress, false, readInfo);
              });
  }
  for (const QString& library : dropped.libraries) emit openLibraryRequested(library);
}

QList<QUrl> FolianDocument::exportForDrag(const std::vector<int>& rows) {
  if (rows.empty() || _busy > 0) return {};
  auto folder = std::make_unique<QTemporaryDir>(QDir::temp().filePath(QStringLiteral("folian-drag-XXXXXX")));
  if (!folder->isValid()) {
    alert(QCoreApplication::translate("FolianDocumentDragDrop", "一時フォルダを作れないため、PDFを渡せません。\n") +
          folder->errorString());
    return {};
  }
  ++_busy;
  const ExportResult result = ExportPDFFiles(&_fln_data, QFile::encodeName(folder->path()).constData(), rows,
                                             ExportMode::PdfOnly);
  --_busy;
  if (!result.problems.empty() || result.status != ExportStatus::Completed) {
    if (!result.problems.empty()) alert(ExportProblemMessage(result.problems, &_fln_data));
    return {};
  }
  QList<QUrl> urls;
  for (const ExportedFile& file : result.exported)
    urls << QUrl::fromLocalFile(QFile::decodeName(QByteArray::fromStdString(file.pdfPath)));
  // The folder stays: the receiving program may read the files after the drop.
  if (!urls.isEmpty()) _dragFolders.push_back(std::move(folder));
  return urls;
}
