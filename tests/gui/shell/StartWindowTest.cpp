// The start window: how it lists the recent libraries and where it comes
// back.

#include <QDir>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QListWidget>
#include <QScreen>
#include <QScrollBar>
#include <QSettings>

#include "WindowFixture.h"
#include "gui/shell/RecentLibraryDelegate.h"
#include "gui/shell/StartWindow.h"
#include "gui/shell/StartWindowPlace.h"

namespace apptest {
namespace {

TEST(RecentLibraryLines, NameWithoutExtensionAndFolderFromHome) {
  const QString home = QDir::homePath();
  const struct {
    QString path;
    QString name;
    QString folder;
  } cases[] = {
      {"/srv/papers/論文集.fln", "論文集", "/srv/papers"},
      {home + "/docs/Library.FLN", "Library", "~/docs"},
      {home + "/notes.fln", "notes", "~"},
      {"/srv/.fln", ".fln", "/srv"},
      {"/srv/archive.fln.bak", "archive.fln.bak", "/srv"},
      {home + "x/other.fln", "other", home + "x"},  // a folder that only begins like home
  };
  for (const auto& c : cases) {
    const RecentLibraryLines lines = RecentLibraryLinesOf(c.path);
    EXPECT_EQ(lines.name, c.name) << c.path.toStdString();
    EXPECT_EQ(lines.folder, c.folder) << c.path.toStdString();
  }
}

TEST(RecentLibraryLines, EachLineIsCutToTheWidthOnItsOwn) {
  const QFont base = QGuiApplication::font();
  const QFontMetrics nameMetrics(RecentLibraryDelegate::nameFont(base));
  const QFontMetrics folderMetrics(RecentLibraryDelegate::folderFont(base));
  const RecentLibraryLines full{QString(40, u'論') + QStringLiteral("文献目録"),
                                QStringLiteral("/srv/共有/研究室/二〇二四年度/最終報告/提出版")};
  const int width = 160;
  const RecentLibraryLines cut = ElidedRecentLibraryLines(full, nameMetrics, folderMetrics, width);
  // The name keeps its beginning, the folder its last folder.
  EXPECT_TRUE(cut.name.startsWith(u'論')) << cut.name.toStdString();
  EXPECT_TRUE(cut.name.endsWith(u'…')) << cut.name.toStdString();
  EXPECT_LE(nameMetrics.horizontalAdvance(cut.name), width);
  EXPECT_TRUE(cut.folder.startsWith(QStringLiteral("/srv"))) << cut.folder.toStdString();
  EXPECT_TRUE(cut.folder.endsWith(QStringLiteral("提出版"))) << cut.folder.toStdString();
  EXPECT_TRUE(cut.folder.contains(u'…')) << cut.folder.toStdString();
  EXPECT_LE(folderMetrics.horizontalAdvance(cut.folder), width);

  // Lines that fit stay whole.
  const RecentLibraryLines shortLines{QStringLiteral("論文"), QStringLiteral("~/d")};
  const RecentLibraryLines kept = ElidedRecentLibraryLines(shortLines, nameMetrics, folderMetrics, width);
  EXPECT_EQ(kept.name, shortLines.name);
  EXPECT_EQ(kept.folder, shortLines.folder);
}

TEST(StartWindowList, EveryRowHoldsTwoLinesWithoutScrollingSideways) {
  StartWindow window;
  window.resize(420, 320);
  const QStringList paths = {QStringLiteral("/srv/papers/") + QString(30, u'長') + QStringLiteral("い名前の文献ライブラリ.fln"),
                             QStringLiteral("/srv/papers/plain.fln"),
                             QStringLiteral("/srv/papers/مكتبة.fln")};
  window.setRecentLibraries(paths);
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  EXPECT_EQ(window.recentLibraries(), paths);

  auto* list = window.findChild<QListWidget*>(QStringLiteral("recentList"));
  ASSERT_NE(list, nullptr);
  const QFontMetrics nameMetrics(RecentLibraryDelegate::nameFont(list->font()));
  const QFontMetrics folderMetrics(RecentLibraryDelegate::folderFont(list->font()));
  for (int row = 0; row < list->count(); ++row) {
    const QRect rect = list->visualItemRect(list->item(row));
    EXPECT_GE(rect.height(), nameMetrics.height() + folderMetrics.height()) << row;
    EXPECT_LE(rect.width(), list->viewport()->width()) << row;
  }
  EXPECT_FALSE(list->horizontalScrollBar()->isVisible());
  const QString shot = qEnvironmentVariable("FOLIAN_SCREENSHOT_DIR");
  if (!shot.isEmpty()) window.grab().save(shot + QStringLiteral("/start-window.png"));
}

using StartWindowPlace = WindowFixture;

TEST_F(StartWindowPlace, ComesBackWhereItWasInTheNextRunOnTheScreen) {
  QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("FOLIAN"), QStringLiteral("start")).clear();
  const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
  controller->start({});
  ASSERT_NE(controller->startWindow(), nullptr);
  StartWindow* first = controller->startWindow();
  // The first time ever: in the middle of the screen.
  EXPECT_LE(std::abs(first->frameGeometry().center().x() - area.center().x()), 8);

  const QPoint place = area.topLeft() + QPoint(37, 41);
  first->move(place);
  first->close();
  EXPECT_EQ(RememberedStartWindowCorner(), std::optional<QPoint>(place));

  // The next run.
  controller = std::make_unique<FolianDocumentController>();
  controller->start({});
  ASSERT_NE(controller->startWindow(), nullptr);
  EXPECT_EQ(controller->startWindow()->pos(), place);
  controller->startWindow()->close();

  // A place off the screen now (a monitor unplugged) is moved onto it.
  RememberStartWindowCorner(area.bottomRight() + QPoint(3000, 2000));
  controller = std::make_unique<FolianDocumentController>();
  controller->start({});
  ASSERT_NE(controller->startWindow(), nullptr);
  EXPECT_TRUE(area.contains(controller->startWindow()->frameGeometry()))
      << controller->startWindow()->frameGeometry().x() << "," << controller->startWindow()->frameGeometry().y();
  controller->startWindow()->close();
}

}  // namespace
}  // namespace apptest
