#pragma once

#include <QLabel>

#include <string>

namespace tessary::ui {

// A label that takes the size of its text whenever the text changes, as the window's caption
// labels do.
class AutoSizeLabel : public QLabel {
public:
  explicit AutoSizeLabel(QWidget *parent) : QLabel(parent) {}

  void setText(const QString &text) {
    QLabel::setText(text);
    adjustSize();
  }
  void setText(const std::string &text) { setText(QString::fromLocal8Bit(text.c_str())); }
  void setText(const char *text) { setText(QString::fromLocal8Bit(text)); }

  std::string caption() const { return text().toLocal8Bit().toStdString(); }
};

} // namespace tessary::ui
