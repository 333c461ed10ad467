#pragma once
// Where an entry information window opens, and how its place is remembered
// in the entry (en_window_position). Places are Qt's global coordinates of
// the window's frame, y growing downwards: the stored rectangle is the
// frame's top, left, bottom and right edges.

#include <QList>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <optional>

#include "format/FlnRecords.h"

/// Only a remembered frame larger than this in both directions is opened at
/// its remembered place; a smaller one (such as the all-zero frame of an
/// entry whose window never moved) opens cascaded.
constexpr int kEntryDlgStoredMinWidth = 567;
constexpr int kEntryDlgStoredMinHeight = 603;
/// A cascaded window sits this far right of and below the window behind it.
constexpr int kEntryDlgCascadeX = 5;
constexpr int kEntryDlgCascadeY = 18;
/// A cascaded window keeps this far from the main display's right edge.
constexpr int kEntryDlgRightMargin = 100;

struct EntryDlgPlacementInput {
  FlnRect stored = {};           // en_window_position, host order
  std::optional<QRect> behind;   // frame of the window the new one opens in front of
  QSize size;                    // the new window's frame size, kept as loaded
  QRect display;                 // the main display
  QList<QRect> screens;          // every screen, to tell whether a place can be seen
};

/// The top-left corner of the new window's frame:
/// - the remembered corner (left, top) when the remembered frame is wider
///   than 567 and taller than 603, or when there is no window behind;
/// - otherwise cascaded: 5 right of and 18 below the window behind's
///   top-left corner. When that would put the window's bottom below the main
///   display, its left edge left of the display, or its right edge within 100
///   of the display's right edge, it goes to x = 5 (from the display's left)
///   instead, with its bottom edge the behind window's height + 18 above the
///   display's bottom, but never with its top above the display's top,
///   where its title bar could not be reached.
/// A remembered corner where the window would lie on no screen (the screens
/// changed) is not used: the window cascades, or without a window behind
/// goes to (5, 18) from the display's top-left corner.
QPoint EntryDlgOrigin(const EntryDlgPlacementInput& input);

/// The stored rectangle (host order) of a window frame: top, left, bottom and
/// right, each cut to a signed 16-bit value.
FlnRect EntryDlgFrameToFlnRect(const QRect& frame);
