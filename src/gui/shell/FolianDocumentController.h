#pragma once
// The application's one document controller: it creates and opens library
// documents, keeps each library open in one window only, and shows the start
// window (New..., Open..., recent libraries) whenever no library is open.
// Closing the start window while no library is open ends the application.

#include <QObject>
#include <QFileDialog>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

#include "library/FlnLibraryLock.h"
#include "library/FlnRecover.h"
#include "library/FlnResult.h"

class FolianDocument;
class QWidget;
class StartWindow;


/// The message shown when the library at `path` cannot be opened.
QString OpenFailureMessage(const QString& path, const FlnResult& result);

/// Where a library recovered from the damaged one at `damagedPath` goes: beside
/// it, "NAME（復旧）.fln", or "NAME（復旧2）.fln" and so on when that is taken.
QString RecoveredLibraryPath(const QString& damagedPath);

/// What a recovery into `newPath` got back and what it lost, for an alert.
QString RecoveryReportMessage(const QString& newPath, const RecoveryReport& report);

class FolianDocumentController : public QObject {
  Q_OBJECT

 public:
  explicit FolianDocumentController(QObject* parent = nullptr);
  ~FolianDocumentController() override;

  /// No untitled library is ever made: the user creates or opens one.
  bool applicationShouldOpenUntitledFile() const { return false; }

  /// Opens the libraries given on the command line; the start window when
  /// none of them opens (or none was given).
  void start(const QStringList& paths);

  /// Opens the library at `path` in a window, or brings its window forward
  /// when it is open already. A file that is not a library or is open in
  /// another Folian is refused with a message; for a damaged one the message
  /// offers a recovery (offerRecovery). Returns the document, or null.
  FolianDocument* openDocumentWithContentsOfFile(const QString& path);

  /// "New": asks for a file name, creates an empty library there and opens it.
  void newDocument();
  /// The New panel ended with `path` chosen: create and open.
  void createDocumentComplete(const QString& path);
  /// "Open": the Open panel, starting in the folder of the library opened last.
  void openDocument();
  /// Opens the product's help, found from the running program's folder.
  void showHelp();
  /// Opens the help found from `programFolder` (HelpFileCandidates) with the
  /// desktop's viewer for it; when there is none, or nothing can show it,
  /// an alert says so.
  void showHelpFrom(const QString& programFolder);
  /// Closes every library window, then ends the application
  /// (applicationShouldTerminate); stops when a window refuses to close.
  void terminate();

  const std::vector<FolianDocument*>& documents() const { return _documents; }
  StartWindow* startWindow() const { return _startWindow.get(); }
  /// The New or Open panel while it is open, or null.
  QFileDialog* currentPanel() const { return _panel; }
  /// The folder the Open panel starts in (from the preference file), or empty.
  static QString openPanelStartFolder();

 signals:
  /// The application should end now: the start window was closed with no
  /// library open, or Quit closed every window.
  void applicationShouldTerminate();

 private:
  void documentDidClose(FolianDocument* document);
  /// Tells why the library at `damagedPath` was refused and asks whether to
  /// recover it; on "はい" writes what can be read into RecoveredLibraryPath
  /// (the damaged file is never changed), tells what was lost and opens the
  /// new library. Returns its document, or null.
  FolianDocument* offerRecovery(const QString& damagedPath, const FlnResult& refusal);
  void showStartWindow();
  QWidget* panelParent() const;
  FolianDocument* documentForFile(const QString& absolutePath) const;
  void placeNewWindow(FolianDocument* document);
  // Closes a document whose file was replaced underneath and opens the file anew.
  void reopenReplacedLibrary(FolianDocument* document);

  std::vector<FolianDocument*> _documents;
  std::vector<std::unique_ptr<LibraryLock>> _locks;  // one per open document, same order
  std::unique_ptr<StartWindow> _startWindow;
  QPointer<QFileDialog> _panel;
  bool _terminating = false;
};
