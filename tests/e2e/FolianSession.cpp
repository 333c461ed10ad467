#include "FolianSession.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

namespace e2e {

namespace {

// The programs under test: the build's own, unless FOLIAN_E2E_BIN_DIR names
// another build folder (to run the suite against an older build).
QString Program(const char* name) {
  const QString other = qEnvironmentVariable("FOLIAN_E2E_BIN_DIR");
  if (!other.isEmpty()) return QDir(other).filePath(QString::fromLatin1(name));
  return QDir(QStringLiteral(FOLIAN_BUILD_DIR)).filePath(QString::fromLatin1(name));
}

QString TestName() {
  const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
  return QString::fromLatin1(info->test_suite_name()) + QLatin1Char('.') + QString::fromLatin1(info->name());
}

}  // namespace

QString LibraryTitle(const QString& library) {
  return QRegularExpression::escape(QFileInfo(library).fileName() + QStringLiteral(" - Folian"));
}

QString TitleOf(const QString& plain) {
  return QRegularExpression::escape(plain) + QStringLiteral("( \u2014 Folian)?");
}

void FolianSession::SetUp() {
  ASSERT_TRUE(_home.isValid());
  ASSERT_TRUE(QDir(_home.path()).mkpath(QStringLiteral("run")));
  QFile::setPermissions(path(QStringLiteral("run")), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                        QFileDevice::ExeOwner);
  _session = std::make_unique<X11Session>();
  ASSERT_TRUE(_session->ok()) << _session->error().toStdString();
  _desktop = std::make_unique<Desktop>(_session->environment(_home.path()));
}

void FolianSession::TearDown() {
  if (HasFailure() && _desktop) {
    const QString shot = keepScreenshot(QStringLiteral("failure"));
    std::fprintf(stderr, "screenshot of the failure: %s\nwindows: %s\n", qPrintable(shot),
                 qPrintable(_desktop->windowTitles().join(QStringLiteral(" | "))));
  }
  if (_folian) {
    if (_folian->state() != QProcess::NotRunning) {
      _folian->terminate();
      if (!_folian->waitForFinished(5000)) {
        _folian->kill();
        _folian->waitForFinished(5000);
      }
    }
    const QByteArray errors = _folian->readAllStandardError();
    if (HasFailure() && !errors.isEmpty()) std::fprintf(stderr, "folian wrote:\n%s\n", errors.constData());
  }
  _folian.reset();
  _desktop.reset();
  _session.reset();
}

void FolianSession::startFolian(const QStringList& arguments, const QProcessEnvironment& environment) {
  _folian = std::make_unique<QProcess>();
  QProcessEnvironment session = _session->environment(_home.path());
  session.insert(environment);
  _folian->setProcessEnvironment(session);
  _folian->setProgram(Program("folian"));
  _folian->setArguments(arguments);
  _folian->start();
  ASSERT_TRUE(_folian->waitForStarted(10000)) << _folian->errorString().toStdString();
}

bool FolianSession::waitForFolianToEnd() const {
  return !folianRuns() || _folian->waitForFinished(kReactionTimeoutMs);
}

void FolianSession::killFolian() {
  if (!folianRuns()) return;
  _folian->kill();
  _folian->waitForFinished(10000);
}

CliRun FolianSession::cli(const QStringList& arguments, bool bareEnvironment) const {
  QProcess process;
  process.setProcessEnvironment(_session->environment(_home.path()));
  if (bareEnvironment)
    process.start(QStringLiteral("env"), QStringList{QStringLiteral("-i"), Program("folian-cli")} + arguments);
  else
    process.start(Program("folian-cli"), arguments);
  CliRun run;
  if (!process.waitForFinished(30000)) return run;
  run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
  run.out = QString::fromUtf8(process.readAllStandardOutput());
  run.err = QString::fromUtf8(process.readAllStandardError());
  return run;
}

QVector<ListedEntry> FolianSession::listed(const QString& library, const QStringList& extra) const {
  // The open window holds the library's lock: folian-cli reads a copy of the
  // file's bytes as they are now. A copy taken in the middle of a save may
  // not read; the callers wait for what they expect.
  const QString copy = path(QStringLiteral("listed-copy.fln"));
  QFile::remove(copy);
  if (!QFile::copy(library, copy)) return {};
  const CliRun run = cli(QStringList{QStringLiteral("list"), copy} + extra);
  if (run.exitCode != 0) return {};
  QVector<ListedEntry> entries;
  for (const QString& line : run.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
    entries << line.split(QLatin1Char('\t'));
  return entries;
}

QString FolianSession::keepScreenshot(const QString& label) const {
  const QString folder = QStringLiteral(FOLIAN_E2E_SCREENSHOTS);
  QDir().mkpath(folder);
  const QString file = QDir(folder).filePath(TestName() + QLatin1Char('-') + label + QStringLiteral(".png"));
  _desktop->screenshot().save(file);
  return file;
}

qulonglong FolianSession::createLibraryFromStartWindow(const QString& library) {
  startFolian();
  const QString start = TitleOf(QStringLiteral("Folian"));
  EXPECT_NE(desktop().waitForWindow(start), 0u) << "no start window";
  EXPECT_TRUE(desktop().waitForActiveWindow(start));
  desktop().key(QStringLiteral("ctrl+n"));
  EXPECT_TRUE(desktop().waitForActiveWindow(QStringLiteral("新規ライブラリ.*"))) << "no panel for a new library";
  desktop().type(library);
  desktop().key(QStringLiteral("Return"));
  const qulonglong window = desktop().waitForWindow(LibraryTitle(library));
  EXPECT_TRUE(window != 0 && desktop().waitForActiveWindow(LibraryTitle(library))) << "no library window";
  return window;
}

qulonglong FolianSession::openNewLibrary(const QString& library) {
  const CliRun created = cli({QStringLiteral("new"), library});
  EXPECT_EQ(created.exitCode, 0) << created.err.toStdString();
  startFolian({library});
  const qulonglong window = desktop().waitForWindow(LibraryTitle(library));
  EXPECT_TRUE(window != 0 && desktop().waitForActiveWindow(LibraryTitle(library))) << "no library window";
  return window;
}

void FolianSession::importFolder(const QString& folder) {
  desktop().key(QStringLiteral("ctrl+shift+i"));
  ASSERT_TRUE(desktop().waitForActiveWindow(QStringLiteral("フォルダから一括読み込み.*"))) << "no import panel";
  desktop().type(folder);
  desktop().key(QStringLiteral("Return"));
}

void FolianSession::clickCloseButton(qulonglong window) const {
  const QRect outer = desktop().outerGeometry(window);
  const QRect inner = desktop().clientGeometry(window);
  desktop().click(QPoint(outer.right() - 10, outer.top() + (inner.top() - outer.top()) / 2));
}

void FolianSession::expectInsideWorkArea(qulonglong window, const char* what) const {
  const QRect outer = desktop().outerGeometry(window);
  const QRect area = desktop().workArea();
  EXPECT_TRUE(area.contains(outer)) << what << " at " << outer.x() << "," << outer.y() << " " << outer.width() << "x"
                                    << outer.height() << " (title bar included) is not inside the work area "
                                    << area.width() << "x" << area.height();
}

}  // namespace e2e
