#pragma once

// The rows of the information list: plain texts in two or more columns, held in one vector so
// that a batch of many rows goes in with a single insertion.

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
  void AppendRows(std::vector<QStringList> rows);

 private:
  QStringList headers;
  std::vector<QStringList> rows;  // each as wide as headers
};

}  // namespace tempinex::qt
