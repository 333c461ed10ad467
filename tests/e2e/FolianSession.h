#pragma once
// The fixture of the end-to-end tests: a private X display with a window
// manager, a home folder of its own, the real folian program started on it,
// and folian-cli run beside it. A test that fails leaves a screenshot of the
// screen in the build folder (e2e-screenshots/).

#include <gtest/gtest.h>

#include <QProcess>
#include <QTemporaryDir>
#include <memory>

#include "Desktop.h"
#include "X11Session.h"

namespace e2e {

struct CliRun {
  int exitCode = -1;
  QString out;
  QString err;
};

/// One line of `folian-cli list`: en_id, title, the three categories, file
/// name, size, update date.
using ListedEntry = QStringList;

/// The title of a library's window.
QString LibraryTitle(const QString& library);

/// A title pattern for Desktop's waits: the window titled `plain`, with or
/// without the program's name that Qt may append to a dialog's title.
QString TitleOf(const QString& plain);

class FolianSession : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  /// Starts folian with `arguments` in the session, with the variables of
  /// `environment` added to (or replacing) the session's (LANG=C.UTF-8, ...).
  void startFolian(const QStringList& arguments = {}, const QProcessEnvironment& environment = {});
  /// Ends folian at once with SIGKILL, as a crash or a power cut of the
  /// program would, and waits until it is gone.
  void killFolian();
  /// Whether folian is still running.
  bool folianRuns() const { return _folian && _folian->state() == QProcess::Running; }
  /// Waits up to the reaction time until folian has ended; whether it has.
  bool waitForFolianToEnd() const;

  /// Runs folian-cli with the session's environment; with `bareEnvironment`
  /// from a process with no environment at all (env -i).
  CliRun cli(const QStringList& arguments, bool bareEnvironment = false) const;
  /// The entries `folian-cli list LIB [extra]` prints, in its order, for a
  /// copy of the library file as it is now (empty when the copy does not read).
  QVector<ListedEntry> listed(const QString& library, const QStringList& extra = {}) const;

  /// A path inside the test's own folder.
  QString path(const QString& relative) const { return _home.filePath(relative); }
  const Desktop& desktop() const { return *_desktop; }

  /// Saves a screenshot as e2e-screenshots/<test>-<label>.png in the build
  /// folder and returns its path.
  QString keepScreenshot(const QString& label) const;

  // --- Steps a user takes, by mouse and keys only

  /// Starts folian without a library and makes `library` with the start
  /// window's New (Ctrl+N) and its file panel; returns the library's window.
  qulonglong createLibraryFromStartWindow(const QString& library);
  /// Makes `library` with folian-cli and starts folian on it; returns its window.
  qulonglong openNewLibrary(const QString& library);
  /// Imports `folder` into the active library window (Ctrl+Shift+I, the path
  /// typed into the panel, Return).
  void importFolder(const QString& folder);
  /// Clicks the close button at the right end of the window's title bar.
  void clickCloseButton(qulonglong window) const;
  /// The window's frame, title bar included, lies inside the work area.
  void expectInsideWorkArea(qulonglong window, const char* what) const;

 private:
  QTemporaryDir _home;
  std::unique_ptr<X11Session> _session;
  std::unique_ptr<Desktop> _desktop;
  std::unique_ptr<QProcess> _folian;
};

}  // namespace e2e
