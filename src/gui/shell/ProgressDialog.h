#pragma once
// The progress dialog of the long commands (import, merge, compacting).

#include <QString>

class QProgressDialog;
class QWidget;

/// An application-modal progress dialog titled `title`, with a "キャンセル"
/// button and a plain-text label (it shows file names and titles), that
/// neither closes nor resets itself and appears only after 300 ms. The
/// caller deletes it.
QProgressDialog* MakeProgressDialog(QWidget* parent, const QString& title);
