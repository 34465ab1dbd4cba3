#pragma once

#include <functional>
#include <iosfwd>
#include <stdexcept>
#include <string>

namespace CLI {
class App;
}

// The pieces every group of tessary-cli calls shares. cli.cpp builds one CLI::App, hands it with
// a Context to each Add...Commands function, parses, and turns what a call throws into the exit
// status:
//   tessary::Error  -> 1, message() then detail() on err (the window's text first)
//   UsageError      -> 2, its text then the hint to run --help
//   CLI11's errors  -> 2 (--help and --version -> 0)
// A call that finishes normally gives 0.
namespace tessary::cli {

struct Context {
  std::ostream &out;
  std::ostream &err;
  bool errIsTerminal = false; // progress lines are drawn on err only then
};

// The call did what it could and has already said on err what it could not: exit 1, with nothing
// more printed.
struct SkippedSome {};

// The call's words are wrong in a way only known after parsing: an identifier the archive does
// not hold, a bad colour, a frame number outside the sprite.
class UsageError : public std::runtime_error {
public:
  explicit UsageError(const std::string &text) : std::runtime_error(text), text_(text) {}
  // The whole text, NUL bytes from the call's words included (what() stops at the first).
  const std::string &text() const { return text_; }

private:
  std::string text_;
};

// Each adds its subcommands to app. A subcommand does its work in its callback (it runs after a
// successful parse) and reports failure by throwing.
void AddArchiveCommands(CLI::App &app, Context &ctx);
void AddSpriteCommands(CLI::App &app, Context &ctx);
void AddEncodeCommand(CLI::App &app, Context &ctx);
void AddRenderAllCommand(CLI::App &app, Context &ctx);

} // namespace tessary::cli
