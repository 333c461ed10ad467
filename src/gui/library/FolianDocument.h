#pragma once
// One open library: it owns the library in memory (FLN_DATA) for its whole
// life and its library window. Every change is written to the library file
// at once; the window remembers its frame, divider, list choices and scroll
// positions in the library itself.
//
// The document coordinates parts of their own: the menus (LibraryMenus),
// the import, export and deletion commands (TransferCommands), the category
// commands (CategoryCommandHost), the information windows and viewers
// (ChildWindowRegistry) and the remembered window state (WindowStateStore).
// Its own methods are spread over files by subject: FolianDocument.cpp
// (opening, closing, saving, opening child windows), FolianDocumentWindow.cpp
// (set-up, layout, remembered state), FolianDocumentMenus.cpp (what each
// command runs and when it is enabled), FolianDocumentLists.cpp (category
// lists and entry list), FolianDocumentSearch.cpp (the filter box),
// FolianDocumentFullText.cpp (full-text search and indexing),
// FolianDocumentHandOver.cpp (handing PDFs to other programs),
// FolianDocumentDragDrop.cpp (files dropped on the window, entries dragged
// out) and FolianDocumentLibraryFile.cpp (the library file as a whole).

#include <QObject>
#include <QSize>
#include <QStringList>
#include <QString>
#include <QTimer>
#include <array>
#include <memory>
#include <unordered_map>
#include <vector>

#include "categories/CategoryLists.h"
#include "categories/SortedEntryOrder.h"
#include "library/FlnData.h"
#include "library/FlnLibraryLock.h"
#include "fulltext/FullTextIndex.h"
#include "gui/entry/EntryDlgOwner.h"
#include "gui/library/WindowStateStore.h"
#include "library/FlnResult.h"
#include "search/EntrySearchText.h"
#include "search/NarrowingSteps.h"

class CategoryCommandHost;
class ChildWindowRegistry;
class EntryListModel;
class FullTextService;
class LibraryMenus;
class TransferCommands;
class CategoryLevelPane;
class FolianMainWindow;
class LibraryOutlineModel;
class MainView;
class QBoxLayout;
class QLabel;
class QLineEdit;
class QProgressBar;
class QTableView;
class QToolButton;

class FolianDocument : public QObject, public EntryDlgOwner {
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
  /// That lock, or null when the controller holds none.
  LibraryLock* libraryLock() const { return _libraryLock; }
  FLN_DATA* flnData() { return &_fln_data; }
  /// Entries whose searchable text one slice of folding ahead folds, while
  /// the window is idle after it opens (on two cores, a few milliseconds:
  /// a click or a key waits for at most one slice).
  static constexpr int32_t kFoldSlice = 8000;

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
  /// The change is made in memory but the library file could not be
  /// written: tells the user once until a save succeeds again; a file that
  /// another program replaced is left alone and opened anew.
  void reportSaveFailure() override;
  /// reportSaveFailure for a save whose result the caller holds (a
  /// transfer's): `why` gives the reason line.
  void reportSaveFailure(const FlnResult& why);
  /// A one-button alert over the library window.
  void alert(const QString& message);
  /// A critical-style question over the library window; true only for "はい".
  bool confirmDestructive(const QString& message);

  /// Whether a long command runs: the window stays open and drops are
  /// refused meanwhile.
  bool busy() const { return _busy > 0; }
  /// Runs `command` as a long command (busy() meanwhile, even when it
  /// throws) and returns what it returns.
  template <class Command>
  auto runLongCommand(Command&& command) {
    struct Running {
      int& busy;
      ~Running() { --busy; }
    } running{++_busy};
    return command();
  }

  // --- The parts
  LibraryMenus* menus() const { return _menus; }
  TransferCommands* transfer() const { return _transfer.get(); }
  CategoryCommandHost* categoryCommands() const { return _categoryCommands.get(); }
  ChildWindowRegistry* childWindows() const { return _childWindows; }

  // --- Window set-up and remembered state (FolianDocumentWindow.cpp)

  /// Lays out the window's grid for `proposedContent` (the area beside the
  /// library outline) and returns the size that area must have.
  QSize SetupMainWindow(QSize proposedContent);
  /// The window's size changed (by the user or the program): lay out and,
  /// when the grid needs another size, ask for it; then remember it.
  void windowDidResize();
  /// Remembers the window frame and the category pane height, and saves.
  void saveWindowPosition();
  /// The level labels changed: show them as the levels' titles, in the menus,
  /// in the entry list's header and in the information windows.
  void showCategoryLabels();

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
  /// Another row was selected in level `level`'s list.
  void catListSelectionDidChange(int level);
  /// The entry list's selection changed: remember it in the entries and save.
  void entryListSelectionDidChange();
  /// The selected rows of the entry list, ascending.
  std::vector<int> selectedEntryRows() const;
  /// The names selected in the three category lists.
  CategoryListNames selectedCategoryNames() const;
  /// After an import or a rewrite of the library: reloads the three category
  /// lists, each showing its choice again (a choice that is gone falls back
  /// to "＜すべて＞"), and rebuilds the entry list and the full-text index.
  void refreshAfterImport();

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

