#pragma once
// One open library: it owns the library in memory (FLN_DATA) for its whole
// life and its library window. Every change is written to the library file
// at once; the window remembers its frame, divider, list choices and scroll
// positions in the library itself.
//
// The methods are spread over files by subject: FolianDocument.cpp (opening,
// closing, saving), FolianDocumentWindow.cpp (set-up, layout, remembered
// state), FolianDocumentLists.cpp (category lists and entry list),
// FolianDocumentMenus.cpp (menus and command enabling),
// FolianDocumentCategories.cpp (category commands), FolianDocumentTransfer.cpp
// (import, export, deletion and the commands without library work),
// FolianDocumentDragDrop.cpp (files dropped on the window, entries dragged out),
// FolianDocumentChildWindows.cpp (information windows and viewers),
// FolianDocumentSearch.cpp (the search field) and FolianDocumentFullText.cpp
// (full-text search and indexing).

#include <QFileDialog>
#include <QKeySequence>
#include <QObject>
#include <QPointer>
#include <QList>
#include <QString>
#include <QTemporaryDir>
#include <QUrl>
#include <array>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "gui/entry/EntryDlgOwner.h"
#include "categories/CategoryCommandUi.h"
#include "categories/CategoryLists.h"
#include "format/FlnRecords.h"
#include "library/FlnLibraryLock.h"
#include "library/FlnResult.h"
#include "fulltext/FullTextIndex.h"
#include "search/EntrySearchText.h"
#include "transfer/PdfImport.h"

class CategoryChooserViewController;
class EntryListModel;
class FullTextService;
class CategoryLevelPane;
class FolianMainWindow;
class LibraryOutlineModel;
class MainView;
class QAction;
class QBoxLayout;
class QLabel;
class QLineEdit;
class QMenu;
class QProgressBar;
class QToolButton;
class QTableView;
struct EntryWindowClosers;

/// Environment keys of the window's remembered state.
constexpr char kEnvMainWindowPosition[] = "main_window_position";
constexpr char kEnvCategoryBoxHeight[] = "categorybox_height";
constexpr char kEnvEntryScrollPosition[] = "entry_scroll_position";

class FolianDocument : public QObject, public CategoryCommandUi, public EntryDlgOwner {
  Q_OBJECT

 public:
  explicit FolianDocument(QObject* parent = nullptr);
  ~FolianDocument() override;

  // --- The document (FolianDocument.cpp)

  /// Loads the library file at `path` (made absolute). A file that is not a
  /// library or is damaged is refused with the reason; the document then
  /// holds no library and must not get a window.
  FlnResult readFromFile(const QString& path);
  /// The library file's absolute path.
  QString fileName() const;
  /// The lock the controller holds on this library's file for the window;
  /// a conversion of the library moves it to the new file.
  void setLibraryLock(LibraryLock* lock) { _libraryLock = lock; }
  FLN_DATA* flnData() { return &_fln_data; }

  /// Builds the library window and sets it up from the library (the window
  /// is not shown yet).
  void makeWindowControllers();
  /// Shows the window and restores the scroll positions, which need the
  /// lists laid out on screen.
  void showWindows();
  FolianMainWindow* mainWindow() const;
  /// Whether the library remembers a window frame (otherwise new windows are
  /// cascaded by the caller).
  bool hasStoredWindowPosition() const { return _hasStoredPosition; }
  /// Closes the window (unless a command in progress keeps it open); true
  /// when it closed.
  bool close();

  /// SaveAll into the library file; a failure is shown to the user (once,
  /// until a save succeeds again). True when the file was written.
  bool saveLibrary();

  // --- Window set-up and remembered state (FolianDocumentWindow.cpp)

  /// Lays out the window's grid for `proposedContent` (the area beside the
  /// library outline) and returns the size that area must have.
  QSize SetupMainWindow(QSize proposedContent);
  /// The window's size changed (by the user or the program): lay out and,
  /// when the grid needs another size, ask for it; then remember it.
  void windowDidResize();
  /// Remembers the window frame and the category pane height, and saves.
  void saveWindowPosition();

  // --- Lists (FolianDocumentLists.cpp)

