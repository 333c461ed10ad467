#include "gui/shell/FolianDocumentController.h"

#include <algorithm>

#include <QCoreApplication>
#include <QApplication>
#include <QCryptographicHash>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>
#include <QStandardPaths>
#include <QUrl>

#include "gui/shell/Alert.h"
#include "gui/shell/FailureListText.h"
#include "gui/shell/FailureReasonText.h"
#include "gui/shell/HelpFile.h"
#include "gui/library/FolianDocument.h"
#include "gui/library/FolianMainWindow.h"
#include "gui/shell/RecentLibraries.h"
#include "gui/shell/ScreenFit.h"
#include "gui/shell/StartWindow.h"
#include "gui/shell/StartWindowPlace.h"
#include "library/FlnRecover.h"
#include "library/FlnLibraryLock.h"
#include "library/FlnNewLibrary.h"
#include "library/FlnPreference.h"

namespace {

constexpr char kLibraryNameFilter[] = QT_TRANSLATE_NOOP("FolianDocumentController", "Folianライブラリ (*.fln)");
constexpr int kCascadeOffset = 24;

QString FileNameOf(const QString& path) { return QFileInfo(path).fileName(); }

// Whether another window or program holds the lock of the library at `absolutePath`.
bool IsOpenElsewhere(const QString& absolutePath) {
  return QFileInfo(absolutePath).isFile() && LibraryLock::heldByOthers(absolutePath.toStdString(), nullptr);
}

QString BusyMessage(const QString& name, LibraryLockHolder holder) {
  switch (holder) {
    case LibraryLockHolder::Window:
      return QCoreApplication::translate("FolianDocumentController", "「%1」は別のFolianで開かれています。").arg(name);
    case LibraryLockHolder::WritingCommand:
    case LibraryLockHolder::ReadingCommand:
      return QCoreApplication::translate("FolianDocumentController",
                                         "「%1」はfolian-cliが使用中です。終わってからもう一度開いてください。")
          .arg(name);
    case LibraryLockHolder::Unknown:
      break;
  }
  return QCoreApplication::translate("FolianDocumentController", "「%1」は別のプログラムが使用中です。").arg(name);
}

bool BeginsLikeContainer(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) && file.read(3) == QByteArray("ZEL", 3);
}

}  // namespace

QString OpenFailureMessage(const QString& path, const FlnResult& result) {
  const QString name = FileNameOf(path);
  QString message;
  switch (result.status) {
    case FlnStatus::CannotOpen:
      message = QCoreApplication::translate("FolianDocumentController",
                                            "「%1」を開けません。ファイルがないか、読み込めません。")
                    .arg(name);
      break;
    case FlnStatus::PathTooLong:
      message = QCoreApplication::translate("FolianDocumentController",
                                            "「%1」を開けません。ファイルの場所を表すパスが長すぎます。")
                    .arg(name);
      break;
    case FlnStatus::NotALibrary:
    case FlnStatus::WrongVersion:
      message = QCoreApplication::translate("FolianDocumentController", "「%1」はFolianのライブラリではありません。")
                    .arg(name);
      break;
    default:
      message = QCoreApplication::translate("FolianDocumentController", "「%1」は壊れているため開けません。").arg(name);
      break;
  }
  return message + QLatin1Char('\n') + FailureReasonText(result);
}

QString RecoveredLibraryPath(const QString& damagedPath) {
  const QFileInfo damaged(damagedPath);
  const QString base = damaged.absolutePath() + QLatin1Char('/') + damaged.completeBaseName();
  for (int number = 1;; ++number) {
    const QString candidate =
        base + (number == 1 ? QStringLiteral("（復旧）.fln") : QStringLiteral("（復旧%1）.fln").arg(number));
    if (!QFileInfo::exists(candidate) && !QFileInfo(candidate).isSymLink()) return candidate;
  }
}

QString RecoveryReportMessage(const QString& newPath, const RecoveryReport& report) {
  QString message =
      QCoreApplication::translate("FolianDocumentController", "「%1」にエントリ%2件とそのPDFを書き出しました。")
          .arg(FileNameOf(newPath))
          .arg(report.entries);
  std::vector<QString> lines;
  for (const std::string& line : report.lost) lines.push_back(QString::fromStdString(line));
  if (lines.empty())
    return message + QCoreApplication::translate("FolianDocumentController", "\n失われたものはありません。");
  return FailureListMessage(
      message + QCoreApplication::translate("FolianDocumentController", "\n次のものは読み出せませんでした:"), lines);
}

