#pragma once
// Where the start window was, kept per user in "start.ini" beside the
// recent libraries (~/.config/FOLIAN), so that it comes back there also in
// the next run of the program.

#include <QPoint>
#include <optional>

/// The top-left corner of the start window's frame when it was last hidden
/// or closed; none before it ever was.
std::optional<QPoint> RememberedStartWindowCorner();

/// Keeps `corner` (a frame corner, as QWidget::pos() gives it).
void RememberStartWindowCorner(const QPoint& corner);
