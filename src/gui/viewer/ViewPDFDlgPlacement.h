#pragma once
// Where a PDF viewer window opens. Its remembered place is the rectangle
// en_pdf_window_position of the entry: top, left, bottom and right of the
// window's frame in Qt's global coordinates (y growing downwards), the same
// convention as the library window's stored frame. A viewer with no
// remembered place opens just in front of the window behind it.

#include <QRect>
#include <QSize>

#include "format/FlnRecords.h"

/// A viewer opens 5 right of the left edge and 18 below the top edge of the
/// window behind it...
constexpr int kViewerOffsetX = 5;
constexpr int kViewerOffsetY = 18;
/// ...unless its right edge would come within 100 of the main display's
/// right edge.
constexpr int kViewerRightMargin = 100;

/// The window frame of a stored rectangle (host order): x = left, y = top,
/// width = right - left, height = bottom - top.
QRect FLNRectToNSRect(const FlnRect& stored);

/// Whether a stored frame is a place at all: both sides longer than 1
/// (an entry whose viewer never moved stores zeros).
bool IsRememberedViewerFrame(const QRect& frame);

/// The placement rule in its own coordinates, with the origin at the
/// bottom-left corner of the main display and y growing upwards:
///   X = rx + 5, Y = ry + rh - H - 18 for the reference frame (rx, ry, rw, rh)
///   of the window behind and the viewer's size W x H; but when Y < 0, X < 0
///   or X + W > D - 100 (D = `displayWidth` reduced to a signed 16-bit
///   value): X = 5, Y = rh + 18.
/// Returns (X, Y, W, H).
QRect PlaceViewerBottomUp(const QRect& reference, QSize size, int displayWidth);

/// The same rule for frames in Qt's global coordinates on the main display
/// `display`. The fallback place is moved down when its top edge would be
/// above the display, where the title bar could not be reached.
QRect PlaceViewer(const QRect& reference, QSize size, const QRect& display);
