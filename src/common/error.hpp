#pragma once

#include <new>
#include <stdexcept>
#include <string>

namespace tessary {

// The message of every failure to get memory: a picture, a buffer or a table too large for
// what the system will give.
constexpr char kOutOfMemoryText[] = "Out of memory!";

// The one error type of the core. `message()` is the text the window shows in its message box
// (and the first line the command line prints); `detail()` says what exactly went wrong, for the
// command line and for tests. Errors raised by the bitmap writer also carry a number and a
// source, in the manner of the component errors users of the old tool knew.
class Error : public std::runtime_error {
public:
  explicit Error(std::string message, std::string detail = {}, int number = 0,
                 std::string source = {})
      : std::runtime_error(message), message_(std::move(message)), detail_(std::move(detail)),
        number_(number), source_(std::move(source)) {}

  const std::string &message() const noexcept { return message_; }
  const std::string &detail() const noexcept { return detail_; }
  int number() const noexcept { return number_; }
  const std::string &source() const noexcept { return source_; }

private:
  std::string message_;
  std::string detail_;
  int number_;
  std::string source_;
};

inline Error OutOfMemoryError() {
  return Error(kOutOfMemoryText, "the system would not give the memory this needs");
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