  /// Reloads the three category lists and the entry list; the selections
  /// stay (the entry list's is taken from the entries' selection flags).
  void ReloadListBoxes();
  /// Shows the level labels as the titles of the three levels.
  void SetCategoryLabel_ToCategoryLabelBox();
  /// Puts the level labels into the headers of the category columns.
  void SetupEntryListHeader();
  void makeCategoryLists() override;
  void makeEntryList() override;
  /// A click on the entry list's header: `column` was clicked and the table
  /// would sort it in `ascending` order.
  void tableViewSortDescriptorsDidChange(int column, bool ascending);
  /// Remembers the three selected category names and saves.
  void saveWindowSelection();
  /// Another row was selected in level `level`'s list.
  void catListSelectionDidChange(int level);
  /// The entry list's selection changed: remember it in the entries and save.
  void entryListSelectionDidChange();
  /// The selected rows of the entry list, ascending.
  std::vector<int> selectedEntryRows() const;
  /// The names selected in the three category lists.
  CategoryListNames selectedCategoryNames() const;

  CategoryLevelPane* folianCategory(int level) const { return _folianCategory[level - 1].get(); }
  QTableView* entryListBox() const;
  QLabel* entryCountLabel() const;
  MainView* categoryEntrySplit() const;
  EntryListModel* entryListModel() const { return _entryListModel; }

  // --- The filter box above the entry list (FolianDocumentSearch.cpp)

  /// The filter box: the entry list shows only the entries whose text
  /// contains every word typed there. What is typed is never stored.
  QLineEdit* searchField() const { return _searchField; }

  // --- Full-text search and indexing (FolianDocumentFullText.cpp)

  /// What the search field searches: the entries' own fields ("書誌情報")
  /// or the text of their PDFs ("本文"). Not stored; a window starts with
  /// the entries' fields.
  enum class SearchScope { Entries, FullText };
  SearchScope searchScope() const { return _searchScope; }
  void setSearchScope(SearchScope scope);
  /// Whether the entry list shows the entries a full-text query found (with
  /// their hits), rather than every entry of the category choices.
  bool showsFullTextResults() const;
  /// Brings the full-text index in step with the library in the background
  /// (entries added, deleted or given another PDF since it was made).
  void updateFullTextIndex();
  /// The indexing and searching of this library's full-text index, or null
  /// before the window is shown and after it closed.
  FullTextService* fullTextService() const { return _fullText.get(); }

  // --- Menus and command enabling (FolianDocumentMenus.cpp)

  /// The window's action for the command `name` ("importPdf", "deletePDF",
  /// ...), or null.
  QAction* action(const char* name) const;
  /// Whether the action's command may run now.
  bool validateMenuItem(const QAction* item) const;
  /// Enables or disables every action by validateMenuItem.
  void updateCommandStates();

  // --- Category commands (FolianDocumentCategories.cpp)

  void addCategory(int level);
  void deleteCategory(int level);
  void renameCategory(int level);
  void changeCategoryName();
  void editCategoryLabel();

  // CategoryCommandUi
  void alert(const QString& message) override;
  bool confirmDestructive(const QString& message) override;
  int runCategoryAddDlg(const FLN_LABEL* catFlnLabel, TESK_ARY flnCatsAry, int32_t categoryKind,
                        char* outCategoryName) override;
  int runChangeCategoryNameDlg(const FLN_LABEL* cat1Label, const FLN_LABEL* cat2Label,
                               const FLN_LABEL* cat3Label, const FLN_DATA* flnData,
                               const FLN_CATS* selectFlnCats, FLN_CATS* outInputFlnCats) override;
  int runCategoryLabelEditDlg(FLN_LABEL* cat1Label, FLN_LABEL* cat2Label, FLN_LABEL* cat3Label) override;
  bool askCategoryNewName(const FLN_LABEL* catFlnLabel, const char* oldName, std::string* newName) override;
  void showCategoryLabels() override;
  void reportSaveFailure() override;

  // --- Import, export, deletion and placeholders (FolianDocumentTransfer.cpp)

  /// Show the import panel for one PDF file, or for a folder whose PDFs are
  /// all imported; each returns at once.
  void importPdf();
  void importPdfFolder();
  void openPanelDidEnd(bool accepted);
  // Before an import that would take the library file past 4 GiB: asks
  // whether to convert the library, and does. False when the import is not
  // to run (the user said no, or the conversion failed; both are told).
  bool convertIfImportNeeds(const QByteArray& chosen);
  /// Shows the folder chooser of the export; returns at once.
  void savePdfPanel();
  void savePdfPanelDidEnd(bool accepted);
  /// Asks, then deletes the selected entries.
  void deletePDF();
  /// Asks, then sets the selected entries' titles and authors from their
  /// PDFs' own document information where it names plausible ones.
  void refillTitlesFromPdfs();
  /// Writes a copy of the library to a file the user chooses.
  void saveNewFile();
  /// The panel of import, export or copy that is open on the window, or null.
  QFileDialog* currentPanel() const { return _panel; }

  // --- Drag and drop (FolianDocumentDragDrop.cpp)

