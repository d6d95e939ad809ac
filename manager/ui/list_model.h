// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAbstractListModel>

#include "manager/edit_form.h"

namespace tivolen::manager {

// List1's rows as a model over the form's list texts: nothing is copied, so
// 32,767 rows cost only what the view paints.
class ListModel final : public QAbstractListModel {
  Q_OBJECT

 public:
  explicit ListModel(const EditForm& form, QObject* parent = nullptr);

  [[nodiscard]] int rowCount(const QModelIndex& parent = {}) const override;
  [[nodiscard]] QVariant data(const QModelIndex& index, int role) const override;

  // The form appended rows up to newCount.
  void appendedUpTo(int newCount);
  void reset();

 private:
  const EditForm& form_;
  int shown_ = 0;
};

}  // namespace tivolen::manager
