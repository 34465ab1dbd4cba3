#pragma once

#include <QListView>

namespace tessary::ui {

// The resource list. Taking the focus makes a line current without choosing it; such a line
// must not look chosen, and the first step of the arrow keys from it chooses the first line
// rather than passing over it.
class ResourceListView : public QListView {
public:
  explicit ResourceListView(QWidget *parent = nullptr);

protected:
  void keyPressEvent(QKeyEvent *event) override;
};

} // namespace tessary::ui
