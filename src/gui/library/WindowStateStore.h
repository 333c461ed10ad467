#pragma once
// Where the library window remembers its state: its frame, the height of the
// category pane, the three category choices and the scroll positions of the
// four lists, as environment values inside the library itself; and the
// folder of the library opened last, in the preference file. The store reads
// and writes the values; the window decides when.

#include <QRect>
#include <QString>
#include <array>

#include "library/FlnData.h"
#include "library/FlnResult.h"

class QAbstractItemView;
class QSplitter;
class QWidget;

/// Environment keys of the window's remembered state.
constexpr char kEnvMainWindowPosition[] = "main_window_position";
constexpr char kEnvCategoryBoxHeight[] = "categorybox_height";
constexpr char kEnvEntryScrollPosition[] = "entry_scroll_position";

/// The entry list, then the category lists of levels 1..3.
using WindowLists = std::array<QAbstractItemView*, 4>;

class WindowStateStore {
 public:
  /// Reads and writes the environment of `flnData`, which must outlive it.
  explicit WindowStateStore(FLN_DATA* flnData) : _flnData(flnData) {}

  /// Gives `window` the remembered frame; true when there is one. A frame
  /// remembered on a screen that is gone would open out of sight: then only
  /// its size is taken. An unreadable or empty frame counts as none.
  bool restoreFrame(QWidget* window) const;
  /// Gives the upper pane of `split` the remembered height, if any.
  void restorePaneHeight(QSplitter* split) const;
  /// Makes the remembered category choices the library's choices: all three
  /// or none.
  void restoreCategoryChoices() const;
  /// Takes the remembered scroll positions, to be applied once the lists are
  /// laid out on screen. The category lists' positions count only all together.
  void takeScrollPositions();
  /// Scrolls `lists` to the positions taken, once.
  void restoreScrollPositions(const WindowLists& lists);

  /// Remembers the window's frame and its upper pane's height (not saved).
  void rememberFrame(const QRect& frame, int paneHeight);
  /// Remembers the scroll positions of `lists` (not saved).
  void rememberScrollPositions(const WindowLists& lists);
  /// Remembers the folder of the library at `libraryPath` in the preference
  /// file, where the next Open panel starts; the result says why it could
  /// not (the window opens all the same).
  static FlnResult rememberLibraryFolder(const QString& libraryPath);

 private:
  struct PendingScroll {
    bool present = false;
    double x = 0, y = 0;
  };
  FLN_DATA* _flnData;
  std::array<PendingScroll, 4> _pendingScroll;
};
