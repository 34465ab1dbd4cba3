#pragma once

#include "common/messages.hpp"

#include <new>
#include <stdexcept>
#include <string>

namespace tessary {

// What failed, in the terms the person sees: each kind has its own message, so a handler tells
// failures apart by kind and the text is chosen in one place.
enum class ErrorKind {
  ArchiveRead,     // an archive that cannot be read, or is not one
  SpriteRead,      // a sprite that cannot be read or decoded
  SLXRead,         // an SLX index that cannot be read
  BitmapRead,      // a bitmap an SLX index names that cannot be read
  SoundRead,       // a sound the player cannot read (never shown: the clip is skipped)
  PaletteNotValid, // a file that is no JASC-PAL palette at all
  PaletteOpen,     // a palette file that cannot be read or is malformed
  DescriptionOpen, // a description file that cannot be read (the message names it)
  DescriptionSave, // a description file that cannot be written (the message names it)
  Save,            // any other file that cannot be written
  Encode,          // frames that cannot be made into a sprite
  OutOfMemory,     // the system would not give the memory a step needs
};

// The message of a kind. `subject` fills the kinds whose message names their file.
inline std::string ErrorMessage(ErrorKind kind, const std::string &subject) {
  switch (kind) {
  case ErrorKind::ArchiveRead:
    return kReadErrorText;
  case ErrorKind::SpriteRead:
    return kSpriteErrorText;
  case ErrorKind::SLXRead:
    return kSLXReadErrorText;
  case ErrorKind::BitmapRead:
    return kBitmapReadErrorText;
  case ErrorKind::SoundRead:
    return kSoundReadErrorText;
  case ErrorKind::PaletteNotValid:
    return kNotValidPaletteText;
  case ErrorKind::PaletteOpen:
    return kErrorOpeningPaletteText;
  case ErrorKind::DescriptionOpen:
    return DescriptionLoadErrorText(subject);
  case ErrorKind::DescriptionSave:
    return DescriptionSaveErrorText(subject);
  case ErrorKind::Save:
    return kSaveErrorText;
  case ErrorKind::Encode:
    return kEncodeErrorText;
  case ErrorKind::OutOfMemory:
    return kOutOfMemoryText;
  }
  return kSaveErrorText;
}

// The one error type of the core. `kind()` says what failed and decides `message()`, the text
// the window shows in its message box (and the first line the command line prints); `subject()`
// is the file or entry the failure is about (empty when there is none to name); `detail()` says
// what exactly went wrong, naming the subject where the sentence needs it, for the command line
// and for tests. Errors raised by the bitmap writer also carry a number and a source, in the
// manner of the component errors users of the old tool knew.
class Error : public std::runtime_error {
public:
  Error(ErrorKind kind, std::string subject, std::string detail, int number = 0,
        std::string source = {})
      : std::runtime_error(ErrorMessage(kind, subject)), kind_(kind), subject_(std::move(subject)),
        message_(ErrorMessage(kind_, subject_)), detail_(std::move(detail)), number_(number),
        source_(std::move(source)) {}

  ErrorKind kind() const noexcept { return kind_; }
  const std::string &message() const noexcept { return message_; }
  const std::string &subject() const noexcept { return subject_; }
  const std::string &detail() const noexcept { return detail_; }
  int number() const noexcept { return number_; }
  const std::string &source() const noexcept { return source_; }

private:
  ErrorKind kind_;
  std::string subject_; // before message_, which is made from it
  std::string message_;
  std::string detail_;
  int number_;
  std::string source_;
};

inline Error OutOfMemoryError() {
  return Error(ErrorKind::OutOfMemory, {}, "the system would not give the memory this needs");
}

// Runs call, turning the system's refusal of memory into the program's own failure, for callers
// that report Error and nothing else (the window's handlers).
template <class Call> decltype(auto) WithOutOfMemoryAsError(Call &&call) {
  try {
    return call();
  } catch (const std::bad_alloc &) {
    throw OutOfMemoryError();
  }
}

} // namespace tessary
