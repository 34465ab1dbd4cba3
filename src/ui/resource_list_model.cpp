#include "ui/resource_list_model.hpp"

namespace tessary::ui {

ResourceListModel::ResourceListModel(QObject *parent) : QAbstractListModel(parent) {}

void ResourceListModel::setLines(const std::vector<ListLine> &lines) {
  beginResetModel();
  texts_.clear();
  kinds_.clear();
  texts_.reserve(lines.size());
  kinds_.reserve(lines.size());
  for (const auto &line : lines) {
    texts_.push_back(
        QString::fromLatin1(line.text.data(), static_cast<qsizetype>(line.text.size())));
    kinds_.push_back(line.kind);
  }
  endResetModel();
}

void ResourceListModel::clear() {
  beginResetModel();
  texts_.clear();
  kinds_.clear();
  endResetModel();
}

std::optional<int> ResourceListModel::kind(int row) const {
  if (!has(row))
    return std::nullopt;
  return kinds_[static_cast<std::size_t>(row)];
}

QString ResourceListModel::text(int row) const {
  return has(row) ? texts_[static_cast<std::size_t>(row)] : QString();
}

void ResourceListModel::setText(int row, const QString &text) {
  if (!has(row))
    return;
  texts_[static_cast<std::size_t>(row)] = text;
  const QModelIndex changed = index(row);
  emit dataChanged(changed, changed, {Qt::DisplayRole});
}

int ResourceListModel::rowCount(const QModelIndex &parent) const {
  return parent.isValid() ? 0 : static_cast<int>(texts_.size());
}

QVariant ResourceListModel::data(const QModelIndex &index, int role) const {
  if (!index.isValid() || !has(index.row()))
    return {};
  const auto row = static_cast<std::size_t>(index.row());
  if (role == Qt::DisplayRole)
    return texts_[row];
  if (role == KindRole)
    return kinds_[row];
  return {};
}

} // namespace tessary::ui
