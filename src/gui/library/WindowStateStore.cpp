#include "gui/library/WindowStateStore.h"

#include <QAbstractItemView>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>
#include <QScrollBar>
#include <QSplitter>
#include <cstring>

#include "categories/CategoryLists.h"
#include "gui/library/WindowStateText.h"
#include "gui/shell/ScreenFit.h"
#include "library/FlnEnvironment.h"
#include "library/FlnPreference.h"

namespace {

const char* ScrollKey(int list) {
  static const char* const keys[4] = {kEnvEntryScrollPosition, "cat1_scroll_position", "cat2_scroll_position",
                                      "cat3_scroll_position"};
  return keys[list];
}

}  // namespace

bool WindowStateStore::restoreFrame(QWidget* window) const {
  char value[kEnvValueBufferSize];
  QRect frame;
  if (GetEnvironmentValue(_flnData->envAry, kEnvMainWindowPosition, value) != 1 ||
      !ParseWindowPosition(value, &frame) || frame.width() <= 0 || frame.height() <= 0)
    return false;
  bool onScreen = false;
  for (QScreen* screen : QGuiApplication::screens()) onScreen = onScreen || screen->geometry().intersects(frame);
  if (onScreen)
    SetGeometryOnScreen(window, frame);
  else
    window->resize(frame.size());
  return true;
}

void WindowStateStore::restorePaneHeight(QSplitter* split) const {
  char value[kEnvValueBufferSize];
  double height = 0;
  if (GetEnvironmentValue(_flnData->envAry, kEnvCategoryBoxHeight, value) != 1 || !ParsePaneHeight(value, &height))
    return;
  const QList<int> heights = split->sizes();
  if (heights.size() < 2) return;
  const int first = static_cast<int>(height);
  split->setSizes({first, heights[1] + heights[0] - first});
}

void WindowStateStore::restoreCategoryChoices() const {
  char choices[3][kEnvValueBufferSize];
  for (int level = 1; level <= 3; ++level)
    if (GetEnvironmentValue(_flnData->envAry, CategoryListSelectionEnvKey(level), choices[level - 1]) != 1) return;
  for (int level = 1; level <= 3; ++level) SetCategoryChoice(_flnData, level, choices[level - 1]);
}

void WindowStateStore::takeScrollPositions() {
  char scroll[kEnvValueBufferSize];
  for (int list = 0; list < 4; ++list) {
    QPointF origin;
    _pendingScroll[list].present = GetEnvironmentValue(_flnData->envAry, ScrollKey(list), scroll) == 1 &&
                                   ParseScrollPosition(scroll, &origin);
    _pendingScroll[list].x = origin.x();
    _pendingScroll[list].y = origin.y();
  }
  if (!(_pendingScroll[1].present && _pendingScroll[2].present && _pendingScroll[3].present))
    _pendingScroll[1].present = _pendingScroll[2].present = _pendingScroll[3].present = false;
}

void WindowStateStore::restoreScrollPositions(const WindowLists& lists) {
  for (int list = 0; list < 4; ++list) {
    if (!_pendingScroll[list].present) continue;
    lists[list]->doItemsLayout();
    lists[list]->horizontalScrollBar()->setValue(static_cast<int>(_pendingScroll[list].x));
    lists[list]->verticalScrollBar()->setValue(static_cast<int>(_pendingScroll[list].y));
    _pendingScroll[list].present = false;
  }
}

void WindowStateStore::rememberFrame(const QRect& frame, int paneHeight) {
  SaveEnvironment(_flnData, kEnvMainWindowPosition, FormatWindowPosition(frame).constData());
  SaveEnvironment(_flnData, kEnvCategoryBoxHeight, FormatPaneHeight(paneHeight).constData());
}

void WindowStateStore::rememberScrollPositions(const WindowLists& lists) {
  for (int list = 0; list < 4; ++list) {
    const QPointF origin(lists[list]->horizontalScrollBar()->value(), lists[list]->verticalScrollBar()->value());
    SaveEnvironment(_flnData, ScrollKey(list), FormatScrollPosition(origin).constData());
  }
}

FlnResult WindowStateStore::rememberLibraryFolder(const QString& libraryPath) {
  char record[kPreferenceRecordSize] = {};
  const QByteArray folder = QFileInfo(libraryPath).absolutePath().toUtf8();
  // A cut path would name another folder.
  if (folder.size() >= kPreferenceRecordSize)
    return FlnResult::failure(FlnStatus::PathTooLong, "the library's folder does not fit the preference record");
  memcpy(record, folder.constData(), static_cast<size_t>(folder.size()));
  char preferencePath[1024];
  if (GetPreferenceFilePath(preferencePath, sizeof preferencePath) != 1)
    return FlnResult::failure(FlnStatus::CannotOpen, "there is no preferences folder");
  return WritePreference_ToZelFile(preferencePath, kTagPrefLibraryFolder, kPreferenceRecordSize, record);
}
