#include "ui/about_form.hpp"

#include "common/messages.hpp"

#include "ui/qt_child.hpp"
#include "view/form_layout.hpp"

#include <QFont>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

namespace tessary::ui {

namespace {

const QColor kBackground(0, 0, 128);
const QColor kLabelText(255, 255, 255);
const QColor kCreditsColour(192, 255, 192);

struct LabelLayout {
  int number;
  int left, top, width, height;
  const char *text;
  double pointSize;
  bool bold, italic, centred, wraps;
  QColor colour;
};

const std::array<LabelLayout, 5> kLabels = {{
    {1, 120, 120, 2175, 375, kAppTitle, 11.25, true, false, false, false, kLabelText},
    {3, 120, 360, 3015, 255, "Viewer/Extractor - version 0.5b", 9, false, true, false, false,
     kLabelText},
    {4, 120, 600, 3015, 855, kCreditsText, 9, false, true, false, false, kCreditsColour},
    {2, 3240, 120, 3495, 855,
     "WARNING: Beta version - probably contains bugs! Any events caused by usage of this program "
     "are not my responsibility in any way whatsoever.",
     8.25, false, false, true, true, kLabelText},
    {5, 3240, 1080, 3615, 255, "Coming soon: More features! Less bugs!", 8.25, false, true, true,
     false, kLabelText},
}};

struct ButtonLayout {
  int index;
  const char *caption;
  int left, width;
};

// In focus order.
const std::array<ButtonLayout, AboutForm::kButtonCount> kButtons = {{
    {2, "OK", 120, 1335},
    {3, "Cancel", 1560, 1215},
    {0, "Close", 2880, 1215},
    {4, "Return", 4200, 1095},
    {1, "Exit", 5400, 1215},
}};

constexpr int kButtonTop = 1560;
constexpr int kButtonHeight = 375;

double TwipsPerPixelOf(double dotsPerInch) { return dotsPerInch > 0 ? 1440.0 / dotsPerInch : 15.0; }

// Verdana where it is installed; otherwise a plain sans-serif face, without complaint.
QFont LabelFont(const LabelLayout &layout) {
  QFont font(QStringLiteral("Verdana"));
  font.setStyleHint(QFont::SansSerif);
  font.setPointSizeF(layout.pointSize);
  font.setBold(layout.bold);
  font.setItalic(layout.italic);
  return font;
}

} // namespace

double ScreenTwipsPerPixelX() {
  const QScreen *screen = QGuiApplication::primaryScreen();
  return TwipsPerPixelOf(screen ? screen->logicalDotsPerInchX() : 96.0);
}

double ScreenTwipsPerPixelY() {
  const QScreen *screen = QGuiApplication::primaryScreen();
  return TwipsPerPixelOf(screen ? screen->logicalDotsPerInchY() : 96.0);
}

AboutForm::AboutForm() : AboutForm(ScreenTwipsPerPixelX(), ScreenTwipsPerPixelY()) {}

AboutForm::AboutForm(double twipsPerPixelX, double twipsPerPixelY)
    : QDialog(nullptr, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      twipsPerPixelX_(twipsPerPixelX), twipsPerPixelY_(twipsPerPixelY) {
  setObjectName(QStringLiteral("AboutForm"));
  setWindowTitle(QString());
  setModal(false);
  // The main window is the program: closing it must end the run even while this one shows.
  setAttribute(Qt::WA_QuitOnClose, false);
  setFixedSize(pixelRect(0, 0, kAboutWidthTwips, kAboutHeightTwips).size());

  QPalette background = palette();
  background.setColor(QPalette::Window, kBackground);
  setPalette(background);
  setAutoFillBackground(true);

  buildLabels();
  buildButtons();
}

QRect AboutForm::pixelRect(int left, int top, int width, int height) const {
  return {view::TwipsToPixels(left, twipsPerPixelX_), view::TwipsToPixels(top, twipsPerPixelY_),
          view::TwipsToPixels(width, twipsPerPixelX_),
          view::TwipsToPixels(height, twipsPerPixelY_)};
}

void AboutForm::buildLabels() {
  for (const LabelLayout &layout : kLabels) {
    auto *label = Child<QLabel>(this, QString::fromUtf8(layout.text));
    label->setObjectName(QStringLiteral("Label%1").arg(layout.number));
    label->setGeometry(pixelRect(layout.left, layout.top, layout.width, layout.height));
    label->setFont(LabelFont(layout));
    label->setAlignment((layout.centred ? Qt::AlignHCenter : Qt::AlignLeft) | Qt::AlignTop);
    label->setWordWrap(layout.wraps);
    QPalette colours = label->palette();
    colours.setColor(QPalette::WindowText, layout.colour);
    label->setPalette(colours);
    label->setAutoFillBackground(false); // the form's blue shows through
    labels_[layout.number - 1] = label;
  }
}

void AboutForm::buildButtons() {
  QWidget *previous = nullptr;
  for (const ButtonLayout &layout : kButtons) {
    auto *button = Child<QPushButton>(this, QString::fromUtf8(layout.caption));
    button->setObjectName(QStringLiteral("ExitButton_%1").arg(layout.index));
    button->setGeometry(pixelRect(layout.left, kButtonTop, layout.width, kButtonHeight));
    const int index = layout.index;
    connect(button, &QPushButton::clicked, this, [this, index] { ExitButton_Click(index); });
    if (previous)
      setTabOrder(previous, button);
    else
      button->setFocus();
    previous = button;
    buttons_[layout.index] = button;
  }
}

void AboutForm::showRaised() {
  if (!placed_) {
    // Centred on the screen the first time; after that it stays where the user left it.
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
      QRect client = rect();
      client.moveCenter(screen->availableGeometry().center());
      setGeometry(client);
    }
    placed_ = true;
  }
  show();
  raise();
  activateWindow();
}

void AboutForm::ExitButton_Click(int /*index*/) { hide(); }

QLabel *AboutForm::label(int number) const {
  return number >= 1 && number <= 5 ? labels_[number - 1] : nullptr;
}

QPushButton *AboutForm::exitButton(int index) const {
  return index >= 0 && index < kButtonCount ? buttons_[index] : nullptr;
}

void ShowAboutForm(std::unique_ptr<AboutForm> &form) {
  if (!form)
    form = std::make_unique<AboutForm>();
  form->showRaised();
}

} // namespace tessary::ui
