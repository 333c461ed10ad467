#pragma once
// The texts in which the library window remembers its state as environment
// values. Numbers are written and read in the C locale, whatever the user's
// locale, so that a library moves between machines unchanged.

#include <QByteArray>
#include <QPointF>
#include <QRect>

/// "top,left,bottom,right" of `frame`, each reduced to a signed 16-bit value.
QByteArray FormatWindowPosition(const QRect& frame);
/// The frame of a "top,left,bottom,right" text; false (and `frame`
/// untouched) unless it holds four integers. Each is reduced to a signed
/// 16-bit value; the frame may come out empty.
bool ParseWindowPosition(const char* text, QRect* frame);

/// "%f" of `height`.
QByteArray FormatPaneHeight(double height);
/// The leading number of `text`; false when there is none.
bool ParsePaneHeight(const char* text, double* height);

/// "%f,%f" of a scroll position.
QByteArray FormatScrollPosition(QPointF origin);
/// The two numbers of a "%f,%f" text; false unless both are there.
bool ParseScrollPosition(const char* text, QPointF* origin);
