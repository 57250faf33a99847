#include "protocol/CtlArguments.h"

#include "link/PortNames.h"
#include "link/Speeds.h"

#include <QCommandLineParser>

#include <algorithm>
#include <iterator>
#include <utility>

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
    {CtlCommand::Identify, "identify", "", 0, false,
     "identifier, firmware, MPG yes/no\n"
     "  vorkactl --port COM3 identify"},
    {CtlCommand::Read, "read", "[-o FILE]", 0, true,
     "all settings into a settings file (standard output\n"
     "without -o or with -o -), as the unit holds them; a value\n"
     "the window cannot show as ? (0,07)\n"
     "  vorkactl read -o machine1.vorka"},
    {CtlCommand::Write, "write", "FILE", 1, false,
     "the file's settings (- is standard input) into the unit,\n"
     "then read back and verify; first the unit's settings are\n"
     "kept as a backup (see backups; --no-backup: not); Ctrl-C\n"
     "stops after the register in flight\n"
     "  vorkactl write machine1.vorka"},
    {CtlCommand::Diff, "diff", "FILE", 1, false,
     "the settings that differ between the unit and FILE\n"
     "(- is standard input)\n"
     "  vorkactl diff machine1.vorka && echo unchanged"},
    {CtlCommand::Defaults, "defaults", "[-o FILE]", 0, true,
     "the factory settings as a settings file (no unit needed)\n"
     "  vorkactl defaults -o factory.vorka"},
    {CtlCommand::Reset, "reset", "", 0, false,
     "restart the unit\n"
     "  vorkactl reset"},
    {CtlCommand::Monitor, "monitor", "", 0, false,
     "the inputs: one line per change, with a time stamp,\n"
     "until interrupted or --duration has passed; --csv and\n"
     "--vcd also record every change (with - on standard\n"
     "output instead of the lines)\n"
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
static_assert(InEnumOrder() && std::size(kCommands) == static_cast<std::size_t>(CtlCommand::Backups) + 1);

constexpr CtlExitInfo kExitCodes[] = {
    {kExitOk, "ok"},
    {kExitDifferences, "differences (diff)"},
    {kExitUsage, "usage"},
    {kExitNoUnit, "no port or no unit"},
    {kExitRefused, "refused or not verified"},
    {kExitFile, "file error"},
    {kExitOutOfStep, "replies out of step (noise on the line)"},
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

std::string CtlHelpText() {
  std::string text =
      "Usage: vorkactl [--port P] [--baud N] [--timeout MS] COMMAND\n\n"
      "The VORKA unit from a terminal and from scripts.\n\nCommands:\n";
  for (const CtlCommandInfo& c : kCommands)
    text += Paragraph(std::string(c.name) + (*c.arguments ? " " : "") + c.arguments, 22, c.help);
  const CtlOptions defaults;
  const std::string lastCom = "COM" + std::to_string(PortNames::kComNames);
  text += "\nOptions:\n";
  text += Paragraph("--port P", 17,
                    "COM1 ... " + lastCom +
                        " (mapped as the window maps them), another port\n"
                        "by its name (COM12, /dev/ttyUSB9), usb (the first FTDI\n"
                        "device) or usb:DESCRIPTION; default " +
                        defaults.port);
  text += Paragraph("--baud N", 17, SpeedList(" or ") + ";\ndefault " + std::to_string(defaults.baud));
  text +=
      Paragraph("--timeout MS", 17,
                "the limit for each reply in milliseconds; default " + std::to_string(defaults.timeoutMs));
  text += Paragraph("-o FILE", 17, "where read and defaults write the settings file");
  text += Paragraph("--no-backup", 17, "write: keep no backup of the unit first");
  text += Paragraph("--all", 17, "backups: of every unit");
  text += Paragraph("--csv FILE", 17, "monitor: record the inputs as CSV, a row per change");
  text += Paragraph("--vcd FILE", 17, "monitor: record the inputs as VCD (logic analysers)");
  text += Paragraph("--duration S", 17, "monitor: stop after S seconds");
  text += Paragraph("-h, --help", 17, "this text (also: vorkactl help)");
  text += Paragraph("--version", 17, "the program and its version");
  text += "\nExit codes:\n";
  for (const CtlExitInfo& e : kExitCodes) text += "  " + std::to_string(e.code) + "  " + e.meaning + "\n";
  text += "\nMessages go to standard error, data to standard output.\n";
  return text;
}

CtlOptions ParseCtlArguments(const QStringList& arguments) {
  CtlOptions options;
  QCommandLineParser parser;
  parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
  const QCommandLineOption port(QStringLiteral("port"), QString(), QStringLiteral("P"));
  const QCommandLineOption baud(QStringLiteral("baud"), QString(), QStringLiteral("N"));
  const QCommandLineOption timeout(QStringLiteral("timeout"), QString(), QStringLiteral("MS"));
  const QCommandLineOption output(QStringList{QStringLiteral("o"), QStringLiteral("output")}, QString(),
                                  QStringLiteral("FILE"));
  const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
  const QCommandLineOption noBackup(QStringLiteral("no-backup"));
  const QCommandLineOption all(QStringLiteral("all"));
  const QCommandLineOption version(QStringLiteral("version"));
  const QCommandLineOption csv(QStringLiteral("csv"), QString(), QStringLiteral("FILE"));
  const QCommandLineOption vcd(QStringLiteral("vcd"), QString(), QStringLiteral("FILE"));
  const QCommandLineOption duration(QStringLiteral("duration"), QString(), QStringLiteral("S"));
  parser.addOptions({port, baud, timeout, output, help, noBackup, all, version, csv, vcd, duration});
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
  if (parser.isSet(help) || (!given.isEmpty() && given.first() == QStringLiteral("help"))) {
    options.help = true;
    return options;
  }
  if (parser.isSet(version)) {
    options.version = true;
    return options;
  }
  if (parser.isSet(port)) {
    QString chosen = parser.value(port);
    // "usb" as "com1": whatever the case.
    if (chosen.compare(QStringLiteral("usb"), Qt::CaseInsensitive) == 0 ||
        chosen.startsWith(QStringLiteral("usb:"), Qt::CaseInsensitive))
      chosen.replace(0, 3, QStringLiteral("usb"));
    options.port = chosen.toStdString();
    if (options.port.empty() || options.port == "usb:") options.error = "--port needs a port";
  }
  if (parser.isSet(baud)) {
    bool ok = false;
    const int value = parser.value(baud).toInt(&ok);
    options.baud = value;
    if (!ok || std::find(std::begin(kLinkSpeeds), std::end(kLinkSpeeds), value) == std::end(kLinkSpeeds))
      options.error = "--baud must be one of " + SpeedList();
  }
  if (parser.isSet(timeout)) {
    bool ok = false;
    const uint value = parser.value(timeout).toUInt(&ok);
    options.timeoutMs = value;
    if (!ok || value == 0 || value > 60000) options.error = "--timeout must be 1 to 60000 milliseconds";
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
  if (command->files) {
    options.file = positional.at(1).toStdString();
    if (options.file.empty()) options.error = name + " takes one FILE";
  }
  if (parser.isSet(output)) {
    if (!command->output) {
      std::string takers;
      for (const CtlCommandInfo& c : kCommands)
        if (c.output) takers += (takers.empty() ? "" : " and ") + std::string(c.name);
      options.error = "-o is for " + takers;
    }
    options.output = parser.value(output).toStdString();
    if (options.output.empty()) options.error = "-o needs a file";
  }
  options.noBackup = parser.isSet(noBackup);
  if (options.noBackup && options.command != CtlCommand::Write) options.error = "--no-backup is for write";
  options.allUnits = parser.isSet(all);
  if (options.allUnits && options.command != CtlCommand::Backups) options.error = "--all is for backups";
  for (const auto& [option, file] : {std::pair{&csv, &options.csv}, std::pair{&vcd, &options.vcd}}) {
    if (!parser.isSet(*option)) continue;
    *file = parser.value(*option).toStdString();
    const std::string name = "--" + option->names().first().toStdString();
    if (options.command != CtlCommand::Monitor) options.error = name + " is for monitor";
    if (file->empty()) options.error = name + " needs a file";
  }
  if (!options.csv.empty() && options.csv == options.vcd) options.error = "--csv and --vcd need two files";
  if (parser.isSet(duration)) {
    bool ok = false;
    const double seconds = parser.value(duration).toDouble(&ok);  // a dot, whatever the locale
    if (options.command != CtlCommand::Monitor) options.error = "--duration is for monitor";
    if (!ok || !(seconds > 0) || seconds > kLongestMonitorSeconds)
      options.error = "--duration must be 0.001 to " + std::to_string(kLongestMonitorSeconds) + " seconds";
    else
      options.durationMs = std::max<int64_t>(1, static_cast<int64_t>(seconds * 1000));
  }
  return options;
}
