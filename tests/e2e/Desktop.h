#pragma once
// Real input and real output on an X display, as a user has them: windows
// found by their titles, mouse clicks and key presses sent through the XTest
// extension (xdotool), frames as the window manager placed them, and
// screenshots of the whole screen.

#include <QImage>
#include <QMargins>
#include <QProcessEnvironment>
#include <QRect>
#include <QString>
#include <QStringList>
#include <functional>

namespace e2e {

/// How long a test waits for the program to react before it fails. Generous,
/// because a start on a machine busy with builds and other test processes
/// has taken over 15 s; a reaction that comes ends the wait at once.
constexpr int kReactionTimeoutMs = 30000;

class Desktop {
 public:
  explicit Desktop(QProcessEnvironment environment);

  /// The environment of a program on this display.
  const QProcessEnvironment& environment() const { return _environment; }

  /// The id of a visible window whose whole title matches `titlePattern` (a
  /// regular expression), waiting until one shows; 0 when none shows within
  /// `timeoutMs`.
  qulonglong waitForWindow(const QString& titlePattern, int timeoutMs = kReactionTimeoutMs) const;
  /// Waits until no visible window's title matches; false when one stays.
  bool waitForNoWindow(const QString& titlePattern, int timeoutMs = kReactionTimeoutMs) const;
  /// The titles of the visible, managed windows, in no particular order.
  QStringList windowTitles() const;
  /// Title of the window that has the keyboard focus.
  QString activeWindowTitle() const;
  /// Waits until the window with the focus has a title matching the pattern.
  bool waitForActiveWindow(const QString& titlePattern, int timeoutMs = kReactionTimeoutMs) const;

  /// The window's inside (without the manager's frame), in screen pixels.
  QRect clientGeometry(qulonglong window) const;
  /// The whole window as the user sees it: the inside plus the frame the
  /// window manager drew around it (title bar included).
  QRect outerGeometry(qulonglong window) const;
  /// The part of the screen windows may take (_NET_WORKAREA).
  QRect workArea() const;

  void activate(qulonglong window) const;
  /// Moves the pointer to `at` (screen pixels) and clicks `count` times.
  void click(QPoint at, int count = 1) const;
  void doubleClick(QPoint at) const { click(at, 2); }
  /// Presses the first button at `from`, moves to `to` in `steps` steps
  /// `pauseMs` apart and releases it there.
  void drag(QPoint from, QPoint to, int steps = 5, int pauseMs = 50) const;
  /// Presses a key combination in xdotool's notation ("ctrl+Right").
  void key(const QString& keys) const;
  /// Types plain text through the keyboard.
  void type(const QString& text) const;

  /// The text on the clipboard, as another program reads it (xclip).
  QString clipboardText() const;

  /// The whole screen as it is shown now.
  QImage screenshot() const;

 private:
  QString run(const QString& program, const QStringList& arguments, bool* ok = nullptr) const;
  QList<qulonglong> visibleWindows() const;
  QString title(qulonglong window) const;

  QProcessEnvironment _environment;
};

/// Waits, processing nothing, until `condition` holds or `timeoutMs` passes;
/// returns the condition's last value.
bool WaitUntil(const std::function<bool()>& condition, int timeoutMs = kReactionTimeoutMs);

}  // namespace e2e
