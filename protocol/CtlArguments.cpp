#include "protocol/CtlArguments.h"

#include "link/PortNames.h"
#include "link/Speeds.h"

#include <QCommandLineParser>
#include <QRegularExpression>

#include <algorithm>
#include <iterator>
#include <optional>
#include <utility>
#include <vector>

namespace {

// "19200, 38400, …": the speeds as --baud takes them; the last after `last` (", " or " or ").
std::string SpeedList(const char* last = ", ") {
  std::string list;
  for (std::size_t i = 0; i < std::size(kLinkSpeeds); ++i)
    list += (i == 0 ? "" : i + 1 == std::size(kLinkSpeeds) ? last : ", ") + std::to_string(kLinkSpeeds[i]);
  return list;
}

// A week: longer is a mistyped number.
constexpr int kLongestMonitorSeconds = 7 * 24 * 3600;

// Within 79 columns: a Windows console is 80 wide and wraps at the 80th.
constexpr CtlCommandInfo kCommands[] = {
    {CtlCommand::Ports, "ports", "", 0, false,
     "the COM names with what is behind them (device, maker,\n"
     "product, serial number, USB id), the other ports present\n"
     "by their own name, and the FTDI devices\n"
     "  vorkactl ports"},
    {CtlCommand::Scan, "scan", "", 0, false,
     "asks every port with a device and every FTDI device for\n"
     "a unit, at --baud first, then at the other speeds; one\n"
     "line per unit: port, speed, identifier, firmware (exit 3\n"
     "when none answers)\n"
     "  vorkactl scan"},
    {CtlCommand::Identify, "identify", "", 0, true,
     "identifier, firmware, MPG yes/no\n"
     "  vorkactl --port COM3 identify"},
    {CtlCommand::Read, "read", "[-o FILE]", 0, true,
     "all settings into a settings file (standard output\n"
     "without -o or with -o -), as the unit holds them; a value\n"
     "the window cannot show as ? (0,07)\n"
     "  vorkactl read -o machine1.vorka"},
    {CtlCommand::Report, "report", "[-o FILE]", 0, true,
     "the unit's commissioning record: identifier, firmware,\n"
     "every setting as the unit holds it, the input grid and a\n"
     "line to sign; as PDF, HTML or text by the suffix of FILE\n"
     "(.pdf, .html, .txt; text on standard output without -o)\n"
     "  vorkactl report -o machine1.pdf"},
    {CtlCommand::Write, "write", "FILE", 1, true,
     "the file's settings (- is standard input) into the unit,\n"
     "then read back and verify; first the unit's settings are\n"
     "kept as a backup (see backups; --no-backup: not); Ctrl-C\n"
     "stops after the register in flight; each setting that\n"
     "changes is named as NAME: HELD -> NEW (with --dry-run on\n"
     "standard output, nothing written, exit 1 when any would)\n"
     "  vorkactl write --dry-run machine1.vorka"},
    {CtlCommand::Series, "series", "FILE", 1, false,
     "with --records DIR: the file's settings into one unit\n"
     "after another on the port: waits for a unit, backs it\n"
     "up, writes, verifies, saves its record (PDF) in DIR and\n"
     "waits for the next; a unit already done is left alone;\n"
     "one line per unit, the list in DIR/series.txt; Ctrl-C\n"
     "ends it between units\n"
     "  vorkactl --port usb series line3.vorka --records out"},
    {CtlCommand::Diff, "diff", "FILE", 1, true,
     "the settings that differ between the unit and FILE\n"
     "(- is standard input)\n"
     "  vorkactl diff machine1.vorka && echo unchanged"},
    {CtlCommand::Defaults, "defaults", "[-o FILE]", 0, false,
     "the factory settings as a settings file (no unit needed)\n"
     "  vorkactl defaults -o factory.vorka"},
    {CtlCommand::Reset, "reset", "", 0, false,
     "restart the unit\n"
     "  vorkactl reset"},
    {CtlCommand::Monitor, "monitor", "", 0, false,
     "the inputs: one line per change, with a time stamp,\n"
     "until interrupted or --duration has passed; a missed\n"
     "reply is a gap, --lost-after seconds of silence the end;\n"
     "--csv and --vcd also record every change (with - on\n"
     "standard output instead of the lines)\n"
     "  vorkactl --port /dev/ttyUSB0 monitor --vcd axes.vcd"},
    {CtlCommand::Backups, "backups", "[--all]", 0, false,
     "the backups kept before every write, newest first: time,\n"
     "unit, firmware, path; of the unit on --port, or with\n"
     "--all of every unit\n"
     "  vorkactl backups --all\n"
     "put one back with: vorkactl write PATH"},
};
// The table is in the order of the enumeration: a command's entry is kCommands[its value].
constexpr bool InEnumOrder() {
  for (std::size_t i = 0; i < std::size(kCommands); ++i)
    if (static_cast<std::size_t>(kCommands[i].command) != i) return false;
  return true;
}
static_assert(InEnumOrder() && std::size(kCommands) == kCtlCommandCount);

constexpr CtlCommand kForWrite[] = {CtlCommand::Write};
constexpr CtlCommand kForBackups[] = {CtlCommand::Backups};
constexpr CtlCommand kForMonitor[] = {CtlCommand::Monitor};
constexpr CtlCommand kForOutput[] = {CtlCommand::Read, CtlCommand::Report, CtlCommand::Defaults};
constexpr CtlCommand kForSeries[] = {CtlCommand::Series};
constexpr CtlCommand kForRecords[] = {CtlCommand::Report, CtlCommand::Series};

using O = CtlOption;
constexpr CtlOptionInfo kOptions[] = {
    {O::Port, "port", nullptr, "P", "--port P", {}, nullptr},
    {O::Baud, "baud", nullptr, "N", "--baud N", {}, nullptr},
    {O::Timeout, "timeout", nullptr, "MS", "--timeout MS", {}, "the limit for each reply in milliseconds"},
    {O::Output, "output", "o", "FILE", "-o FILE", kForOutput,
     "where read, report and defaults write; with several\n--port a folder, a file per unit named by its "
     "identifier"},
    {O::Records, "records", nullptr, "DIR", "--records DIR", kForSeries,
     "series: the folder of the records (made when missing)"},
    {O::NoBackup, "no-backup", nullptr, nullptr, "--no-backup", kForWrite,
     "write: keep no backup of the unit first"},
    {O::DryRun, "dry-run", nullptr, nullptr, "--dry-run", kForWrite,
     "write: say what would change, send no write"},
    {O::All, "all", nullptr, nullptr, "--all", kForBackups, "backups: of every unit"},
    {O::Csv, "csv", nullptr, "FILE", "--csv FILE", kForMonitor,
     "monitor: record the inputs as CSV, a row per change"},
    {O::Vcd, "vcd", nullptr, "FILE", "--vcd FILE", kForMonitor,
     "monitor: record the inputs as VCD (logic analysers)"},
    {O::Duration, "duration", nullptr, "S", "--duration S", kForMonitor, "monitor: stop after S seconds"},
    {O::LostAfter, "lost-after", nullptr, "S", "--lost-after S", kForMonitor,
     "monitor: end after S seconds without a reply\n(default 5; a shorter silence is a gap)"},
    {O::Fast, "fast", nullptr, nullptr, "--fast", kForMonitor,
     "monitor: poll back to back, as fast as the link\nallows (otherwise every 40 ms)"},
    {O::Field, "field", nullptr, "NAME=TEXT", "--field NAME=TEXT", kForRecords,
     "report, series: fill a field of the record: Zákazník,\n"
     "Stroj, Výrobní číslo stroje, Technik, Poznámka, or\n"
     "one of another name (after them, in the order given)"},
    {O::Help, "help", "h", nullptr, "-h, --help", {}, "this text (also: vorkactl help)"},
    {O::Version, "version", nullptr, nullptr, "--version", {}, "the program and its version"},
};
// An option's entry is kOptions[its value].
constexpr bool OptionsInEnumOrder() {
  for (std::size_t i = 0; i < std::size(kOptions); ++i)
    if (static_cast<std::size_t>(kOptions[i].option) != i) return false;
  return true;
}
static_assert(OptionsInEnumOrder() && std::size(kOptions) == kCtlOptionCount);

const CtlOptionInfo& Info(CtlOption option) { return kOptions[static_cast<std::size_t>(option)]; }

// The option as a message names it: "-o", "--no-backup".
std::string OptionName(const CtlOptionInfo& info) {
  return info.shortName ? std::string("-") + info.shortName : std::string("--") + info.longName;
}

constexpr CtlExitInfo kExitCodes[] = {
    {kExitOk, "ok"},
    {kExitDifferences, "differences (diff; a dry run of write)"},
    {kExitUsage, "usage"},
    {kExitNoUnit, "no port or no unit"},
    {kExitRefused, "refused or not verified"},
    {kExitFile, "file error (standard output's reader gone included)"},
    {kExitOutOfStep, "replies out of step (noise on the line)"},
    {kExitInternal, "internal error (named; recordings closed)"},
    {kExitInterrupted, "interrupted (write)"},
};

// A paragraph's lines, each indented by `indent` but the first, which follows `head` padded to it.
std::string Paragraph(const std::string& head, std::size_t indent, const std::string& lines) {
  std::string text = "  " + head;
  text.resize(std::max(indent, text.size() + 1), ' ');
  for (std::size_t at = 0; at < lines.size();) {
    const std::size_t end = std::min(lines.find('\n', at), lines.size());
    if (at > 0) text += std::string(indent, ' ');
    text += lines.substr(at, end - at) + "\n";
    at = end + 1;
  }
  return text;
}

}  // namespace