  /// Files dropped on the window: libraries are opened (openLibraryRequested),
  /// PDFs and folders imported into the current category choices ("＜すべて＞"
  /// standing for "その他") as the folder import does, with its progress, Cancel
  /// and report; anything else is named in an alert. Nothing happens while a
  /// panel is open or a command runs.
  void dropFiles(const QList<QUrl>& urls);
  /// The PDFs of the entries of `rows` (of the entry list), written for a drag
  /// out of the window into a new private folder that stays until the
  /// document goes: the bytes under their file names. Empty, after an alert
  /// naming them, when any of them cannot be read.
  QList<QUrl> exportForDrag(const std::vector<int>& rows);
  // --- Handing PDFs to other programs (FolianDocumentHandOver.cpp)

  /// Opens the selected entries' PDFs with the desktop's application for
  /// PDFs, as copies in the private hand-over folder (PrivateHandOverFolder);
  /// asks first when that starts more than ten applications.
  void openWithApplication();
  /// Shows the selected entries' PDFs, as such copies, in the file manager.
  void showInFileManager();

  // --- Information windows and viewers (FolianDocumentChildWindows.cpp)

  /// Opens (or brings forward) the information window of every selected
  /// entry, in row order; then saves and rebuilds the entry list.
  void showInfo();
  /// Opens (or brings forward) the viewer of every selected entry's PDF, in
  /// row order.
  void openPDF();
  /// The entry list's double click: the viewer of the selected row's PDF;
  /// nothing without a selected row.
  void doElementViewDoubleClick();
  // EntryDlgOwner: the application's frontmost visible window.
  QWidget* frontWindow() const override;

 signals:
  /// The window closed and its state is saved; the document may go.
  void documentDidClose(FolianDocument* document);
  /// Commands that belong to the application rather than to this library.
  void newDocumentRequested();
  void openDocumentRequested();
  void quitRequested();
  void helpRequested();
  /// A library file was dropped on the window: the controller opens it.
  void openLibraryRequested(const QString& path);
  /// The library's file was replaced or changed by another program, so
  /// nothing more is saved into it; the user has been told. The controller
  /// closes this document and opens the file anew.
  void libraryFileReplaced(FolianDocument* document);

 private:
  // FolianDocumentWindow.cpp
  void setUpWindow();
  void windowWillClose();
  void restoreWindowFrame(const char* value);
  void restoreCategoryPaneHeight(const char* value);
  void restoreScrollPositions();
  void rememberLibraryFolder();
  void writeScrollPositions();
  QSize contentSize() const;
  /// The size of a new library's window: the three category lists side by
  /// side and room for twenty entry rows below them, without scrolling.
  QSize defaultWindowSize() const;

  // FolianDocumentHandOver.cpp
  /// Copies of the selected entries' PDFs in the private hand-over folder;
  /// entries without a copy are reported to the user.
  QStringList handOverCopies();

  // FolianDocumentLists.cpp
  void createCategoryLevels();
  void recomputeNameArray(int level);
  void restoreEntrySelection();
  void showSortIndicator();

  // FolianDocumentSearch.cpp
  void createSearchField();
  void searchTextDidChange(const QString& text);
  // After the category query and sort: keeps the positions of the listed
  // entries and narrows showEntryAry by the typed words, if any.
  void narrowBySearchWords();
  // Learns the positions in the library of the entries showEntryAry lists;
  // false when that failed (then there are none).
  bool takeListedPositions();
  // Shows showEntryAry afresh in the entry list: rows, selection, count.
  void reloadEntryList();

  // FolianDocumentFullText.cpp
  // The scope switch beside the search field and the indexing status after it.
  void createFullTextControls(QBoxLayout* searchRow);
  void startFullTextIndex();
  void fullTextQueryDidChange(const QString& text);
  void fullTextSearchFinished(const QString& query, const std::vector<FullTextIndex::EntryHits>& results,
                              const QString& error);
  // After the category query and sort: narrows showEntryAry to the entries
  // the last full-text results name.
  void narrowByFullTextHits();
  // Shows every entry of the category choices again, where it was scrolled.
  void showWholeList();
  // Shows the hits column when the list is a full-text result.
  void showHitCounts(std::vector<int> rowHits);
  void showIndexingProgress(int done, int total);
  void indexingFinished(bool complete, const QString& error);
  void stopOrResumeIndexing();
  // Opens the viewer's search at the full-text query's hits when the list
  // is a full-text result.
  void showFullTextHits(const FLN_ENTRY& entry);

  // FolianDocumentMenus.cpp
  void createMenus();
  QAction* addCommand(QMenu* menu, const char* name, const QString& text, std::function<void()> run,
                      const QKeySequence& shortcut = QKeySequence());
  void updateCategoryMenuTexts();

