#pragma once
#include "link/Speeds.h"
#include "protocol/UnitProtocol.h"

#include <QStringList>

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

// vorkactl's commands, in the order its help lists them.
// Count stays last: the tables of commands and of their handlers are checked against it, so that a
// command added without its row or its handler does not compile.
enum class CtlCommand {
  Ports,
  Scan,
  Identify,
  Read,
  Report,
  Write,
  Series,
  Diff,
  Defaults,
  Reset,
  Monitor,
  Backups,
  Count
};
inline constexpr std::size_t kCtlCommandCount = static_cast<std::size_t>(CtlCommand::Count);
struct CtlCommandInfo {
  CtlCommand command;
  const char* name;
  const char* arguments;  // as the help writes them after the name: "[-o FILE]"
  int files;              // positional FILE arguments it takes
  bool severalPorts;      // --port may be given more than once, each unit on its own line
  const char* help;       // its paragraph in the help: lines, the example indented by two
};
std::span<const CtlCommandInfo> CtlCommands();

// vorkactl's options, in the order its help lists them: the parser, the help, the completion and
// the manual page all follow this table.
// Count stays last: the options table is checked against it, so that an option added without its
// row does not compile.
enum class CtlOption {
  Port,
  Baud,
  Timeout,
  Output,
  Records,
  NoBackup,
  DryRun,
  All,
  Csv,
  Vcd,
  Duration,
  LostAfter,
  Fast,
  Field,
  Help,
  Version,
  Count
};
inline constexpr std::size_t kCtlOptionCount = static_cast<std::size_t>(CtlOption::Count);
struct CtlOptionInfo {
  CtlOption option;
  const char* longName;                  // "port"; every option has one
  const char* shortName;                 // "o", or nullptr
  const char* value;                     // what it takes ("FILE"), nullptr for a switch
  const char* heading;                   // as the help names it: "--port P", "-o FILE", "-h, --help"
  std::span<const CtlCommand> commands;  // the commands it is for; empty: any
  const char* help;                      // its text in the help; the defaults are added to it
};
std::span<const CtlOptionInfo> CtlOptionTable();
// The long names of the options the command line's parser takes, as it lists them itself.
std::vector<std::string> CtlParserOptionNames();

// The command line of vorkactl.
struct CtlOptions {
  CtlCommand command = CtlCommand::Ports;  // when error is empty
  std::string port = "COM1";
  std::vector<std::string> ports;  // every --port given, in order; the first is `port`
  int32_t baud = kStartupSpeed;
  uint32_t timeoutMs = kReplyTimeoutMs;
  std::string file;            // write, diff
  std::string output;          // read, defaults, report: -o FILE (a folder with several ports)
  std::string records;         // series: the folder of the records
  bool noBackup = false;       // write: no backup of the unit first (a script that keeps its own)
  bool dryRun = false;         // write: say what would change, write nothing
  bool allUnits = false;       // backups: of every unit, not the one on --port
  std::string csv, vcd;        // monitor: recordings ("-" standard output)
  int64_t durationMs = 0;      // monitor: how long, 0 until interrupted
  int64_t lostAfterMs = 5000;  // monitor: silence that ends it
  bool fast = false;           // monitor: polls back to back
  // report, series: the record's fields (name, text), in the order given.
  std::vector<std::pair<std::string, std::string>> fields;
  bool help = false;     // --help, -h, or the command "help"
  bool version = false;  // --version
  std::string error;     // what is wrong with the command line; empty when it is usable
};

// The arguments after the program name are read; a usage error is told in error.
CtlOptions ParseCtlArguments(const QStringList& arguments);
// A file's path as the command line gives it, for Qt's file classes: on Windows without the
// long-path prefix (\\?\C:\Stroje\stroj3.vorka is C:\Stroje\stroj3.vorka), which they do not take;
// elsewhere unchanged.
std::string PathArgument(const QString& text);

std::string CtlHelpText();

// Exit codes, and what each means in the help.
enum CtlExit {
  kExitOk = 0,
  kExitDifferences = 1,
  kExitUsage = 2,
  kExitNoUnit = 3,
  kExitRefused = 4,
  kExitFile = 5,
  kExitOutOfStep = 6,
  kExitInternal = 70,     // a fault of the program's own, named (sysexits' EX_SOFTWARE)
  kExitInterrupted = 130  // Ctrl-C or SIGTERM, as a shell reports a signal's end
};
struct CtlExitInfo {
  int code;
  const char* meaning;
};
std::span<const CtlExitInfo> CtlExitCodes();
