// The small support classes of the application shell, and the texts it
// shows when a library cannot be opened or files fail.

#include <gtest/gtest.h>

#include "gui/shell/FailureListText.h"
#include "gui/shell/FailureReasonText.h"
#include "gui/shell/FolianDocumentController.h"

namespace {

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
    const FlnResult result = FlnResult::failure(c.status, "tag 'ENTR' is broken");
    const QString message = OpenFailureMessage(QStringLiteral("/x/notes.fln"), result);
    EXPECT_TRUE(message.startsWith(QStringLiteral("「notes.fln」"))) << message.toStdString();
    EXPECT_TRUE(message.contains(QString::fromUtf8(c.contains))) << message.toStdString();
    // The second line is the kind's reason in the window's language, never
    // the library's English text.
    EXPECT_TRUE(message.endsWith(QLatin1Char('\n') + FailureReasonText(result))) << message.toStdString();
    EXPECT_FALSE(message.contains(QStringLiteral("ENTR"))) << message.toStdString();
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
