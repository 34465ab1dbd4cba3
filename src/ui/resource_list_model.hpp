#pragma once

#include "archive/read_archive.hpp"

#include <QAbstractListModel>
#include <QString>

#include <optional>
#include <vector>

namespace tessary::ui {

// The lines of the resource list, each with its resource kind. Kept as one model so that an
// archive of tens of thousands of entries fills the list in one step.
class ResourceListModel : public QAbstractListModel {
public:
  // The role under which each line's kind is kept.
  static constexpr int KindRole = Qt::UserRole;

  explicit ResourceListModel(QObject *parent);

  void setLines(const std::vector<ListLine> &lines);
  void clear();

  // The kind of a line, or nothing when there is no such line.
  std::optional<int> kind(int row) const;
  QString text(int row) const;
  void setText(int row, const QString &text);

  int rowCount(const QModelIndex &parent = QModelIndex()) const override;
  QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;

private:
  bool has(int row) const { return row >= 0 && static_cast<std::size_t>(row) < texts_.size(); }

  std::vector<QString> texts_;
  std::vector<int> kinds_;
};

} // namespace tessary::ui