  // --- Handing PDFs to other programs (FolianDocumentHandOver.cpp)

  /// Opens the selected entries' PDFs with the desktop's application for
  /// PDFs, as copies in the private hand-over folder (PrivateHandOverFolder);
  /// asks first when that starts more than ten applications.
  void openWithApplication();
  /// Shows the selected entries' PDFs, as such copies, in the file manager.
  void showInFileManager();

  // --- The library file as a whole (FolianDocumentLibraryFile.cpp)

  /// Shows the library's facts: its file, size, entries, stored PDFs and the
  /// space that compacting would give back.
  void showLibraryInfo();
  /// After asking, rewrites the library file without its unused space
  /// (CompactLibraryFile), with progress, and reports the sizes.
  void compactLibrary();

  // --- Information windows and viewers (FolianDocument.cpp)

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
  // The entry list, then the category lists of levels 1..3.
  WindowLists lists() const;
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
  void startFoldingAhead();
  // After the category query and sort: keeps the positions of the listed
  // entries and narrows the shown rows by the typed words, if any.
  void narrowBySearchWords();
  // Takes the shown rows as the listed positions, with the texts to search;
  // false when that failed (then there are none).
  bool takeListedPositions();
  // Shows the shown rows afresh in the entry list: rows, selection, count.
  void reloadEntryList();

  // FolianDocumentFullText.cpp
  // The scope switch beside the search field and the indexing status after it.
  void createFullTextControls(QBoxLayout* searchRow);
  void startFullTextIndex();
  void fullTextQueryDidChange(const QString& text);
  void fullTextSearchFinished(const QString& query, const std::vector<FullTextIndex::EntryHits>& results,
                              const QString& error);
  // After the category query and sort: narrows the shown rows to the entries
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

  // FolianDocumentDragDrop.cpp
  // Files dropped on the window are opened or imported; the entry list's
  // rows drag their PDFs out.
  void setUpDragAndDrop();

  // FolianDocumentLibraryFile.cpp
  // Rereads the library from its file after this window rewrote it whole,
  // and shows it as it was (choices, selection, sort).
  void reloadRewrittenLibrary();

  // FolianDocumentMenus.cpp
  // Connects every command of the menus to what it runs.
  void connectMenus();
  // Enables the commands that need selected entries exactly when there are.
  void updateCommandStates();

  // FolianDocument.cpp
  // The entry list's row the double click acts on: the current row when it
  // is selected, else the last selected row; -1 without a selection.
  int selectedRow() const;
  void openPdfViewerForRow(int row);

  FLN_DATA _fln_data;
  WindowStateStore _windowState{&_fln_data};
  LibraryLock* _libraryLock = nullptr;
  std::unique_ptr<FolianMainWindow> _mainWindow;
  std::array<std::unique_ptr<CategoryLevelPane>, 3> _folianCategory;
  EntryListModel* _entryListModel = nullptr;
  LibraryOutlineModel* _outlineModel = nullptr;
  LibraryMenus* _menus = nullptr;                // owned by the document as its child
  ChildWindowRegistry* _childWindows = nullptr;  // owned by the document as its child
  std::unique_ptr<TransferCommands> _transfer;
  std::unique_ptr<CategoryCommandHost> _categoryCommands;

  bool _finished_setUpWindow = false;
  bool _hasStoredPosition = false;
  bool _closed = false;
  int _busy = 0;                  // long commands running (runLongCommand)
  int _entrySelectionQuiet = 0;   // > 0 while the program sets the entry list's selection
  bool _saveFailureShown = false;
  bool _fileReplaced = false;     // the file is not the one loaded: never written again
  QSize _lastSnapFrom;            // a size the grid asked to leave; not asked twice in a row

  // Every entry in the list's sort order: a category click picks from it.
  SortedEntryOrder _sortedOrder;

  QLineEdit* _searchField = nullptr;
  QStringList _searchWords;                 // as typed in the filter box, folded
  EntrySearchText _searchText;              // per position of _fln_data.entry
  // Folds the entries' searchable text a slice at a time while the window
  // is idle after it opens, so that the first keystroke in a large library
  // does not wait for every entry to be folded.
  QTimer _foldAheadTimer;
  // The entries of the category choices in sorted order, as positions in
  // _fln_data.entry; each keystroke picks from them without sorting again.
  std::vector<int32_t> _listedPositions;
  bool _listedPositionsValid = false;
  // What the word lists typed since the list was made found: a keystroke
  // looks only at the narrowest of them that holds all its matches.
  NarrowingSteps _narrowingSteps;
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
