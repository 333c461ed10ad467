#include "gui/shell/RecentLibraryDelegate.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QFontMetrics>
#include <QPainter>
#include <algorithm>

namespace {

// Room around and between the two lines.
constexpr int kMargin = 4;
constexpr int kLineGap = 1;

// The height of a line of `text`: the font's, or more where the text is
// drawn in a taller fallback font (a name in a script the list's font
// lacks).
int LineHeight(const QFontMetrics& metrics, const QString& text) {
  return std::max(metrics.height(), metrics.boundingRect(text).height());
}

}  // namespace

RecentLibraryLines RecentLibraryLinesOf(const QString& path) {
  const QFileInfo info(path);
  QString name = info.fileName();
  if (name.endsWith(QLatin1String(".fln"), Qt::CaseInsensitive) && name.size() > 4) name.chop(4);
  QString folder = QDir::toNativeSeparators(info.absolutePath());
  const QString home = QDir::homePath();
  if (folder == home)
    folder = QStringLiteral("~");
  else if (folder.startsWith(home + u'/'))
    folder = u'~' + folder.mid(home.size());
  return {name, folder};
}

RecentLibraryLines ElidedRecentLibraryLines(const RecentLibraryLines& lines, const QFontMetrics& nameMetrics,
                                            const QFontMetrics& folderMetrics, int width) {
  return {nameMetrics.elidedText(lines.name, Qt::ElideRight, width),
          folderMetrics.elidedText(lines.folder, Qt::ElideMiddle, width)};
}

QFont RecentLibraryDelegate::nameFont(const QFont& base) {
  QFont font = base;
  font.setBold(true);
  return font;
}

QFont RecentLibraryDelegate::folderFont(const QFont& base) {
  QFont font = base;
  font.setPointSizeF(base.pointSizeF() > 0 ? base.pointSizeF() * 0.9 : 9.0);
  return font;
}

void RecentLibraryDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                  const QModelIndex& index) const {
  QStyleOptionViewItem background = option;
  initStyleOption(&background, index);
  background.text.clear();  // the lines are drawn below, each cut on its own
  const QWidget* widget = option.widget;
  QStyle* style = widget != nullptr ? widget->style() : QApplication::style();
  style->drawControl(QStyle::CE_ItemViewItem, &background, painter, widget);

  const QFont nameF = nameFont(option.font);
  const QFont folderF = folderFont(option.font);
  const QFontMetrics nameMetrics(nameF);
  const QFontMetrics folderMetrics(folderF);
  const QRect area = option.rect.adjusted(kMargin, kMargin, -kMargin, -kMargin);
  const RecentLibraryLines shown = ElidedRecentLibraryLines(
      RecentLibraryLinesOf(index.data(Qt::UserRole).toString()), nameMetrics, folderMetrics, area.width());

  const bool selected = option.state.testFlag(QStyle::State_Selected);
  const QPalette::ColorGroup group =
      option.state.testFlag(QStyle::State_Active) ? QPalette::Active : QPalette::Inactive;
  const QColor text = option.palette.color(group, selected ? QPalette::HighlightedText : QPalette::Text);
  QColor dim = text;
  if (!selected) dim.setAlphaF(0.65);

  painter->save();
  painter->setFont(nameF);
  painter->setPen(text);
  const QRect nameRect(area.left(), area.top(), area.width(), LineHeight(nameMetrics, shown.name));
  painter->drawText(nameRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, shown.name);
  painter->setFont(folderF);
  painter->setPen(dim);
  const QRect folderRect(area.left(), nameRect.bottom() + 1 + kLineGap, area.width(),
                         LineHeight(folderMetrics, shown.folder));
  painter->drawText(folderRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, shown.folder);
  painter->restore();
}

QSize RecentLibraryDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const {
  const QFontMetrics nameMetrics(nameFont(option.font));
  const QFontMetrics folderMetrics(folderFont(option.font));
  const RecentLibraryLines lines = RecentLibraryLinesOf(index.data(Qt::UserRole).toString());
  // As wide as a short name only: a longer one is cut to the row, never
  // scrolled to.
  const int width = nameMetrics.averageCharWidth() * 12;
  return QSize(width + 2 * kMargin,
               LineHeight(nameMetrics, lines.name) + kLineGap + LineHeight(folderMetrics, lines.folder) + 2 * kMargin);
}
