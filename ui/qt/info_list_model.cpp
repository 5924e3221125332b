#include "info_list_model.hpp"

#include <algorithm>
#include <iterator>

namespace tempinex::qt {

int InfoListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(cells.size() / Width());
}

int InfoListModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(headers.size());
}

QVariant InfoListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || role != Qt::DisplayRole || index.column() >= Width()) {
    return {};
  }
  return cells[static_cast<std::size_t>(index.row()) * Width() + index.column()];
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
  const int oldWidth = Width();
  const int rows = rowCount();
  beginInsertColumns({}, column, column);
  headers.insert(column, header);
  if (Width() != oldWidth) {
    std::vector<QString> widened;
    widened.reserve(static_cast<std::size_t>(rows) * Width());
    for (int row = 0; row < rows; ++row) {
      const auto first = cells.begin() + static_cast<std::ptrdiff_t>(row) * oldWidth;
      std::move(first, first + column, std::back_inserter(widened));
      widened.emplace_back();
      std::move(first + column, first + oldWidth, std::back_inserter(widened));
    }
    cells = std::move(widened);
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
  if (cells.empty()) {
    return;
  }
  beginResetModel();
  cells.clear();
  endResetModel();
}

void InfoListModel::InsertRow(int row, const QString& column0) {
  row = std::clamp(row, 0, rowCount());
  beginInsertRows({}, row, row);
  std::vector<QString> inserted(static_cast<std::size_t>(Width()));
  inserted.front() = column0;
  cells.insert(cells.begin() + static_cast<std::ptrdiff_t>(row) * Width(),
               std::make_move_iterator(inserted.begin()), std::make_move_iterator(inserted.end()));
  endInsertRows();
}

void InfoListModel::SetCell(int row, int column, const QString& text) {
  if (row < 0 || row >= rowCount() || column < 0 || column >= Width()) {
    return;
  }
  Cell(row, column) = text;
  QModelIndex cell = index(row, column);
  emit dataChanged(cell, cell, {Qt::DisplayRole});
}

void InfoListModel::AppendRows(std::vector<QString> batch, int perRow) {
  if (perRow <= 0 || batch.size() < static_cast<std::size_t>(perRow)) {
    return;
  }
  const int added = static_cast<int>(batch.size() / perRow);
  const int first = rowCount();
  beginInsertRows({}, first, first + added - 1);
  if (perRow == Width() && cells.empty()) {
    batch.resize(static_cast<std::size_t>(added) * perRow);
    cells = std::move(batch);  // the usual case: the list of a new set, taken as it is
  } else {
    cells.reserve(cells.size() + static_cast<std::size_t>(added) * Width());
    for (int row = 0; row < added; ++row) {
      for (int column = 0; column < Width(); ++column) {
        cells.push_back(column < perRow
                            ? std::move(batch[static_cast<std::size_t>(row) * perRow + column])
                            : QString());
      }
    }
  }
  endInsertRows();
}

}  // namespace tempinex::qt
