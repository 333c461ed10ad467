#pragma once
// Import, export and deletion of PDFs from the library window, and the copy
// of the library: the file panels (one at a time, window-modal, returning at
// once), the progress of a long import, and the reports afterwards. The
// library work is the transfer layer's.

#include <QFileDialog>
#include <QObject>
#include <QPointer>
#include <memory>

class CategoryChooserViewController;
class FolianDocument;

class TransferCommands : public QObject {
  Q_OBJECT

 public:
  /// Serves `document`, which must outlive it and have its window.
  explicit TransferCommands(FolianDocument& document);
  ~TransferCommands() override;

  /// Show the import panel for one PDF file, or for a folder whose PDFs are
  /// all imported, with the category boxes; each returns at once.
  void importPdf();
  void importPdfFolder();
  /// Shows the folder chooser of the export of the selected entries; returns
  /// at once.
  void exportPdfs();
  /// Asks, then deletes the selected entries, closing their windows first.
  void deletePdfs();
  /// Asks, then sets the selected entries' titles and authors from their
  /// PDFs' own document information where it names plausible ones.
  void refillTitlesFromPdfs();
  /// Shows the panel that writes a copy of the library to a file the user
  /// chooses; returns at once.
  void saveCopy();

  /// The panel of import, export or copy that is open on the window, or null.
  QFileDialog* currentPanel() const { return _panel; }
  /// Whether a long command runs (the window must stay open meanwhile).
  bool busy() const { return _busy > 0; }

 private:
  void runImportPanel(bool folder);
  void importPanelDidEnd(bool accepted);
  // Before an import that would take the library file past 4 GiB: asks
  // whether to convert the library, and does. False when the import is not
  // to run (the user said no, or the conversion failed; both are told).
  bool convertIfImportNeeds(const QByteArray& chosen);
  void exportPanelDidEnd(bool accepted);
  void refreshAfterImport();

  FolianDocument& _document;
  QPointer<QFileDialog> _panel;
  std::unique_ptr<CategoryChooserViewController> _chooser;
  bool _panelIsFolderImport = false;
  int _busy = 0;
};
