#pragma once
// Keeping windows where the user can reach them: inside the available area
// of a screen (without panels and docks), title bar included.

#include <QMargins>
#include <QRect>

class QWidget;

/// Room for a usual title bar and border, for a window whose frame the window
/// manager has not drawn yet while no other window shows one either.
constexpr QMargins kUnknownFrameMargins(6, 32, 6, 6);

/// `client` (a window's inside) moved, and made smaller where it is larger
/// than the area, so that it with `frame` around it lies inside `area`. A
/// window that fits already is left where it is.
QRect FitClientInArea(const QRect& client, const QMargins& frame, const QRect& area);

/// The frame the window manager draws around `window`: its own once shown,
/// else that of another visible top-level window of the program (the
/// manager draws them alike), else kUnknownFrameMargins.
QMargins WindowFrameMargins(const QWidget* window);

/// The available area of the screen that holds the centre of `client`, or
/// of the primary screen when none does.
QRect AvailableAreaFor(const QRect& client);

/// Gives `window` the inside `client`, fitted into the available area of
/// its screen with the window's frame.
void SetGeometryOnScreen(QWidget* window, const QRect& client);

/// The corner to move() `window` to (a frame corner) so that its frame, of
/// the window's size with WindowFrameMargins, lies inside the available area
/// of the screen around `corner`, when the frame fits at all.
QPoint FrameCornerOnScreen(const QWidget* window, QPoint corner);
