#pragma once

// The rows of the information list: plain texts in two or more columns, held cell after cell
// in one vector, so that a batch of many rows goes in with a single insertion and costs no
// allocation of its own per row.

#include <QAbstractTableModel>
#include <QStringList>
#include <vector>

namespace tempinex::qt {

class InfoListModel : public QAbstractTableModel {
 public:
  using QAbstractTableModel::QAbstractTableModel;

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

  void InsertColumn(int column, const QString& header);
  void SetHeader(int column, const QString& header);
  void Clear();
  void InsertRow(int row, const QString& column0);
  void SetCell(int row, int column, const QString& text);
  // Appends rows given cell after cell, perRow cells to a row; a row narrower than the list
  // gets empty cells, a wider one loses its last.
  void AppendRows(std::vector<QString> batch, int perRow);

 private:
  // Cells to a row: one per column, and one before any column exists.
  int Width() const { return std::max(static_cast<int>(headers.size()), 1); }
  QString& Cell(int row, int column) {
    return cells[static_cast<std::size_t>(row) * Width() + column];
  }

  QStringList headers;
  std::vector<QString> cells;  // row after row, Width() cells to a row
};

}  // namespace tempinex::qt