  // FolianDocumentChildWindows.cpp
  // The entry list's row the double click acts on: the current row when it
  // is selected, else the last selected row; -1 without a selection.
  int selectedRow() const;
  void openPdfViewerForRow(int row);
  // Reopens the windows whose entries remember a stacking order above 0,
  // stacked as remembered.
  void reopenChildWindows();
  // Records in every entry the stacking order of its open windows: 1 for the
  // frontmost window of the application, growing backwards; -1 when none,
  // or for a hidden viewer.
  void saveChildWindowState();
  // Closes every viewer, then every information window.
  void closeChildWindows();
  // Brings every open information window and viewer up to date with the
  // library after a command changed entries, categories or labels.
  void updateChildWindows();
  // How deletion closes the windows of an entry about to go.
  static EntryWindowClosers childWindowClosers();

  // FolianDocumentDragDrop.cpp
  void setUpDragAndDrop();

  // FolianDocumentTransfer.cpp
  void runImportPanel(bool folder);
  void refreshAfterImport();
  // The categories an import starts from: the three choices, "＜すべて＞" as "その他".
  std::array<std::string, 3> currentImportCategories() const;
  // Titles from the PDFs' own information, as the import panel's box was last left.
  PdfInfoReader rememberedInfoReader() const;
  // Runs `import` of `paths` into the categories `cats` (refused with an
  // alert when a name cannot be an entry's; first converting the library
  // when a path would take it past 4 GiB, if the user agrees), under the
  // progress dialog when `withProgress`, then shows the lists anew and tells
  // what went wrong.
  using ImportRun = std::function<ImportResult(const char* const cats[3], const ImportProgress& progress)>;
  void runImport(const std::vector<std::string>& paths, const std::array<std::string, 3>& cats, bool withProgress,
                 bool skipDuplicates, const ImportRun& import);

  FLN_DATA _fln_data;
  LibraryLock* _libraryLock = nullptr;
  std::unique_ptr<FolianMainWindow> _mainWindow;
  std::array<std::unique_ptr<CategoryLevelPane>, 3> _folianCategory;
  EntryListModel* _entryListModel = nullptr;
  LibraryOutlineModel* _outlineModel = nullptr;
  std::vector<QAction*> _actions;
  QPointer<QFileDialog> _panel;
  std::unique_ptr<CategoryChooserViewController> _chooser;
  bool _panelIsFolderImport = false;

  bool _finished_setUpWindow = false;
  bool _hasStoredPosition = false;
  bool _closed = false;
  int _busy = 0;                  // > 0 while a long command runs; the window stays open
  int _entrySelectionQuiet = 0;   // > 0 while the program sets the entry list's selection
  bool _saveFailureShown = false;
  bool _fileReplaced = false;     // the file is not the one loaded: never written again
  QSize _lastSnapFrom;            // a size the grid asked to leave; not asked twice in a row
  struct PendingScroll {
    bool present = false;
    double x = 0, y = 0;
  };
  std::array<PendingScroll, 4> _pendingScroll;  // entry list, then levels 1..3

  std::vector<std::unique_ptr<QTemporaryDir>> _dragFolders;  // what drags out of the window handed over

  QLineEdit* _searchField = nullptr;
  QStringList _searchWords;                 // as typed in the filter box, folded
  EntrySearchText _searchText;              // per position of _fln_data.entry
  // The entries of the category choices in sorted order, as positions in
  // _fln_data.entry; each keystroke picks from them without sorting again.
  std::vector<int32_t> _listedPositions;
  bool _listedPositionsValid = false;
  // The positions shown for _searchWords: a word typed on only narrows
  // them further, so the next keystroke looks at these alone.
  std::vector<int32_t> _shownPositions;
  int _unfilteredScroll = 0;                // entry list scroll before narrowing

  SearchScope _searchScope = SearchScope::Entries;
  QToolButton* _entriesScopeButton = nullptr;
  QToolButton* _fullTextScopeButton = nullptr;
  std::unique_ptr<FullTextService> _fullText;
  // The full-text query in the field (empty: none); the hits by en_id
  // (host order) of the last answer, and the query they answer.
  QString _fullTextQuery;
  std::unordered_map<int32_t, int> _fullTextHits;
  QString _hitsQuery;
  bool _orderByHits = true;                 // full-text results best first, not by the sort keys
  QLabel* _indexingLabel = nullptr;
  QProgressBar* _indexingBar = nullptr;
  QToolButton* _indexingButton = nullptr;   // stops or resumes indexing
  bool _indexingStopped = false;
};
