#pragma once
// How the start window lists a recent library: its name on the first line,
// in the list's font made bold, and the folder that holds it beneath, smaller
// and dimmer. Each line is cut to the row's width on its own, whatever
// script the name is written in, so a long Japanese name never pushes its
// folder out of sight nor runs into it.

#include <QStyledItemDelegate>

class QFontMetrics;

/// The two lines a recent library at `path` is shown by: the file name
/// without ".fln", and its folder with the home folder written "~".
struct RecentLibraryLines {
  QString name;
  QString folder;
};
RecentLibraryLines RecentLibraryLinesOf(const QString& path);

/// `lines` cut to `width` pixels: the name at its end (the beginning tells
/// a name apart), the folder in its middle (its last folders tell where).
RecentLibraryLines ElidedRecentLibraryLines(const RecentLibraryLines& lines, const QFontMetrics& nameMetrics,
                                            const QFontMetrics& folderMetrics, int width);

class RecentLibraryDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;

  /// The fonts of the two lines, from the list's font.
  static QFont nameFont(const QFont& base);
  static QFont folderFont(const QFont& base);

  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};
