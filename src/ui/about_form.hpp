#pragma once

#include "common/messages.hpp"

#include <QDialog>

#include <array>
#include <memory>

class QLabel;
class QPushButton;

// The About window: name, version, a warning, the credits and a row of five buttons that all
// just hide it. It has no owner, is never modal, and is kept once made so the next "About"
// shows the same window again.
namespace tessary::ui {

class AboutForm : public QDialog {
  Q_OBJECT
public:
  // Sized with the twips per pixel of the primary screen.
  AboutForm();
  // Sized with the given twips per pixel (horizontal, vertical).
  AboutForm(double twipsPerPixelX, double twipsPerPixelY);

  // Shows the window, or brings it to the front when it is already showing.
  void showRaised();

  // Any of the five buttons: the index does not matter.
  void ExitButton_Click(int index);

  QLabel *label(int number) const;          // Label1 ... Label5
  QPushButton *exitButton(int index) const; // ExitButton(0 ... 4)

  static constexpr int kButtonCount = 5;

private:
  void buildLabels();
  void buildButtons();
  QRect pixelRect(int left, int top, int width, int height) const;

  double twipsPerPixelX_;
  double twipsPerPixelY_;
  std::array<QLabel *, 5> labels_{};
  std::array<QPushButton *, kButtonCount> buttons_{};
  bool placed_ = false;
};

// The twips per pixel of the primary screen, horizontal and vertical (1440 / logical dpi).
double ScreenTwipsPerPixelX();
double ScreenTwipsPerPixelY();

// "Help" > "About": makes the window on first use, then shows it and brings it to the front.
void ShowAboutForm(std::unique_ptr<AboutForm> &form);

constexpr int kAboutWidthTwips = 6855;
constexpr int kAboutHeightTwips = 2055;

} // namespace tessary::ui
