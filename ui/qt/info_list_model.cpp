#include "info_list_model.hpp"

#include <algorithm>

namespace tempinex::qt {

int InfoListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(rows.size());
}

int InfoListModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(headers.size());
}

QVariant InfoListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || role != Qt::DisplayRole) {
    return {};
  }
  return rows[static_cast<std::size_t>(index.row())].value(index.column());
}

QVariant InfoListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal) {
    return {};
  }
  if (role == Qt::DisplayRole) {
    return headers.value(section);
  }
  if (role == Qt::TextAlignmentRole) {
    return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
  }
  return {};
}

Qt::ItemFlags InfoListModel::flags(const QModelIndex& index) const {
  return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

void InfoListModel::InsertColumn(int column, const QString& header) {
  column = std::clamp(column, 0, static_cast<int>(headers.size()));
  beginInsertColumns({}, column, column);
  headers.insert(column, header);
  for (QStringList& row : rows) {
    row.insert(column, QString());
  }
  endInsertColumns();
}

void InfoListModel::SetHeader(int column, const QString& header) {
  if (column < 0 || column >= headers.size()) {
    return;
  }
  headers[column] = header;
  emit headerDataChanged(Qt::Horizontal, column, column);
}

void InfoListModel::Clear() {
  if (rows.empty()) {
    return;
  }
  beginResetModel();
  rows.clear();
  endResetModel();
}

void InfoListModel::InsertRow(int row, const QString& column0) {
  row = std::clamp(row, 0, static_cast<int>(rows.size()));
  QStringList cells;
  cells.resize(std::max<qsizetype>(headers.size(), 1));
  cells[0] = column0;
  beginInsertRows({}, row, row);
  rows.insert(rows.begin() + row, std::move(cells));
  endInsertRows();
}

void InfoListModel::SetCell(int row, int column, const QString& text) {
  if (row < 0 || row >= static_cast<int>(rows.size()) || column < 0 ||
      column >= rows[static_cast<std::size_t>(row)].size()) {
    return;
  }
  rows[static_cast<std::size_t>(row)][column] = text;
  QModelIndex cell = index(row, column);
  emit dataChanged(cell, cell, {Qt::DisplayRole});
}

void InfoListModel::AppendRows(std::vector<QStringList> batch) {
  if (batch.empty()) {
    return;
  }
  int first = static_cast<int>(rows.size());
  beginInsertRows({}, first, first + static_cast<int>(batch.size()) - 1);
  for (QStringList& row : batch) {
    row.resize(std::max<qsizetype>(headers.size(), 1));
    rows.push_back(std::move(row));
  }
  endInsertRows();
}

}  // namespace tempinex::qt
