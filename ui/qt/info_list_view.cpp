#include "info_list_view.hpp"

#include <QHeaderView>
#include <QMouseEvent>

#include "info_list_model.hpp"

namespace tempinex::qt {

InfoListView::InfoListView(QWidget* parent) : QTableView(parent) {
  setModel(new InfoListModel(this));
  setShowGrid(true);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setSortingEnabled(false);
  setWordWrap(false);
  setTabKeyNavigation(false);
  verticalHeader()->hide();
  // Fixed row heights keep a list of many rows cheap to lay out.
  verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
  QHeaderView* header = horizontalHeader();
  header->setSectionsClickable(false);
  header->setSortIndicatorShown(false);
  header->setHighlightSections(false);
  header->setStretchLastSection(false);
  header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  // The selection is not shown while the list does not have the focus.
  QPalette colours = palette();
  colours.setColor(QPalette::Inactive, QPalette::Highlight,
                   colours.color(QPalette::Inactive, QPalette::Base));
  colours.setColor(QPalette::Inactive, QPalette::HighlightedText,
                   colours.color(QPalette::Inactive, QPalette::Text));
  setPalette(colours);
}

void InfoListView::mouseReleaseEvent(QMouseEvent* event) {
  int row = indexAt(event->position().toPoint()).row();
  QTableView::mouseReleaseEvent(event);
  if (event->button() == Qt::LeftButton && onClick) {
    onClick(row);
  }
}

}  // namespace tempinex::qt