FolianDocumentController::FolianDocumentController(QObject* parent) : QObject(parent) {}

FolianDocumentController::~FolianDocumentController() {
  for (FolianDocument* document : _documents) delete document;
}

FolianDocument* FolianDocumentController::offerRecovery(const QString& damagedPath, const FlnResult& refusal) {
  const QString question =
      OpenFailureMessage(damagedPath, refusal) +
      QCoreApplication::translate("FolianDocumentController",
                                  "\n\n読み出せるエントリ、分類とPDFから新しいライブラリを作りますか？"
                                  "壊れたファイルは変更しません。");
  if (!FLN_COMM_Alert_Confirm(panelParent(), question)) return nullptr;
  const QString newPath = RecoveredLibraryPath(damagedPath);
  RecoveryReport report;
  const FlnResult recovered = RecoverLibrary(QFile::encodeName(damagedPath).constData(),
                                             QFile::encodeName(newPath).constData(), &report);
  if (!recovered.ok()) {
    FLN_COMM_Alert_OK(panelParent(), QCoreApplication::translate("FolianDocumentController",
                                                                 "新しいライブラリを作れませんでした。\n%1")
                                         .arg(FailureReasonText(recovered)));
    return nullptr;
  }
  FLN_COMM_Alert_OK(panelParent(), RecoveryReportMessage(newPath, report));
  return openDocumentWithContentsOfFile(newPath);
}

void FolianDocumentController::start(const QStringList& paths) {
  for (const QString& path : paths) openDocumentWithContentsOfFile(path);
  if (_documents.empty()) showStartWindow();
}

FolianDocument* FolianDocumentController::documentForFile(const QString& absolutePath) const {
  const QString canonical = QFileInfo(absolutePath).canonicalFilePath();
  for (FolianDocument* document : _documents) {
    const QString open = QFileInfo(document->fileName()).canonicalFilePath();
    if (!open.isEmpty() && open == canonical) return document;
  }
  return nullptr;
}

FolianDocument* FolianDocumentController::openDocumentWithContentsOfFile(const QString& path) {
  const QString absolute = QFileInfo(path).absoluteFilePath();
  if (FolianDocument* open = documentForFile(absolute)) {
    open->mainWindow()->show();
    open->mainWindow()->raise();
    open->mainWindow()->activateWindow();
    return open;
  }

  // The lock also rolls back a change that a program which died left
  // unfinished. Where the file system keeps no locks the library opens
  // unguarded, with a warning, rather than not at all.
  auto lock = std::make_unique<LibraryLock>();
  const LibraryLockStatus locked =
      QFileInfo(absolute).isFile()
          ? lock->acquire(absolute.toStdString(), LibraryLockMode::Exclusive, LibraryLockHolder::Window)
          : LibraryLockStatus::Held;  // no file: the load below tells the user
  if (locked == LibraryLockStatus::Busy) {
    FLN_COMM_Alert_OK(panelParent(), BusyMessage(FileNameOf(absolute), lock->busyHolder()));
    return nullptr;
  }
  if (locked == LibraryLockStatus::Failed) {
    FLN_COMM_Alert_OK(panelParent(), QCoreApplication::translate("FolianDocumentController", "「%1」を開けません。\n%2")
                                         .arg(FileNameOf(absolute), QString::fromStdString(lock->problem())));
    return nullptr;
  }
  if (locked == LibraryLockStatus::Unsupported)
    FLN_COMM_Alert_OK(panelParent(),
                      QCoreApplication::translate("FolianDocumentController",
                                                  "「%1」はロックできないファイルシステムにあります。\n%2")
                          .arg(FileNameOf(absolute), QString::fromStdString(lock->problem())));

  auto document = std::make_unique<FolianDocument>();
  FlnResult result = document->readFromFile(absolute);
  // A short file that does not even begin like a container is no library,
  // rather than a damaged one.
  if (result.status == FlnStatus::Truncated && !BeginsLikeContainer(absolute)) result.status = FlnStatus::NotALibrary;
  if (!result.ok()) {
    RecentLibraries::remove(absolute);
    if (_startWindow) _startWindow->setRecentLibraries(RecentLibraries::load());
    if (result.status != FlnStatus::Damaged && result.status != FlnStatus::Truncated) {
      FLN_COMM_Alert_OK(panelParent(), OpenFailureMessage(absolute, result));
      return nullptr;
    }
    // The damaged file keeps its lock while what it still holds is read.
    return offerRecovery(absolute, result);
  }

  FolianDocument* opened = document.release();
  opened->setLibraryLock(lock.get());
  connect(opened, &FolianDocument::documentDidClose, this, &FolianDocumentController::documentDidClose);
  connect(opened, &FolianDocument::newDocumentRequested, this, &FolianDocumentController::newDocument);
  connect(opened, &FolianDocument::openDocumentRequested, this, &FolianDocumentController::openDocument);
  connect(opened, &FolianDocument::quitRequested, this, &FolianDocumentController::terminate);
  connect(opened, &FolianDocument::helpRequested, this, &FolianDocumentController::showHelp);
  connect(opened, &FolianDocument::openLibraryRequested, this,
          [this](const QString& library) { openDocumentWithContentsOfFile(library); }, Qt::QueuedConnection);
  // Queued: the document is inside one of its own commands when it finds out.
  connect(opened, &FolianDocument::libraryFileReplaced, this, &FolianDocumentController::reopenReplacedLibrary,
          Qt::QueuedConnection);
  opened->makeWindowControllers();
  if (!opened->hasStoredWindowPosition()) placeNewWindow(opened);
  _documents.push_back(opened);
  _locks.push_back(std::move(lock));
  opened->showWindows();

  RecentLibraries::add(absolute);
  if (_startWindow) _startWindow->hide();
  return opened;
}

