// SPDX-License-Identifier: GPL-3.0-or-later
#include "manager/ui/list_model.h"

namespace tivolen::manager {

ListModel::ListModel(const EditForm& form, QObject* parent)
    : QAbstractListModel(parent), form_(form), shown_(form.rowCount()) {}

int ListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : shown_;
}

QVariant ListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= shown_ || role != Qt::DisplayRole) return {};
  return QString::fromStdString(form_.document().row(index.row()).text);
}

void ListModel::appendedUpTo(int newCount) {
  if (newCount <= shown_) return;
  beginInsertRows({}, shown_, newCount - 1);
  shown_ = newCount;
  endInsertRows();
}

void ListModel::reset() {
  beginResetModel();
  shown_ = form_.rowCount();
  endResetModel();
}

}  // namespace tivolen::manager
