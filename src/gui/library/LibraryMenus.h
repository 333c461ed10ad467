#pragma once
// The menus of the library window. Every command is a typed action that the
// document connects to its handler; whether a command may run follows the
// window's state through setHasEntrySelection, so the menus, the shortcuts
// and the tests all see one enabled state. Commands without a function yet
// are shown, greyed out, so that the user sees what is to come. Each action
// keeps the object name of its command ("importPdf", "deletePDF", ...).

#include <QObject>
#include <QString>
#include <array>

class QAction;
class QMenuBar;

class LibraryMenus : public QObject {
  Q_OBJECT

 public:
  /// Fills `bar` with the File, Edit, Categories and Help menus. The
  /// selection-bound commands start disabled.
  explicit LibraryMenus(QMenuBar* bar, QObject* parent = nullptr);

  /// Enables the commands that act on the selected entries exactly when
  /// there are some.
  void setHasEntrySelection(bool hasSelection);
  /// Names the category commands of level 1..3 after the level's label
  /// (an empty label: "分類N").
  void setLevelLabel(int level, const QString& label);

  // File
  QAction* newDocument = nullptr;
  QAction* openDocument = nullptr;
  QAction* closeDocument = nullptr;
  QAction* saveCopy = nullptr;
  QAction* openPdf = nullptr;
  QAction* showInfo = nullptr;
  QAction* openWithApplication = nullptr;
  QAction* showInFileManager = nullptr;
  QAction* importPdf = nullptr;
  QAction* importPdfFolder = nullptr;
  QAction* exportPdfs = nullptr;
  QAction* mergeLibraries = nullptr;
  QAction* showLibraryInfo = nullptr;
  QAction* compactLibrary = nullptr;
  QAction* extractPdf = nullptr;      // no function yet
  QAction* newGroup = nullptr;        // no function yet
  QAction* pageSetup = nullptr;       // the viewer prints; the library window has nothing to print
  QAction* print = nullptr;
  QAction* quit = nullptr;
  // Edit
  QAction* selectAll = nullptr;
  QAction* deselectAll = nullptr;
  QAction* refillTitlesFromPdfs = nullptr;
  QAction* deletePdfs = nullptr;
  // Categories, by level 1..3 at index 0..2
  std::array<QAction*, 3> addCategory{};
  std::array<QAction*, 3> deleteCategory{};
  std::array<QAction*, 3> renameCategory{};
  QAction* changeCategoryName = nullptr;
  QAction* editCategoryLabel = nullptr;
  // Help
  QAction* showHelp = nullptr;
};
