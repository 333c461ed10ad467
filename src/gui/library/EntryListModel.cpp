#include "gui/library/EntryListModel.h"

#include <QMimeData>
#include <cstring>
#include <set>

#include "gui/library/EntryCellText.h"
#include "library/FlnLoad.h"

const std::vector<EntryListColumn>& EntryListModel::columns() {
  static const std::vector<EntryListColumn> kColumns = {
      {"title", QT_TRANSLATE_NOOP("EntryListModel", "タイトル"), 220},
      {"cat1", QT_TRANSLATE_NOOP("EntryListModel", "分類１"), 80},
      {"cat2", QT_TRANSLATE_NOOP("EntryListModel", "分類２"), 80},
      {"cat3", QT_TRANSLATE_NOOP("EntryListModel", "分類３"), 80},
      {"author", QT_TRANSLATE_NOOP("EntryListModel", "著者"), 100},
      {"myRate", QT_TRANSLATE_NOOP("EntryListModel", "評価"), 70},
      {"fileSize", QT_TRANSLATE_NOOP("EntryListModel", "サイズ"), 70},
      {"updateDate", QT_TRANSLATE_NOOP("EntryListModel", "更新日時"), 120},
      {"fileName", QT_TRANSLATE_NOOP("EntryListModel", "ファイル名"), 160},
      {"editor", QT_TRANSLATE_NOOP("EntryListModel", "編者"), 90},
      {"supervisor", QT_TRANSLATE_NOOP("EntryListModel", "監修者"), 90},
      {"translator", QT_TRANSLATE_NOOP("EntryListModel", "翻訳者"), 90},
      {"publisher", QT_TRANSLATE_NOOP("EntryListModel", "出版社"), 100},
      {"note", QT_TRANSLATE_NOOP("EntryListModel", "メモ"), 200},
  };
  return kColumns;
}

int EntryListModel::columnOf(const char* identifier) {
  const auto& all = columns();
  for (size_t i = 0; i < all.size(); ++i)
    if (std::strcmp(all[i].identifier, identifier) == 0) return static_cast<int>(i);
  return -1;
}

EntryListModel::EntryListModel(QObject* parent) : QAbstractTableModel(parent) {
  for (const EntryListColumn& column : columns()) _titles << tr(column.title);
  _titles << tr("ヒット数");
}

void EntryListModel::setFlnData(const FLN_DATA* flnData) {
  beginResetModel();
  _flnData = flnData;
  endResetModel();
}

void EntryListModel::reload() {
  beginResetModel();
  endResetModel();
}

void EntryListModel::setColumnTitle(int column, const QString& title) {
  if (column < 0 || column >= _titles.size() || _titles[column] == title) return;
  _titles[column] = title;
  emit headerDataChanged(Qt::Horizontal, column, column);
}

int EntryListModel::rowCount(const QModelIndex& parent) const {
  if (parent.isValid() || _flnData == nullptr) return 0;
  return static_cast<int>(_flnData->shownRows.size());
}

int EntryListModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : hitsColumn() + 1;
}

QVariant EntryListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || _flnData == nullptr || index.column() >= columnCount()) return QVariant();
  if (index.column() == hitsColumn()) {
    const size_t row = static_cast<size_t>(index.row());
    if (row >= _rowHits.size()) return QVariant();
    if (role == Qt::TextAlignmentRole) return QVariant::fromValue(Qt::Alignment(Qt::AlignRight | Qt::AlignVCenter));
    return role == Qt::DisplayRole ? QVariant(QString::number(_rowHits[row])) : QVariant();
  }
  const char* identifier = columns()[index.column()].identifier;
  if (role == Qt::TextAlignmentRole) {
    if (std::strcmp(identifier, "fileSize") == 0)
      return QVariant::fromValue(Qt::Alignment(Qt::AlignRight | Qt::AlignVCenter));
    return QVariant();
  }
  if (role != Qt::DisplayRole) return QVariant();
  // Read in place: a cell is drawn from the library's own record.
  const FLN_ENTRY* entry = ShownEntry(_flnData, index.row());
  if (entry == nullptr) return QVariant();
  const QString text = EntryCellText(*entry, QString::fromLatin1(identifier));
  return text.isNull() ? QVariant() : QVariant(text);
}

QVariant EntryListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || section < 0 || section >= _titles.size()) return QVariant();
  if (role == Qt::DisplayRole) return _titles[section];
  // A column clicked for the first time sorts ascending.
  if (role == Qt::InitialSortOrderRole) return QVariant::fromValue(int(Qt::AscendingOrder));
  return QVariant();
}

Qt::ItemFlags EntryListModel::flags(const QModelIndex& index) const {
  Qt::ItemFlags flags = QAbstractTableModel::flags(index);
  if (index.isValid() && _dragExporter) flags |= Qt::ItemIsDragEnabled;
  return flags;
}

QStringList EntryListModel::mimeTypes() const { return {QStringLiteral("text/uri-list")}; }

QMimeData* EntryListModel::mimeData(const QModelIndexList& indexes) const {
  if (!_dragExporter) return nullptr;
  std::set<int> rows;
  for (const QModelIndex& index : indexes)
    if (index.isValid()) rows.insert(index.row());
  const QList<QUrl> urls = _dragExporter(std::vector<int>(rows.begin(), rows.end()));
  if (urls.isEmpty()) return nullptr;
  auto* mime = new QMimeData;
  mime->setUrls(urls);
  return mime;
}
