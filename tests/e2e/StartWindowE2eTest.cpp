// The start window's keys, pressed as a user presses them.

#include "FolianSession.h"

namespace e2e {
namespace {

using StartWindowE2e = FolianSession;

// Ctrl+Q quits from the start window also after a panel was opened and
// cancelled there: the keys reach the start window again.
TEST_F(StartWindowE2e, CtrlQQuitsAfterTheNewLibraryPanelWasCancelled) {
  const QString start = TitleOf(QStringLiteral("Folian"));
  struct Case {
    const char* what;
    const char* panelKeys;
    const char* panel;
    bool waitForTheStartWindow;  // false: Ctrl+Q pressed right after Esc
  };
  const Case cases[] = {
      {"no panel", nullptr, nullptr, true},
      {"new, waited", "ctrl+n", "新規ライブラリ.*", true},
      {"new, at once", "ctrl+n", "新規ライブラリ.*", false},
      {"open, waited", "ctrl+o", "開く.*", true},
      {"open, at once", "ctrl+o", "開く.*", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    startFolian();
    ASSERT_NE(desktop().waitForWindow(start), 0u) << "no start window";
    ASSERT_TRUE(desktop().waitForActiveWindow(start));
    if (c.panelKeys != nullptr) {
      desktop().key(QString::fromLatin1(c.panelKeys));
      ASSERT_TRUE(desktop().waitForActiveWindow(QString::fromUtf8(c.panel))) << "no panel";
      desktop().key(QStringLiteral("Escape"));
    }
    if (c.waitForTheStartWindow) {
      ASSERT_TRUE(desktop().waitForActiveWindow(start));
    }
    desktop().key(QStringLiteral("ctrl+q"));
    EXPECT_TRUE(waitForFolianToEnd()) << "Ctrl+Q did not quit";
    killFolian();
  }
}

}  // namespace
}  // namespace e2e
