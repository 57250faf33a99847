#include "protocol/CtlArguments.h"

#include "link/Speeds.h"

#include <QCommandLineParser>

#include <algorithm>
#include <iterator>

namespace {

// "19200, 38400, …": the speeds as --baud takes them.
std::string SpeedList() {
  std::string list;
  for (const int32_t speed : kLinkSpeeds) list += (list.empty() ? "" : ", ") + std::to_string(speed);
  return list;
}

struct Command {
  const char* name;
  int files;    // positional FILE arguments it takes
  bool output;  // takes -o FILE
};
constexpr Command kCommands[] = {
    {"ports", 0, false},   {"scan", 0, false},    {"identify", 0, false}, {"read", 0, true},
    {"write", 1, false},   {"diff", 1, false},    {"defaults", 0, true},  {"reset", 0, false},
    {"monitor", 0, false}, {"backups", 0, false},
};

}  // namespace

std::string CtlHelpText() {
  // Within 79 columns: a Windows console is 80 wide and wraps at the 80th.
  return R"(Usage: vorkactl [--port P] [--baud N] [--timeout MS] COMMAND

The VORKA unit from a terminal and from scripts.

Commands:
  ports               the COM names with what is behind them (device, maker,
                      product, serial number, USB id), the other ports present
                      by their own name, and the FTDI devices
                        vorkactl ports
  scan                asks every port with a device and every FTDI device for
                      a unit, at --baud first, then at the other speeds; one
                      line per unit: port, speed, identifier, firmware (exit 3
                      when none answers)
                        vorkactl scan
  identify            identifier, firmware, MPG yes/no
                        vorkactl --port COM3 identify
  read [-o FILE]      all settings into a settings file (standard output
                      without -o or with -o -), as the unit holds them; a value
                      the window cannot show as ? (0,07)
                        vorkactl read -o machine1.vorka
  write FILE          the file's settings (- is standard input) into the unit,
                      then read back and verify; first the unit's settings are
                      kept as a backup (see backups; --no-backup: not); Ctrl-C
                      stops after the register in flight
                        vorkactl write machine1.vorka
  diff FILE           the settings that differ between the unit and FILE
                      (- is standard input)
                        vorkactl diff machine1.vorka && echo unchanged
  defaults [-o FILE]  the factory settings as a settings file (no unit needed)
                        vorkactl defaults -o factory.vorka
  reset               restart the unit
                        vorkactl reset
  monitor             the inputs: one line per change, with a time stamp,
                      until interrupted
                        vorkactl --port /dev/ttyUSB0 monitor
  backups [--all]     the backups kept before every write, newest first: time,
                      unit, firmware, path; of the unit on --port, or with
                      --all of every unit
                        vorkactl backups --all
                      put one back with: vorkactl write PATH

Options:
  --port P       COM1 ... COM8 (mapped as the window maps them), another port
                 by its name (COM12, /dev/ttyUSB9), usb (the first FTDI
                 device) or usb:DESCRIPTION; default COM1
  --baud N       19200, 38400, 57600, 115200, 230400, 460800 or 921000;
                 default 115200
  --timeout MS   the limit for each reply in milliseconds; default 1000
  -o FILE        where read and defaults write the settings file
  --no-backup    write: keep no backup of the unit first
  --all          backups: of every unit
  -h, --help     this text (also: vorkactl help)
  --version      the program and its version

Exit codes:
  0  ok
  1  differences (diff)
  2  usage
  3  no port or no unit
  4  refused or not verified
  5  file error
  130  interrupted (write)

Messages go to standard error, data to standard output.
)";
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
  parser.addOptions({port, baud, timeout, output, help, noBackup, all, version});
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
  options.command = positional.first().toStdString();
  const Command* command = nullptr;
  for (const Command& c : kCommands)
    if (options.command == c.name) command = &c;
  if (!command) {
    options.error = "unknown command \"" + options.command + "\"";
    return options;
  }
  if (positional.size() - 1 != command->files) {
    options.error = options.command + (command->files ? " takes one FILE" : " takes no argument");
    return options;
  }
  if (command->files) {
    options.file = positional.at(1).toStdString();
    if (options.file.empty()) options.error = options.command + " takes one FILE";
  }
  if (parser.isSet(output)) {
    if (!command->output) options.error = "-o is for read and defaults";
    options.output = parser.value(output).toStdString();
    if (options.output.empty()) options.error = "-o needs a file";
  }
  options.noBackup = parser.isSet(noBackup);
  if (options.noBackup && options.command != "write") options.error = "--no-backup is for write";
  options.allUnits = parser.isSet(all);
  if (options.allUnits && options.command != "backups") options.error = "--all is for backups";
  return options;
}
