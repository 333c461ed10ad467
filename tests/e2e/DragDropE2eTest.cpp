// Files dragged from another program and dropped on the library window,
// through the X server's drag and drop protocol (XDND), with real pointer
// movements.

#include <QDir>
#include <QFile>
#include <QProcess>

#include "FolianSession.h"
#include "TestLibraryFiles.h"

namespace e2e {
namespace {

using DragDropE2e = FolianSession;

bool WriteFile(const QString& path, const QByteArray& bytes) {
  QDir().mkpath(QFileInfo(path).absolutePath());
  QFile file(path);
  return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

TEST_F(DragDropE2e, PdfsAndAFolderDraggedFromAnotherProgramAreImported) {
  const QString library = path(QStringLiteral("dropped.fln"));
  const qulonglong window = openNewLibrary(library);
  ASSERT_NE(window, 0u);
  ASSERT_TRUE(WriteFile(path(QStringLiteral("papers/one.pdf")), MakeColourPdf({Qt::red}, 10)));
  ASSERT_TRUE(WriteFile(path(QStringLiteral("papers/deeper/two.pdf")), MakeColourPdf({Qt::blue}, 20)));
  ASSERT_TRUE(WriteFile(path(QStringLiteral("single.pdf")), MakeColourPdf({Qt::green}, 30)));

  // The other program: a window that starts a drag of the files when the
  // button is pressed on it.
  QProcess source;
  source.setProcessEnvironment(desktop().environment());
  source.start(QStringLiteral(FOLIAN_E2E_DRAG_SOURCE),
               {path(QStringLiteral("papers")), path(QStringLiteral("single.pdf"))});
  ASSERT_TRUE(source.waitForStarted(10000));
  const qulonglong sourceWindow = desktop().waitForWindow(QStringLiteral("drag source"));
  ASSERT_NE(sourceWindow, 0u);
  const QRect from = desktop().clientGeometry(sourceWindow);
  const QRect sourceFrame = desktop().outerGeometry(sourceWindow);
  const QRect target = desktop().clientGeometry(window);
  // A point of the library window's list that the source's window does not cover.
  QPoint to(target.right() - 60, target.bottom() - 60);
  ASSERT_FALSE(sourceFrame.contains(to)) << "the windows overlap where the drop should go";

  desktop().drag(from.center(), to, 12, 80);
  ASSERT_TRUE(source.waitForFinished(kReactionTimeoutMs)) << "the drag did not end";
  EXPECT_EQ(QString::fromUtf8(source.readAllStandardOutput()).trimmed(), QStringLiteral("copied"))
      << "folian did not take the drop";

  ASSERT_TRUE(WaitUntil([&] { return listed(library).size() == 3; })) << "imported: " << listed(library).size();
  QStringList titles;
  for (const ListedEntry& entry : listed(library)) {
    titles << entry.value(1);
    // Filed under the window's choices: ＜すべて＞ everywhere, so その他.
    EXPECT_EQ(entry.mid(2, 3), QStringList({"その他", "その他", "その他"})) << entry.join('|').toStdString();
  }
  titles.sort();
  EXPECT_EQ(titles, QStringList({"one.pdf", "single.pdf", "two.pdf"}));
  EXPECT_TRUE(desktop().waitForActiveWindow(LibraryTitle(library))) << "a message is in the way";
}

}  // namespace
}  // namespace e2e