void FolianDocumentController::reopenReplacedLibrary(FolianDocument* document) {
  if (std::find(_documents.begin(), _documents.end(), document) == _documents.end()) return;
  const QString path = document->fileName();
  if (!document->close()) return;
  openDocumentWithContentsOfFile(path);
}

void FolianDocumentController::placeNewWindow(FolianDocument* document) {
  QWidget* window = document->mainWindow();
  if (!_documents.empty()) {
    // Cascade from the window opened last.
    const QPoint last = _documents.back()->mainWindow()->pos();
    window->move(FrameCornerOnScreen(window, last + QPoint(kCascadeOffset, kCascadeOffset)));
    return;
  }
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    QRect frame(QPoint(), window->size().grownBy(WindowFrameMargins(window)));
    frame.moveCenter(screen->availableGeometry().center());
    window->move(FrameCornerOnScreen(window, frame.topLeft()));
  }
}

void FolianDocumentController::documentDidClose(FolianDocument* document) {
  for (size_t i = 0; i < _documents.size(); ++i) {
    if (_documents[i] != document) continue;
    _documents.erase(_documents.begin() + static_cast<std::ptrdiff_t>(i));
    _locks.erase(_locks.begin() + static_cast<std::ptrdiff_t>(i));
    break;
  }
  // The document is inside its window's close handling: it goes afterwards.
  document->deleteLater();
  if (_documents.empty() && !_terminating) showStartWindow();
}

void FolianDocumentController::showStartWindow() {
  if (!_startWindow) {
    _startWindow = std::make_unique<StartWindow>();
    connect(_startWindow.get(), &StartWindow::newRequested, this, &FolianDocumentController::newDocument);
    connect(_startWindow.get(), &StartWindow::openRequested, this, &FolianDocumentController::openDocument);
    connect(_startWindow.get(), &StartWindow::openRecentRequested, this,
            [this](const QString& path) { openDocumentWithContentsOfFile(path); });
    connect(_startWindow.get(), &StartWindow::quitRequested, this, &FolianDocumentController::terminate);
    connect(_startWindow.get(), &StartWindow::helpRequested, this, &FolianDocumentController::showHelp);
    connect(_startWindow.get(), &StartWindow::closed, this, [this] {
      if (_documents.empty()) emit applicationShouldTerminate();
    });
  }
  _startWindow->setRecentLibraries(RecentLibraries::load());
  // Where it was when last hidden, in this run or an earlier one; in the
  // middle of the screen the first time ever. Moved onto the screen where
  // that place is off it now, title bar included.
  QPoint corner = _startWindow->pos();
  if (!_startWindow->testAttribute(Qt::WA_WState_ExplicitShowHide)) {
    if (const std::optional<QPoint> remembered = RememberedStartWindowCorner()) {
      corner = *remembered;
    } else {
      QRect frame(QPoint(), _startWindow->size().grownBy(WindowFrameMargins(_startWindow.get())));
      frame.moveCenter(AvailableAreaFor(QRect()).center());
      corner = frame.topLeft();
    }
  }
  _startWindow->move(FrameCornerOnScreen(_startWindow.get(), corner));
  _startWindow->show();
  _startWindow->raise();
  _startWindow->activateWindow();
}