std::span<const CtlCommandInfo> CtlCommands() { return kCommands; }

std::span<const CtlExitInfo> CtlExitCodes() { return kExitCodes; }

std::span<const CtlOptionInfo> CtlOptionTable() { return kOptions; }

std::string CtlHelpText() {
  std::string text =
      "Usage: vorkactl [--port P]... [--baud N] [--timeout MS] COMMAND\n\n"
      "The VORKA unit from a terminal and from scripts.\n\nCommands:\n";
  for (const CtlCommandInfo& c : kCommands)
    text += Paragraph(std::string(c.name) + (*c.arguments ? " " : "") + c.arguments, 22, c.help);
  const CtlOptions defaults;
  const std::string lastCom = "COM" + std::to_string(PortNames::kComNames);
  text += "\nOptions:\n";
  for (const CtlOptionInfo& o : kOptions) {
    std::string help = o.help ? o.help : "";
    switch (o.option) {
      case O::Port:
        help = "COM1 ... " + lastCom +
               " (mapped as the window maps them), another port\n"
               "by its name (COM12, /dev/ttyUSB9), usb (the first FTDI\n"
               "device) or usb:DESCRIPTION; default " +
               defaults.port +
               ";\nidentify, read, report, write and diff take several,\n"
               "each unit on its own line";
        break;
      case O::Baud: help = SpeedList(" or ") + ";\ndefault " + std::to_string(defaults.baud); break;
      case O::Timeout: help += "; default " + std::to_string(defaults.timeoutMs); break;
      default: break;
    }
    text += Paragraph(o.heading, 17, help);
  }
  text += "\nExit codes:\n";
  for (const CtlExitInfo& e : kExitCodes) text += "  " + std::to_string(e.code) + "  " + e.meaning + "\n";
  text += "\nMessages go to standard error, data to standard output.\n";
  return text;
}

