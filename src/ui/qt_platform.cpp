#include "ui/qt_platform.hpp"
#include "common/paths.hpp"

#include "common/bounded_reader.hpp"
#include "common/error.hpp"
#include "ui/audio_sink_output.hpp"
#include "ui/signal_close.hpp"
#include "view/dialog_filter.hpp"
#include "view/wave_clip.hpp"

#include <QApplication>
#include <QColorDialog>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMessageBox>
#include <QTime>

#include <cstdio>

namespace tessary::ui {

namespace {

QString FromLocal(const std::string &path) { return QFile::decodeName(path.c_str()); }
std::string ToLocal(const QString &path) { return QFile::encodeName(path).toStdString(); }

// Resources can be copied out up to this size; nothing larger is a resource's sound.
constexpr std::uint64_t kLargestSound = 32 * 1024 * 1024;

QMessageBox::Icon QtIcon(MessageIcon icon) {
  switch (icon) {
  case MessageIcon::Critical:
    return QMessageBox::Critical;
  case MessageIcon::Information:
    return QMessageBox::Information;
  case MessageIcon::None:
    break;
  }
  return QMessageBox::NoIcon;
}

} // namespace

std::unique_ptr<ClipOutput> MakeSystemSoundOutput() { return MakeAudioSinkOutput(); }

QtPlatform::QtPlatform(ClipOutputFactory soundOutput) : sound_(std::move(soundOutput)) {}
QtPlatform::~QtPlatform() {
  while (busyDepth_ > 0)
    setBusyCursor(false);
}

MessageAnswer QtPlatform::messageBox(const MessageRequest &request) {
  const auto buttons = request.buttons == MessageButtons::OkCancel
                           ? QMessageBox::Ok | QMessageBox::Cancel
                           : QMessageBox::StandardButtons(QMessageBox::Ok);
  QMessageBox box(QtIcon(request.icon), QString::fromStdString(request.title),
                  QString::fromLocal8Bit(request.text.c_str()), buttons, parent_);
  // The text stays exactly the message; what exactly went wrong is behind "Show Details..." and
  // in the log.
  if (!request.detail.empty()) {
    box.setDetailedText(QString::fromLocal8Bit(request.detail.c_str()));
    std::fprintf(stderr, "tessary: %s (%s)\n", request.text.c_str(), request.detail.c_str());
  }
  box.setDefaultButton(QMessageBox::Ok);
  // A busy cursor must not hide the fact that an answer is wanted.
  const bool busy = busyDepth_ > 0;
  if (busy)
    QGuiApplication::setOverrideCursor(Qt::ArrowCursor);
  const int answer = box.exec();
  if (busy)
    QGuiApplication::restoreOverrideCursor();
  return answer == QMessageBox::Ok ? MessageAnswer::Ok : MessageAnswer::Cancel;
}

std::optional<std::string> QtPlatform::fileDialog(const FileDialogRequest &request, bool save) {
  QString folder = FromLocal(request.folder);
  QString name = FromLocal(request.fileName);
  if (!name.isEmpty() && (name.contains('/') || name.contains('\\'))) {
    const QFileInfo info(name);
    folder = info.absolutePath();
    name = info.fileName();
  }
  QFileDialog dialog(parent_, QString::fromStdString(request.title), folder);
  dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  const auto entries = view::ParseDialogFilter(request.filter);
  QStringList filters;
  for (const auto &entry : entries)
    filters << QString::fromStdString(view::QtFilterName(entry));
  if (!filters.isEmpty()) {
    dialog.setNameFilters(filters);
    dialog.selectNameFilter(
        QString::fromStdString(view::QtSelectedFilter(entries, request.filterIndex)));
  }
  if (!name.isEmpty())
    dialog.selectFile(name);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
    return std::nullopt;
  return ToLocal(dialog.selectedFiles().first());
}

std::optional<std::string> QtPlatform::openFileDialog(const FileDialogRequest &request) {
  return fileDialog(request, false);
}

std::optional<std::string> QtPlatform::saveFileDialog(const FileDialogRequest &request) {
  return fileDialog(request, true);
}

std::optional<Colour> QtPlatform::colourDialog(Colour initial) {
  const QColor chosen = QColorDialog::getColor(QColor(static_cast<int>(RedOf(initial)),
                                                      static_cast<int>(GreenOf(initial)),
                                                      static_cast<int>(BlueOf(initial))),
                                               parent_);
  if (!chosen.isValid())
    return std::nullopt;
  return RGB(static_cast<unsigned>(chosen.red()), static_cast<unsigned>(chosen.green()),
             static_cast<unsigned>(chosen.blue()));
}

void QtPlatform::playSound(const std::string &path) {
  // Read here, from the copy the window just made, so the audio thread gets samples only.
  std::optional<view::WaveClip> clip;
  try {
    const std::string bytes = ReadWholeFile(PathOf(path), kLargestSound, ErrorKind::SoundRead);
    clip = view::DecodeWave({reinterpret_cast<const std::uint8_t *>(bytes.data()), bytes.size()});
  } catch (const Error &) {
    clip.reset();
  }
  if (!clip) {
    sound_.stop();
    QApplication::beep(); // what the system plays for a sound it cannot play
    return;
  }
  sound_.play(std::move(*clip));
}

bool QtPlatform::escapeHeld() { return escape_.poll(); }

bool QtPlatform::endRequested() { return TerminationRequested(); }

long QtPlatform::hundredthsSinceMidnight() {
  return QTime::currentTime().msecsSinceStartOfDay() / 10;
}

void QtPlatform::setBusyCursor(bool busy) {
  if (busy) {
    if (busyDepth_++ == 0)
      QGuiApplication::setOverrideCursor(Qt::WaitCursor);
  } else if (busyDepth_ > 0 && --busyDepth_ == 0) {
    QGuiApplication::restoreOverrideCursor();
  }
}

std::optional<std::string> QtPlatform::environment(const std::string &name) {
  if (!qEnvironmentVariableIsSet(name.c_str()))
    return std::nullopt;
  return qgetenv(name.c_str()).toStdString();
}

} // namespace tessary::ui
