// Drag and drop on the library window: files dropped on it are opened or
// imported; entries dragged out of its list hand their PDFs over as files.
// The work is the transfer commands'.

#include <QTableView>

#include "gui/library/EntryListModel.h"
#include "gui/library/FolianDocument.h"
#include "gui/library/FolianMainWindow.h"
#include "gui/library/TransferCommands.h"

void FolianDocument::setUpDragAndDrop() {
  // Queued: the drop is answered at once, so the program the files come from
  // is not kept waiting for the import.
  connect(_mainWindow.get(), &FolianMainWindow::filesDropped, this,
          [this](const QList<QUrl>& urls) {
            if (!_closed) _transfer->dropFiles(urls);
          },
          Qt::QueuedConnection);
  TransferCommands* transfer = _transfer.get();
  _entryListModel->setDragExporter([transfer](const std::vector<int>& rows) { return transfer->exportForDrag(rows); });
  entryListBox()->setDragEnabled(true);
  entryListBox()->setDragDropMode(QAbstractItemView::DragOnly);
  entryListBox()->setDefaultDropAction(Qt::CopyAction);
}