QWidget* FolianDocumentController::panelParent() const {
  if (QWidget* active = QApplication::activeWindow()) return active;
  if (!_documents.empty()) return _documents.back()->mainWindow();
  return _startWindow.get();
}

QString FolianDocumentController::openPanelStartFolder() {
  char preferencePath[1024];
  if (GetPreferenceFilePath(preferencePath, sizeof preferencePath) != 1) return QString();
  char record[kPreferenceRecordSize] = {};
  if (ReadPreference_FromZelFile(preferencePath, kTagPrefLibraryFolder, record, kPreferenceRecordSize) != 1)
    return QString();
  record[kPreferenceRecordSize - 1] = '\0';
  return QString::fromUtf8(record);
}

void FolianDocumentController::newDocument() {
  if (_panel) return;
  auto* panel =
      new QFileDialog(panelParent(), QCoreApplication::translate("FolianDocumentController", "新規ライブラリ"));
  panel->setAttribute(Qt::WA_DeleteOnClose);
  panel->setAcceptMode(QFileDialog::AcceptSave);
  panel->setFileMode(QFileDialog::AnyFile);
  panel->setNameFilter(QCoreApplication::translate("FolianDocumentController", kLibraryNameFilter));
  panel->setDefaultSuffix(QStringLiteral("fln"));
  const QString folder = openPanelStartFolder();
  panel->setDirectory(folder.isEmpty() ? QDir::homePath() : folder);
  panel->selectFile(QCoreApplication::translate("FolianDocumentController", "ライブラリ.fln"));
  connect(panel, &QFileDialog::fileSelected, this, &FolianDocumentController::createDocumentComplete);
  _panel = panel;
  panel->open();
}

void FolianDocumentController::createDocumentComplete(const QString& path) {
  const QString absolute = QFileInfo(path).absoluteFilePath();
  // Creating replaces the file: never the file of a library that is open.
  if (documentForFile(absolute) != nullptr || IsOpenElsewhere(absolute)) {
    FLN_COMM_Alert_OK(panelParent(), QCoreApplication::translate(
                                         "FolianDocumentController",
                                         "「%1」は開いているライブラリなので、新規ライブラリで置き換えられません。")
                                         .arg(FileNameOf(absolute)));
    return;
  }
  const FlnResult created = CreateNewLibraryFile(absolute.toUtf8().constData());
  if (!created.ok()) {
    QString message =
        QCoreApplication::translate("FolianDocumentController", "ライブラリ「%1」を作成できませんでした。")
            .arg(FileNameOf(absolute));
    message += QLatin1Char('\n') + FailureReasonText(created);
    FLN_COMM_Alert_OK(panelParent(), message);
    return;
  }
  openDocumentWithContentsOfFile(absolute);
}

void FolianDocumentController::openDocument() {
  if (_panel) return;
  auto* panel = new QFileDialog(panelParent(), QCoreApplication::translate("FolianDocumentController", "開く"));
  panel->setAttribute(Qt::WA_DeleteOnClose);
  panel->setAcceptMode(QFileDialog::AcceptOpen);
  panel->setFileMode(QFileDialog::ExistingFile);
  panel->setNameFilters({QCoreApplication::translate("FolianDocumentController", kLibraryNameFilter),
                         QCoreApplication::translate("FolianDocumentController", "すべてのファイル (*)")});
  const QString folder = openPanelStartFolder();
  if (!folder.isEmpty()) panel->setDirectory(folder);
  connect(panel, &QFileDialog::fileSelected, this,
          [this](const QString& path) { openDocumentWithContentsOfFile(path); });
  _panel = panel;
  panel->open();
}

void FolianDocumentController::showHelp() { showHelpFrom(QCoreApplication::applicationDirPath()); }

void FolianDocumentController::showHelpFrom(const QString& programFolder) {
  const QStringList candidates = HelpFileCandidates(programFolder);
  const QString help = FindHelpFile(candidates);
  if (help.isNull())
    FLN_COMM_Alert_OK(panelParent(), HelpNotFoundMessage(candidates));
  else if (!QDesktopServices::openUrl(QUrl::fromLocalFile(help)))
    FLN_COMM_Alert_OK(panelParent(), HelpNotOpenedMessage(help));
}

void FolianDocumentController::terminate() {
  _terminating = true;
  const std::vector<FolianDocument*> open = _documents;
  for (auto it = open.rbegin(); it != open.rend(); ++it) {
    if (!(*it)->close()) {
      _terminating = false;  // a window stays open: so does the application
      return;
    }
  }
  if (_startWindow) _startWindow->hide();
  emit applicationShouldTerminate();
}
