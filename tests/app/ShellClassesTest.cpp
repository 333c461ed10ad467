// The small support classes of the application shell, and the texts it
// shows when a library cannot be opened or files fail.

#include <gtest/gtest.h>

#include "app/FailureListText.h"
#include "app/FolianData.h"
#include "app/FolianDocumentController.h"
#include "app/FolianPath.h"

namespace {

TEST(FolianPath, FullPaths) {
  FolianPath root{QString()};
  root.addPath(QStringLiteral("a/b"));
  FolianPath* a = root.findChildByName(QStringLiteral("a"));
  ASSERT_NE(a, nullptr);
  FolianPath* b = a->findChildByName(QStringLiteral("b"));
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(root.fullPath(), QString());
  EXPECT_EQ(a->fullPath(), QStringLiteral("a"));
  EXPECT_EQ(b->fullPath(), QStringLiteral("a/b"));
  EXPECT_EQ(b->parent(), a);

  FolianPath named{QStringLiteral("r")};
  named.addChild(std::make_unique<FolianPath>(QStringLiteral("b")));
  EXPECT_EQ(named.childAtIndex(0)->fullPath(), QStringLiteral("r/b"));
}

TEST(FolianPath, AddPathCreatesOnlyWhatIsMissing) {
  FolianPath root{QString()};
  root.addPath(QStringLiteral("/a//b/"));
  root.addPath(QStringLiteral("a/c"));
  root.addPath(QStringLiteral("a/b"));
  ASSERT_EQ(root.count(), 1);
  FolianPath* a = root.childAtIndex(0);
  EXPECT_EQ(a->path(), QStringLiteral("a"));
  ASSERT_EQ(a->count(), 2);
  EXPECT_EQ(a->childAtIndex(0)->path(), QStringLiteral("b"));
  EXPECT_EQ(a->childAtIndex(1)->path(), QStringLiteral("c"));
  EXPECT_EQ(a->childAtIndex(0)->count(), 0);
}

TEST(FolianPath, FindTakesTheFirstOfEqualNames) {
  FolianPath root{QString()};
  root.addChild(std::make_unique<FolianPath>(QStringLiteral("x")));
  root.addChild(std::make_unique<FolianPath>(QStringLiteral("x")));
  EXPECT_EQ(root.findChildByName(QStringLiteral("x")), root.childAtIndex(0));
  EXPECT_EQ(root.findChildByName(QStringLiteral("X")), nullptr);
}

TEST(FolianData, Utf16WithByteOrderMark) {
  const QByteArray bytes = FolianData::dataFromString(QStringLiteral("aあ"));
  ASSERT_EQ(bytes.size(), 6);
  const char16_t* units = reinterpret_cast<const char16_t*>(bytes.constData());
  EXPECT_EQ(units[0], 0xFEFF);
  EXPECT_EQ(units[1], u'a');
  EXPECT_EQ(units[2], u'あ');
}

TEST(OpenFailureMessage, SaysWhyPerKind) {
  const struct {
    FlnStatus status;
    const char* contains;
  } cases[] = {
      {FlnStatus::NotALibrary, "ではありません"},
      {FlnStatus::WrongVersion, "ではありません"},
      {FlnStatus::Damaged, "壊れている"},
      {FlnStatus::Truncated, "壊れている"},
      {FlnStatus::CannotOpen, "読み込めません"},
  };
  for (const auto& c : cases) {
    const QString message = OpenFailureMessage(QStringLiteral("/x/notes.fln"),
                                               FlnResult::failure(c.status, "tag 'ENTR' is broken"));
    EXPECT_TRUE(message.startsWith(QStringLiteral("「notes.fln」"))) << message.toStdString();
    EXPECT_TRUE(message.contains(QString::fromUtf8(c.contains))) << message.toStdString();
    EXPECT_TRUE(message.endsWith(QStringLiteral("\ntag 'ENTR' is broken"))) << message.toStdString();
  }
}

TEST(FailureListMessage, ListsAllOrSumsUpTheRest) {
  std::vector<QString> lines;
  for (int i = 1; i <= 4; ++i) lines.push_back(QStringLiteral("f%1").arg(i));
  EXPECT_EQ(FailureListMessage(QStringLiteral("H"), lines, 4), QStringLiteral("H\nf1\nf2\nf3\nf4"));
  EXPECT_EQ(FailureListMessage(QStringLiteral("H"), lines, 3), QStringLiteral("H\nf1\nf2\nほか2件"));
}

TEST(FailureListMessage, ImportFailuresNamePathAndReason) {
  const std::vector<ImportFailure> failures = {{"/in/a.pdf", ImportFailureReason::FileUnreadable, 13},
                                               {"/in/sub", ImportFailureReason::FolderUnreadable, 13}};
  EXPECT_EQ(ImportFailureMessage(failures),
            QStringLiteral("次の2件を読み込めませんでした。\n/in/a.pdf — ファイルを読み込めません\n/in/sub — "
                           "フォルダを読み込めません"));
}

}  // namespace
