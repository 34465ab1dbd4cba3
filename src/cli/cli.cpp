#include "cli/cli.hpp"

#include "cli/commands.hpp"
#include "common/error.hpp"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <ostream>

namespace tessary::cli {

namespace {

constexpr char kVersionText[] = "tessary-cli 0.5b";
constexpr char kHelpHint[] = "Run with --help for more information.";

constexpr char kFooter[] =
    "Exit status: 0 done; 1 the input or output failed (the message, then what exactly was\n"
    "wrong); 2 the call's words are wrong (unknown command, missing argument, an identifier\n"
    "the archive does not hold).\n";

void BuildApp(CLI::App &app, Context &ctx) {
  app.set_version_flag("--version", kVersionText, "Show the version and exit");
  app.require_subcommand(1, 1);
  app.footer(kFooter);
  AddArchiveCommands(app, ctx);
  AddSpriteCommands(app, ctx);
  AddEncodeCommand(app, ctx);
}

int ReportParseError(const CLI::App &app, const CLI::ParseError &e, Context &ctx) {
  const int code = app.exit(e, ctx.out, ctx.err);
  return code == 0 ? 0 : 2;
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

} // namespace

int Run(const std::vector<std::string> &args, std::ostream &out, std::ostream &err) {
  Context ctx{out, err};
  CLI::App app{"Lists and extracts the resources of Star Wars Galactic Battlegrounds DRS "
               "archives, and saves their sprites as pictures.",
               "tessary-cli"};
  BuildApp(app, ctx);
  // CLI11 takes its words last first.
  std::vector<std::string> words(args.rbegin(), args.rend());
  try {
    RequireKnownCommand(app, args);
    app.parse(words);
  } catch (const CLI::ParseError &e) {
    return ReportParseError(app, e, ctx);
  } catch (const UsageError &e) {
    err << e.what() << "\n" << kHelpHint << "\n";
    return 2;
  } catch (const Error &e) {
    err << e.message() << "\n";
    if (!e.detail().empty())
      err << e.detail() << "\n";
    return 1;
  } catch (const std::exception &e) {
    err << e.what() << "\n";
    return 1;
  }
  return ctx.exitCode;
}

} // namespace tessary::cli