std::string PathArgument(const QString& text) {
#ifdef _WIN32
  // "\\?\C:\x" is C:\x, "\\?\UNC\server\share" is \\server\share: Qt's file classes take a path
  // without the prefix and add it themselves where a path is long.
  static const QString kUnc = QStringLiteral("\\\\?\\UNC\\"), kLong = QStringLiteral("\\\\?\\");
  if (text.startsWith(kUnc, Qt::CaseInsensitive))
    return (QStringLiteral("\\\\") + text.mid(kUnc.size())).toStdString();
  if (text.startsWith(kLong)) return text.mid(kLong.size()).toStdString();
#endif
  return text.toStdString();
}

namespace {

// The parser of vorkactl's command line: the table's options, and only those.
struct CtlParser {
  CtlParser() {
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    for (const CtlOptionInfo& o : kOptions) {
      QStringList names;
      if (o.shortName) names << QString::fromLatin1(o.shortName);
      names << QString::fromLatin1(o.longName);
      byOption.emplace_back(names, QString(), o.value ? QString::fromLatin1(o.value) : QString());
      parser.addOption(byOption.back());
    }
  }
  QCommandLineParser parser;
  std::vector<QCommandLineOption> byOption;  // in the table's order
};

}  // namespace

std::vector<std::string> CtlParserOptionNames() {
  // As the parser itself lists them in its help.
  const CtlParser ctl;
  std::vector<std::string> names;
  static const QRegularExpression option(QStringLiteral("--([a-z][a-z-]*)"));
  for (auto match = option.globalMatch(ctl.parser.helpText()); match.hasNext();)
    names.push_back(match.next().captured(1).toStdString());
  return names;
}

