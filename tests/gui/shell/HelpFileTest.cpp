// The help command finds the README relative to the running program, in the
// installed layout and in a build folder, and says so when there is none.

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QUrl>
#include <gtest/gtest.h>

#include <vector>

#include "AppTestSupport.h"
#include "WindowFixture.h"
#include "gui/shell/FolianDocumentController.h"
#include "gui/shell/HelpFile.h"

namespace {

// Stands in for the desktop's viewer: records what it was asked to open.
class OpenedUrls : public QObject {
  Q_OBJECT

 public:
  OpenedUrls() { QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "open"); }
  ~OpenedUrls() override { QDesktopServices::unsetUrlHandler(QStringLiteral("file")); }
  std::vector<QString> files;

 public slots:
  void open(const QUrl& url) { files.push_back(url.toLocalFile()); }
};

void WriteFile(const QString& path) {
  ASSERT_TRUE(QDir().mkpath(QFileInfo(path).absolutePath()));
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write("# Folian\n");
}

using HelpCommand = apptest::WindowFixture;

TEST_F(HelpCommand, FindsTheReadmeFromTheProgramsFolderOrSaysItIsMissing) {
  struct Case {
    const char* name;
    std::vector<const char*> files;  // below the case's folder
    const char* opened;              // null: the alert instead
  };
  const Case cases[] = {
      {"installed", {"prefix/share/doc/Folian/README.md"}, "prefix/share/doc/Folian/README.md"},
      {"build", {"prefix/bin/README.md"}, "prefix/bin/README.md"},
      {"both: the installed one", {"prefix/bin/README.md", "prefix/share/doc/Folian/README.md"},
       "prefix/share/doc/Folian/README.md"},
      {"a folder by that name is no help", {"prefix/share/doc/Folian/README.md/x"}, nullptr},
      {"none", {}, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    QTemporaryDir root;
    for (const char* file : c.files) WriteFile(root.filePath(QString::fromLatin1(file)));
    const QString program = root.filePath(QStringLiteral("prefix/bin"));
    ASSERT_TRUE(QDir().mkpath(program));

    OpenedUrls opened;
    apptest::ScriptedAlerts alerts;
    controller->showHelpFrom(program);
    if (c.opened != nullptr) {
      EXPECT_EQ(opened.files, std::vector<QString>{root.filePath(QString::fromLatin1(c.opened))});
      EXPECT_TRUE(alerts.texts().isEmpty()) << alerts.texts().join(QLatin1Char('\n')).toStdString();
    } else {
      EXPECT_TRUE(opened.files.empty());
      const QString message = QStringLiteral("ヘルプが見つかりません。次の場所を探しました:\n") +
                              root.filePath(QStringLiteral("prefix/share/doc/Folian/README.md")) + QLatin1Char('\n') +
                              root.filePath(QStringLiteral("prefix/bin/README.md"));
      EXPECT_EQ(alerts.texts(), QStringList{message});
    }
  }
}

TEST(HelpFile, TheBuildPutsTheReadmeBesideTheProgram) {
  // The tests run from the tests folder below the build folder, where the
  // program is built.
  const QString buildFolder = QDir::cleanPath(QCoreApplication::applicationDirPath() + QStringLiteral("/.."));
  const QString help = FindHelpFile(HelpFileCandidates(buildFolder));
  ASSERT_FALSE(help.isNull());
  EXPECT_EQ(help, buildFolder + QStringLiteral("/README.md"));
  QFile file(help);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_TRUE(file.readLine().startsWith("# Folian"));
}

}  // namespace

#include "HelpFileTest.moc"
