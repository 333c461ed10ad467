#pragma once
// The rows of the entry list: row r shows the library's entry of shown row r
// (ShownEntry), read when a cell is drawn; each column is named by an identifier (EntryCellText.h) that
// is also its sort key. The headers of the category columns carry the level
// labels of the library. After them comes one more column, the full-text
// hits of each row (hitsColumn), which the window shows only while the list
// is narrowed to the entries a full-text query found. Rows dragged out of the
// list carry the PDFs of their entries as file URLs, from the exporter the
// document sets.

#include <QAbstractTableModel>
#include <QList>
#include <QStringList>
#include <QUrl>
#include <functional>
#include <vector>

#include "library/FlnData.h"

struct EntryListColumn {
  const char* identifier;  // column key, as the sort keys name it
  const char* title;       // header text; category columns show their level label instead
  int width;               // initial width in points
};

class EntryListModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  explicit EntryListModel(QObject* parent = nullptr);

  /// The columns, in display order.
  static const std::vector<EntryListColumn>& columns();
  /// Column index of `identifier`, or -1.
  static int columnOf(const char* identifier);

  /// Shows `flnData`'s shown rows (not owned) and resets the model.
  void setFlnData(const FLN_DATA* flnData);
  /// Resets the model after the shown rows changed.
  void reload();
  /// The column of the full-text hits (the last one, not among columns()).
  static int hitsColumn() { return static_cast<int>(columns().size()); }
  /// The hits of each row, row by row; empty when the list is not a
  /// full-text result. Takes effect at the next reload().
  void setRowHits(std::vector<int> rowHits) { _rowHits = std::move(rowHits); }
  const std::vector<int>& rowHits() const { return _rowHits; }
  /// Sets the header text of `column` (the label of a category level).
  void setColumnTitle(int column, const QString& title);

  /// Writes the PDFs of the entries of the given rows (ascending) for a drag
  /// and returns their file URLs; empty when the drag must not start.
  using DragExporter = std::function<QList<QUrl>(const std::vector<int>& rows)>;
  /// Lets rows be dragged out (as "text/uri-list", copied) through `exporter`.
  void setDragExporter(DragExporter exporter) { _dragExporter = std::move(exporter); }

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  QStringList mimeTypes() const override;
  /// The exporter's URLs for the rows of `indexes`; null (no drag) when it
  /// gives none.
  QMimeData* mimeData(const QModelIndexList& indexes) const override;
  Qt::DropActions supportedDragActions() const override { return Qt::CopyAction; }

 private:
  const FLN_DATA* _flnData = nullptr;
  QStringList _titles;
  DragExporter _dragExporter;
  std::vector<int> _rowHits;
};
