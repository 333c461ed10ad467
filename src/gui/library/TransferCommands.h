#pragma once
// Import, export and deletion of PDFs from the library window, the merge of
// another library into it, files dropped on it and entries dragged out of
// it, and the copy of the library: the file panels (one at a time,
// window-modal, returning at once), the progress of a long import, and the
// reports afterwards. The library work is the transfer layer's.

#include <QFileDialog>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QTemporaryDir>
#include <QUrl>
#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "transfer/PdfImport.h"

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
  /// Shows the panel that chooses another library to merge into this one;
  /// returns at once.
  void mergeLibraries();

  /// Files dropped on the window: libraries are opened (the document's
  /// openLibraryRequested), PDFs and folders imported into the current
  /// category choices ("＜すべて＞" standing for "その他") as the folder import
  /// does, with its progress, Cancel and report; anything else is named in an
  /// alert. Nothing happens while a panel is open or a command runs.
  void dropFiles(const QList<QUrl>& urls);
  /// The PDFs of the entries of `rows` (of the entry list), written for a drag
  /// out of the window into a new private folder that stays until the
  /// document goes: the bytes under their file names. Empty, after an alert
  /// naming them, when any of them cannot be read.
  QList<QUrl> exportForDrag(const std::vector<int>& rows);

  /// The panel of import, export, merge or copy that is open on the window,
  /// or null.
  QFileDialog* currentPanel() const { return _panel; }

 private:
  void runImportPanel(bool folder);
  void importPanelDidEnd(bool accepted);
  void mergePanelDidEnd(bool accepted);
  // Before an import that would take the library file past 4 GiB: asks
  // whether to convert the library, and does. False when the import is not
  // to run (the user said no, or the conversion failed; both are told).
  bool convertIfImportNeeds(const QByteArray& chosen);
  void exportPanelDidEnd(bool accepted);
  // The categories an import starts from: the three choices, "＜すべて＞" as "その他".
  std::array<std::string, 3> currentImportCategories() const;
  // Runs `import` of `paths` into the categories `cats` (refused with an
  // alert when a name cannot be an entry's; first converting the library
  // when a path would take it past 4 GiB, if the user agrees), under the
  // progress dialog when `withProgress`, then shows the lists anew and tells
  // what went wrong.
  using ImportRun = std::function<ImportResult(const char* const cats[3], const ImportProgress& progress)>;
  void runImport(const std::vector<std::string>& paths, const std::array<std::string, 3>& cats, bool withProgress,
                 bool skipDuplicates, const ImportRun& import);
  // Tells the user what an import or merge could not do.
  void reportImport(const ImportResult& result, bool skipDuplicates);

  FolianDocument& _document;
  QPointer<QFileDialog> _panel;
  std::unique_ptr<CategoryChooserViewController> _chooser;
  bool _panelIsFolderImport = false;
  std::vector<std::unique_ptr<QTemporaryDir>> _dragFolders;  // what drags out of the window handed over
};
