#include "ui/window_command_line.hpp"

#include <QCommandLineParser>

#include <algorithm>
#include <array>

namespace tessary::ui {

namespace {

// Qt's own options for a window program, taking a value or not.
constexpr std::array kQtValueOptions = {
    "platform",        "platformpluginpath", "platformtheme", "plugin",
    "qwindowgeometry", "qwindowicon",        "qwindowtitle",  "session",
    "display",         "geometry",           "style",         "stylesheet"};
constexpr std::array kQtFlags = {"reverse", "widgetcount", "nograb", "dograb", "sync"};

template <std::size_t N> bool IsOneOf(const QString &name, const std::array<const char *, N> &set) {
  return std::any_of(set.begin(), set.end(),
                     [&name](const char *option) { return name == QLatin1String(option); });
}

// "-style" or "--style": the name without dashes; anything else gives an empty name.
QString QtOptionName(const QString &argument) {
  if (!argument.startsWith('-') || argument == QLatin1String("-") ||
      argument == QLatin1String("--"))
    return {};
  QString name = argument.mid(argument.startsWith(QLatin1String("--")) ? 2 : 1);
  return name.section('=', 0, 0);
}

// The arguments without Qt's own options (nor their values).
QStringList OurArguments(const QStringList &arguments) {
  QStringList ours;
  for (qsizetype i = 0; i < arguments.size(); ++i) {
    const QString &argument = arguments.at(i);
    if (i == 0) {
      ours << argument; // the program's name
      continue;
    }
    if (argument == QLatin1String("--")) {
      ours << arguments.mid(i); // everything after it is an archive's name, however it looks
      break;
    }
    const QString name = QtOptionName(argument);
    if (IsOneOf(name, kQtFlags))
      continue;
    if (IsOneOf(name, kQtValueOptions)) {
      if (!argument.contains('='))
        ++i; // its value
      continue;
    }
    ours << argument;
  }
  return ours;
}

WindowCommandLine Usage(const QCommandLineParser &parser, const QString &error) {
  return {2, {}, (error + QLatin1Char('\n') + parser.helpText()).toStdString(), std::nullopt};
}

} // namespace

WindowCommandLine ParseWindowCommandLine(const QStringList &arguments) {
  QCommandLineParser parser;
  parser.setApplicationDescription(
      QStringLiteral("Views the resources of a DRS archive and extracts them."));
  // Our own help option: the stock one brings a --help-all whose Qt options we do not list.
  const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                QStringLiteral("Displays this help."));
  parser.addOption(help);
  const QCommandLineOption version = parser.addVersionOption();
  parser.addPositionalArgument(QStringLiteral("archive"), QStringLiteral("The archive to open."),
                               QStringLiteral("[archive]"));
  if (!parser.parse(OurArguments(arguments)))
    return Usage(parser, parser.errorText());
  if (parser.isSet(help))
    return {0, parser.helpText().toStdString(), {}, std::nullopt};
  if (parser.isSet(version))
    return {0, kWindowVersionText, {}, std::nullopt};
  const QStringList positional = parser.positionalArguments();
  if (positional.size() > 1)
    return Usage(
        parser, QStringLiteral("Only one archive can be opened: %1 given.").arg(positional.size()));
  WindowCommandLine result;
  if (!positional.isEmpty())
    result.archive = positional.first();
  return result;
}

} // namespace tessary::ui
