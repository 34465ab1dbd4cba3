#include "ui/resource_list_view.hpp"

#include <QKeyEvent>
#include <QStyledItemDelegate>

namespace tessary::ui {

namespace {

// Draws the focus frame only around a chosen line.
class ChosenLineFocus : public QStyledItemDelegate {
public:
  using QStyledItemDelegate::QStyledItemDelegate;

  void paint(QPainter *painter, const QStyleOptionViewItem &option,
             const QModelIndex &index) const override {
    QStyleOptionViewItem own(option);
    if (!(own.state & QStyle::State_Selected))
      own.state &= ~QStyle::State_HasFocus;
    QStyledItemDelegate::paint(painter, own, index);
  }
};

bool StepsFromTheTop(int key) {
  return key == Qt::Key_Down || key == Qt::Key_Up || key == Qt::Key_Home;
}

} // namespace

ResourceListView::ResourceListView(QWidget *parent) : QListView(parent) {
  setItemDelegate(std::make_unique<ChosenLineFocus>(this).release()); // the view owns it
}

void ResourceListView::keyPressEvent(QKeyEvent *event) {
  const bool nothingChosen = selectionModel() && !selectionModel()->hasSelection();
  if (nothingChosen && model() && model()->rowCount(rootIndex()) > 0 &&
      event->modifiers() == Qt::NoModifier && StepsFromTheTop(event->key())) {
    setCurrentIndex(model()->index(0, 0, rootIndex()));
    event->accept();
    return;
  }
  QListView::keyPressEvent(event);
}

} // namespace tessary::ui