CtlOptions ParseCtlArguments(const QStringList& arguments) {
  CtlOptions options;
  CtlParser ctl;
  QCommandLineParser& parser = ctl.parser;
  const std::vector<QCommandLineOption>& byOption = ctl.byOption;
  const auto isSet = [&](CtlOption option) {
    return parser.isSet(byOption[static_cast<std::size_t>(option)]);
  };
  const auto value = [&](CtlOption option) {
    return parser.value(byOption[static_cast<std::size_t>(option)]);
  };
  if (!parser.parse(QStringList{QStringLiteral("vorkactl")} + arguments)) {
    // In the words of the tools its users know: the option as typed.
    const QStringList unknown = parser.unknownOptionNames();
    options.error = unknown.isEmpty()
                        ? parser.errorText().toStdString()
                        : "unknown option '" + std::string(unknown.first().size() == 1 ? "-" : "--") +
                              unknown.first().toStdString() + "'";
    return options;
  }
  const QStringList given = parser.positionalArguments();
  if (isSet(O::Help) || (!given.isEmpty() && given.first() == QStringLiteral("help"))) {
    options.help = true;
    return options;
  }
  if (isSet(O::Version)) {
    options.version = true;
    return options;
  }
  for (QString chosen : parser.values(byOption[static_cast<std::size_t>(O::Port)])) {
    // "usb" as "com1": whatever the case.
    if (chosen.compare(QStringLiteral("usb"), Qt::CaseInsensitive) == 0 ||
        chosen.startsWith(QStringLiteral("usb:"), Qt::CaseInsensitive))
      chosen.replace(0, 3, QStringLiteral("usb"));
    const std::string port = chosen.toStdString();
    if (port.empty() || port == "usb:") options.error = "--port needs a port";
    if (std::find(options.ports.begin(), options.ports.end(), port) != options.ports.end())
      options.error = "--port " + port + " is given twice";
    options.ports.push_back(port);
  }
  if (!options.ports.empty()) options.port = options.ports.front();
  if (isSet(O::Baud)) {
    bool ok = false;
    const int speed = value(O::Baud).toInt(&ok);
    options.baud = speed;
    if (!ok || std::find(std::begin(kLinkSpeeds), std::end(kLinkSpeeds), speed) == std::end(kLinkSpeeds))
      options.error = "--baud must be one of " + SpeedList();
  }
  if (isSet(O::Timeout)) {
    bool ok = false;
    const uint ms = value(O::Timeout).toUInt(&ok);
    options.timeoutMs = ms;
    if (!ok || ms == 0 || ms > 60000) options.error = "--timeout must be 1 to 60000 milliseconds";
  }
  const QStringList positional = parser.positionalArguments();
  if (!options.error.empty()) return options;
  if (positional.isEmpty()) {
    options.error = "no command given";
    return options;
  }
  const std::string name = positional.first().toStdString();
  const CtlCommandInfo* command = nullptr;
  for (const CtlCommandInfo& c : kCommands)
    if (name == c.name) command = &c;
  if (!command) {
    options.error = "unknown command \"" + name + "\"";
    return options;
  }
  options.command = command->command;
  if (positional.size() - 1 != command->files) {
    options.error = name + (command->files ? " takes one FILE" : " takes no argument");
    return options;
  }
  // One unit at a time for the others: a second port is not quietly dropped.
  if (options.ports.size() > 1 && !command->severalPorts) {
    options.error = name + " takes one --port";
    return options;
  }
  if (command->files) {
    options.file = PathArgument(positional.at(1));
    if (options.file.empty()) options.error = name + " takes one FILE";
  }
  // Each option is for the commands its row names.
  for (const CtlOptionInfo& o : kOptions) {
    if (o.commands.empty() || !isSet(o.option) ||
        std::find(o.commands.begin(), o.commands.end(), options.command) != o.commands.end())
      continue;
    std::string takers;
    for (const CtlCommand c : o.commands)
      takers += (takers.empty() ? "" : " and ") + std::string(kCommands[static_cast<std::size_t>(c)].name);
    options.error = OptionName(o) + " is for " + takers;
  }
  if (isSet(O::Output)) {
    options.output = PathArgument(value(O::Output));
    if (options.output.empty()) options.error = "-o needs a file";
  }
  if (options.command == CtlCommand::Series) {
    options.records = PathArgument(value(O::Records));
    if (options.records.empty() && options.error.empty()) options.error = "series needs --records DIR";
  }
  if (options.ports.size() > 1 && options.output.empty() &&
      (options.command == CtlCommand::Read || options.command == CtlCommand::Report))
    options.error = name + " from several ports needs -o DIR";
  for (const QString& field : parser.values(byOption[static_cast<std::size_t>(O::Field)])) {
    const qsizetype equals = field.indexOf(QLatin1Char('='));
    const QString fieldName = field.left(std::max<qsizetype>(0, equals)).trimmed();
    if (equals < 0 || fieldName.isEmpty()) {
      if (options.error.empty()) options.error = "--field takes NAME=TEXT";
      break;
    }
    options.fields.emplace_back(fieldName.toStdString(), field.mid(equals + 1).toStdString());
  }
  options.noBackup = isSet(O::NoBackup);
  options.dryRun = isSet(O::DryRun);
  options.fast = isSet(O::Fast);
  options.allUnits = isSet(O::All);
  for (const auto& [option, file] : {std::pair{O::Csv, &options.csv}, std::pair{O::Vcd, &options.vcd}}) {
    if (!isSet(option)) continue;
    *file = PathArgument(value(option));
    if (file->empty()) options.error = OptionName(Info(option)) + " needs a file";
  }
  if (!options.csv.empty() && options.csv == options.vcd) options.error = "--csv and --vcd need two files";
  // Seconds with a dot, whatever the locale; nothing when the text is not in the range.
  const auto seconds = [&](CtlOption option, double least) -> std::optional<int64_t> {
    bool ok = false;
    const double given = value(option).toDouble(&ok);
    if (!ok || !(given >= least) || given > kLongestMonitorSeconds) return std::nullopt;
    return std::max<int64_t>(1, static_cast<int64_t>(given * 1000));
  };
  if (isSet(O::Duration)) {
    if (const auto ms = seconds(O::Duration, 0.001))
      options.durationMs = *ms;
    else
      options.error = "--duration must be 0.001 to " + std::to_string(kLongestMonitorSeconds) + " seconds";
  }
  if (isSet(O::LostAfter)) {
    if (const auto ms = seconds(O::LostAfter, 0.1))
      options.lostAfterMs = *ms;
    else
      options.error = "--lost-after must be 0.1 to " + std::to_string(kLongestMonitorSeconds) + " seconds";
  }
  return options;
}
