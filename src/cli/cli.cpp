#include "cli/cli.hpp"

#include "cli/commands.hpp"
#include "common/error.hpp"
#include "common/printable_text.hpp"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>
#include <ostream>
#include <sstream>
#include <string_view>

namespace tessary::cli {

namespace {

void BuildApp(CLI::App &app, Context &ctx) {
  // The same words mean the same everywhere: CLI11 would read "/o" as an option on Windows, and
  // with it every path that starts with a slash. Set first, so every call inherits it.
  app.allow_windows_style_options(false);
  app.set_version_flag("--version", kCliVersionText, "Show the version and exit");
  app.require_subcommand(1, 1);
  app.footer(kCliExitStatusFooter);
  AddArchiveCommands(app, ctx);
  AddSpriteCommands(app, ctx);
  AddEncodeCommand(app, ctx);
  AddRenderAllCommand(app, ctx);
}

// CLI11 reports a stray first word only as "A subcommand is required"; name it instead.
void RequireKnownCommand(const CLI::App &app, const std::vector<std::string> &args) {
  if (args.empty() || args.front().empty() || args.front().front() == '-')
    return;
  for (const auto *sub : app.get_subcommands({}))
    if (sub->check_name(args.front()))
      return;
  throw UsageError("unknown command \"" + args.front() + "\"");
}

// Writes text to err line by line, each line with its control bytes escaped: what reaches the
// terminal is what the call says, never bytes taken from its words or its files.
void WritePrintable(std::ostream &err, std::string_view text) {
  while (!text.empty()) {
    const auto end = text.find('\n');
    err << PrintableText(text.substr(0, end)) << '\n';
    if (end == std::string_view::npos)
      break;
    text.remove_prefix(end + 1);
  }
}

int ReportParseError(const CLI::App &app, const CLI::ParseError &e, Context &ctx) {
  std::ostringstream err;
  const int code = app.exit(e, ctx.out, err);
  WritePrintable(ctx.err, err.str());
  return code == 0 ? 0 : 2;
}

int RunCall(CLI::App &app, const std::vector<std::string> &args, Context &ctx) {
  // CLI11 takes its words last first.
  std::vector<std::string> words(args.rbegin(), args.rend());
  try {
    RequireKnownCommand(app, args);
    app.parse(words);
  } catch (const CLI::ParseError &e) {
    return ReportParseError(app, e, ctx);
  } catch (const SkippedSome &) {
    return 1;
  } catch (const UsageError &e) {
    WritePrintable(ctx.err, e.text());
    ctx.err << kCliHelpHint << "\n";
    return 2;
  } catch (const Error &e) {
    WritePrintable(ctx.err, e.message());
    if (!e.detail().empty())
      WritePrintable(ctx.err, e.detail());
    return 1;
  } catch (const std::bad_alloc &) {
    const Error e = OutOfMemoryError();
    WritePrintable(ctx.err, e.message());
    WritePrintable(ctx.err, e.detail());
    return 1;
  } catch (const std::exception &e) {
    WritePrintable(ctx.err, e.what());
    return 1;
  }
  return 0;
}

// A listing cut short by a full disk or a closed device is a failed call, not a finished one.
int CheckOutputWritten(int code, Context &ctx) {
  const bool goodBefore = ctx.out.good();
  errno = 0;
  ctx.out.flush();
  if (ctx.out.good())
    return code;
  const int error = goodBefore ? errno : 0;
  ctx.err << kOutputErrorText << "\n"
          << kCliStdoutFailure << (error ? ": " + std::string(std::strerror(error)) : std::string())
          << "\n";
  return code == 0 ? 1 : code;
}

} // namespace

int Run(const std::vector<std::string> &args, std::ostream &out, std::ostream &err) {
  return Run(args, out, err, false);
}

int Run(const std::vector<std::string> &args, std::ostream &out, std::ostream &err,
        bool errIsTerminal) {
  Context ctx{out, err, errIsTerminal};
  CLI::App app{"Lists and extracts the resources of Star Wars Galactic Battlegrounds DRS "
               "archives, and saves their sprites as pictures.",
               "tessary-cli"};
  BuildApp(app, ctx);
  return CheckOutputWritten(RunCall(app, args, ctx), ctx);
}

} // namespace tessary::cli
