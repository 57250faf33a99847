// vorkactl: the VORKA unit from a terminal and from scripts, on the same flows as the window.
#include "entry/NumericFields.h"
#include "entry/Validation.h"
#include "link/PortNames.h"
#include "link/UniUSB.h"
#include "protocol/Backups.h"
#include "protocol/ConsoleUnit.h"
#include "protocol/CtlArguments.h"
#include "protocol/InputWord.h"
#include "protocol/MessageSeam.h"
#include "protocol/SettingsFile.h"
#include "protocol/UnitScan.h"
#include "protocol/Version.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <thread>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <unistd.h>
#endif
#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace {

const std::string kToolName = std::string("vorkactl ") + kProgramVersion;

std::atomic<bool> g_interrupted{false};
// The first failed write to standard output (an errno), 0 while every write went through.
int g_outputError = 0;
// The USB link's report of a failed open, told by the session in one line.
std::string g_usbOpenReport;

void Say(const std::string& text) { std::fprintf(stderr, "vorkactl: %s\n", text.c_str()); }

// Data to standard output, each write checked: a full disk or a closed descriptor must not end in
// an empty backup and exit 0.
void Print(const std::string& text) {
  if (g_outputError) return;
  errno = 0;
  if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size() || std::fflush(stdout) != 0)
    g_outputError = errno ? errno : EIO;
}

// A descriptor 0, 1 or 2 that the caller closed (">&-") is held by /dev/null, opened the wrong
// way round: the port opened later cannot take its number and receive our output, and a write to
// standard output fails as it should.
void HoldClosedStandardDescriptors() {
#ifdef Q_OS_UNIX
  for (int fd = 0; fd <= 2; ++fd)
    if (::fcntl(fd, F_GETFD) == -1 && errno == EBADF) ::open("/dev/null", fd == 0 ? O_WRONLY : O_RDONLY);
#endif
}

// A Windows console shows the code page it is set to (852 or 1250 on a Czech PC), and the texts,
// the unit's and the files' names, are UTF-8: a console is switched to UTF-8 while the program runs.
// Files and pipes get the same bytes as on Linux.
void SpeakUtf8ToTheConsole() {
#ifdef Q_OS_WIN
  const auto isConsole = [](DWORD which) {
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(which), &mode) != 0;
  };
  if (!isConsole(STD_OUTPUT_HANDLE) && !isConsole(STD_ERROR_HANDLE)) return;
  static const UINT before = GetConsoleOutputCP();
  if (before == CP_UTF8 || !SetConsoleOutputCP(CP_UTF8)) return;
  std::atexit([] { SetConsoleOutputCP(before); });
#endif
}

// The command's exit code, unless standard output failed on the way or at its close.
int FinishOutput(int code) {
  errno = 0;
  if (std::fflush(stdout) != 0 && !g_outputError) g_outputError = errno ? errno : EIO;
  errno = 0;
  if (std::fclose(stdout) != 0 && !g_outputError) g_outputError = errno ? errno : EIO;
  if (!g_outputError) return code;
  Say("cannot write to standard output: " + EnglishText(FileFault{FileFault::Kind::System, g_outputError}));
  return kExitFile;
}

std::string Names(const std::vector<const SettingDef*>& defs) {
  std::string names;
  for (const SettingDef* def : defs) names += (names.empty() ? "" : ", ") + def->name;
  return names;
}

// Ctrl-C and SIGTERM are noted, not obeyed at once: a write finishes the register in flight.
void NoteInterruptions() {
  std::signal(SIGINT, [](int) { g_interrupted = true; });
  std::signal(SIGTERM, [](int) { g_interrupted = true; });
}

// The unit reached through the chosen port, identified; nullptr-like failure with the exit code.
struct Session {
  ConsoleUnit unit;
  int failure = kExitOk;

  explicit Session(const CtlOptions& options) {
    std::string reason;
    g_usbOpenReport.clear();
    if (!unit.Open(options.port, options.baud, options.timeoutMs, reason)) {
      // The USB link's own report holds the reason on its second line.
      const auto newline = g_usbOpenReport.find('\n');
      Say(newline == std::string::npos
              ? reason
              : "cannot open " + options.port + ": " + g_usbOpenReport.substr(newline + 1));
      failure = kExitNoUnit;
      return;
    }
    IdentifyUnit(unit);  // a silent unit is told once, below
    unit.onFailure = [] { Say("the unit did not answer"); };
    if (!unit.State().unitPresent) {
      Say("no VORKA unit answers on " + options.port + " at " + std::to_string(options.baud) +
          " Bd; try another --baud, or find it with vorkactl scan");
      failure = kExitNoUnit;
    }
  }
  ~Session() { unit.Close(); }

  bool Mpg() { return unit.State().mpgCapable; }

  // Every register's reply; otherwise the exit code is in `failure` and the operator has been told.
  // A reply the program cannot read is a value of its own, named once here, never a reason to
  // refuse the rest: a unit with one bad register must stay repairable.
  std::optional<std::vector<std::string>> ReadRegisters(bool nameValuesOfTheirOwn = false) {
    auto replies = ReadAllRegisters(unit);
    if (!replies) {
      failure = kExitNoUnit;
      return std::nullopt;
    }
    if (nameValuesOfTheirOwn) {
      std::vector<const Register*> unknown;
      const UnitSettings held = SettingsAsHeld(*replies, Mpg());
      for (const auto& [name, value] : held.Values())
        if (const SettingDef* def = FindSetting(name);
            UnknownReply(value) && (unknown.empty() || unknown.back() != def->reg))
          unknown.push_back(def->reg);
      for (const Register* reg : unknown)
        Say("the unit holds \"" + ShownText(ReplyOfRegister(*reg, *replies)) + "\" in " + reg->read + " (" +
            Names(SettingsOfRegister(*reg)) + "), which the window cannot show; kept as it is");
    }
    return replies;
  }

  SettingsFileHeader Header() {
    const Identity& id = unit.LastIdentity();
    return {id.id, id.version,
            QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm")).toStdString(),
            kToolName};
  }
};

int WriteOut(const std::string& text, const std::string& path) {
  if (path.empty() || path == "-") {
    Print(text);
    return kExitOk;
  }
  if (const FileFault fault = SaveSettingsFile(path, text, FileTarget::AnyFile)) {
    Say("cannot write " + path + ": " + EnglishText(fault));
    return kExitFile;
  }
  return kExitOk;
}

// A settings file that loads, or the exit code with the reason told.
int LoadFile(const std::string& path, UnitSettings& settings, SettingsFileHeader* header = nullptr) {
  std::string text;
  if (const FileFault fault = LoadSettingsFile(path, text, FileTarget::AnyFile)) {
    Say("cannot read " + (path == "-" ? std::string("standard input") : path) + ": " + EnglishText(fault));
    return kExitFile;
  }
  // A backup may hold values of their own, which a write puts back as the unit held them.
  const SettingsFileLoad load = ParseSettingsText(text, SettingsReader::Unit);
  if (!load.settings) {
    Say(path + ": " + EnglishText(load.error));
    return kExitFile;
  }
  settings = *load.settings;
  if (header) *header = ParseSettingsHeader(text);
  return kExitOk;
}

int Ports() {
  // COM1 … COM8, then the ports no COM name reaches (Windows numbers USB adapters from COM9 up,
  // Linux may have more than eight) by their own name: --port takes it.
  for (const PortIdentity& identity : PortNames::PortIdentities()) {
    QStringList columns{identity.name, identity.device.isEmpty() ? QStringLiteral("-") : identity.device};
    const QString details = PortNames::IdentityDetails(identity);
    if (!identity.present)
      columns << QStringLiteral("no device");
    else if (!details.isEmpty())
      columns << details;
    Print(columns.join(QLatin1Char('\t')).toStdString() + "\n");
  }
  const std::optional<std::vector<FtdiDevice>> devices = ListFtdiDevices();
  if (!D2xx().Available())
    Say(EnglishText(UsbLibraryMissing()));
  else if (!devices)
    Say("the FTDI devices cannot be listed");
  const std::vector<FtdiDevice> listed = devices.value_or(std::vector<FtdiDevice>{});
  for (std::size_t i = 0; i < listed.size(); ++i) {
    const FtdiDevice& device = listed[i];
    const std::string number = "FTDI device " + std::to_string(i + 1);
    if (device.accessError) {  // its strings cannot be read: no name to give it, only the reason
      Print("usb:\t" + number + "\t" +
            EnglishText(ClassifyUsbOpenFailure(number, FT_DEVICE_NOT_OPENED, device.accessError)) + "\n");
      continue;
    }
    Print("usb:" + device.description + "\t" + number +
          (device.serialNumber.empty() ? std::string() : "\tSN " + device.serialNumber) + "\n");
  }
  return kExitOk;
}

// Every port with a device and every FTDI device, asked for a unit; one line per unit found.
int Scan(const CtlOptions& options) {
  std::vector<OpenFailure> unopened;
  const std::vector<ScanFound> found = ScanForUnits(ScanTargets({}), options.baud, &unopened);
  for (const OpenFailure& failure : unopened) Say(EnglishText(failure) + "; not searched");
  for (const ScanFound& f : found)
    Print((f.target.kind == ScanTarget::Kind::Usb ? "usb:" : "") + f.target.port + "\t" +
          std::to_string(f.baud) + "\t" + f.identity.id + "\t" + f.identity.version + "\n");
  if (found.empty()) Say("no VORKA unit answers on any port");
  return found.empty() ? kExitNoUnit : kExitOk;
}

int Identify(const CtlOptions& options) {
  Session s(options);
  if (s.failure) return s.failure;
  const Identity& id = s.unit.LastIdentity();
  Print("identifier: " + id.id + "\nfirmware: " + id.version + "\nmpg: " + (s.Mpg() ? "yes" : "no") + "\n");
  return kExitOk;
}

int Read(const CtlOptions& options) {
  Session s(options);
  if (s.failure) return s.failure;
  // As the unit holds its settings, uncorrected: what diff compares, a write verifies and a backup keeps.
  const auto replies = s.ReadRegisters(true);
  if (!replies) return s.failure;
  return WriteOut(WriteSettingsText(SettingsAsHeld(*replies, s.Mpg()), s.Header()), options.output);
}

int Defaults(const CtlOptions& options) {
  SettingsModel model;
  ApplyFactorySettings(model);
  ValidateNumericFields(static_cast<FieldTexts&>(model), {});
  return WriteOut(WriteSettingsText(WithoutInputNames(SettingsOf(model, true)), {"", "", "", kToolName}),
                  options.output);
}

// The file's settings that a register carries, or all of the register's when the file has none.
std::vector<const SettingDef*> SettingsNamed(const std::vector<const Register*>& registers,
                                             const UnitSettings& file) {
  std::vector<const SettingDef*> named;
  for (const Register* reg : registers) {
    std::vector<const SettingDef*> inFile, all = SettingsOfRegister(*reg);
    for (const SettingDef* def : all)
      if (file.Get(def->name)) inFile.push_back(def);
    for (const SettingDef* def : inFile.empty() ? all : inFile) named.push_back(def);
  }
  return named;
}

// The unit and firmware a file was taken from, said when they are not the connected ones.
void NoticeAnotherUnit(const SettingsFileHeader& file, const Identity& unit) {
  if (file.unitId.empty() || (file.unitId == unit.id && file.unitVersion == unit.version)) return;
  const auto named = [](const std::string& id, const std::string& version) {
    return id + (version.empty() ? std::string() : " (" + version + ")");
  };
  Say(std::string(file.takenUtc.empty() ? "the file was read from " : "the backup was taken from ") +
      named(file.unitId, file.unitVersion) + "; writing it into " + named(unit.id, unit.version));
}

// Only the registers that hold the file's settings are written; every other register, and every
// other bit of a shared one, keeps what the unit held. Exit 0 means exactly the file's settings
// are in the unit, as read back.
int Write(const CtlOptions& options) {
  UnitSettings file;
  SettingsFileHeader fileHeader;
  if (const int code = LoadFile(options.file, file, &fileHeader)) return code;
  file = WithoutInputNames(file);
  if (file.Empty()) {
    Say(options.file + ": the file holds only input names, which the unit does not keep; nothing was sent");
    return kExitFile;
  }
  NoteInterruptions();
  Session s(options);
  if (s.failure) return s.failure;
  if (!s.Mpg() && file.HasMpgSettings()) {
    Say("the file holds MPG settings and the unit has no MPG firmware; nothing was sent");
    return kExitRefused;
  }
  const auto before = s.ReadRegisters();
  if (!before) return s.failure;
  const WritePlan plan = PlanWrites(file, *before, s.Mpg());
  if (plan.tooLong) {
    Say("the value of " + Names(SettingsNamed({plan.tooLong}, file)) +
        " is too long for one line to the unit (" + std::to_string(CommandExchange::kMaxLine) +
        " characters with its command); nothing was sent");
    return kExitRefused;
  }
  NoticeAnotherUnit(fileHeader, s.unit.LastIdentity());
  // What the unit holds now is kept before anything is written over it.
  std::string backupPath;
  if (!options.noBackup) {
    const BackupOutcome backup = KeepBackupOfReplies(s.unit.LastIdentity(), *before, s.Mpg(), BackupStore());
    if (backup.fault) {
      Say("cannot keep a backup of the unit: " + EnglishText(backup.fault) + "; nothing was sent");
      return kExitFile;
    }
    backupPath = QDir::toNativeSeparators(QString::fromStdString(backup.path)).toStdString();
  }
  const std::string backupSaid =
      backupPath.empty() ? std::string() : "; its settings before are in " + backupPath;
  if (g_interrupted) {
    Say("interrupted before the first write; nothing was sent" + backupSaid);
    return kExitInterrupted;
  }
  s.unit.onFailure = nullptr;  // told below, with how far the writes got
  // One register at a time, so that an interruption stops between two of them.
  std::vector<std::string> replies;
  bool completed = true;
  for (const WriteLine& line : plan.writes) {
    if (g_interrupted) break;
    const ExchangeResult result = s.unit.RunScript({line.command});
    if (!result.completed) {
      completed = false;
      break;
    }
    replies.push_back(result.replies.front());
  }
  const std::vector<const Register*> refusedRegisters = RefusedWrites(plan.writes, replies);
  const std::string count = std::to_string(plan.writes.size());
  if (completed && replies.size() < plan.writes.size()) {
    Say("interrupted after " + std::to_string(replies.size()) + " of " + count +
        " writes; the unit may now hold part of the file" + backupSaid);
    return kExitInterrupted;
  }
  if (!completed) {
    const std::size_t acknowledged = replies.size() - refusedRegisters.size();
    Say("the unit stopped answering after acknowledging " + std::to_string(acknowledged) + " of " + count +
        " writes; it may now hold part of the file" + backupSaid);
    return kExitNoUnit;
  }
  if (!refusedRegisters.empty()) {
    Say("the unit refused: " + Names(SettingsNamed(refusedRegisters, file)) + backupSaid);
    return kExitRefused;
  }
  s.unit.onFailure = [] { Say("the unit did not answer the read-back"); };
  const auto after = s.ReadRegisters();
  if (!after) return kExitNoUnit;
  const std::vector<const Register*> unverified = UnverifiedRegisters(plan.writes, *before, *after, s.Mpg());
  if (!unverified.empty()) {
    Say("not verified, the unit holds other values for: " + Names(SettingsNamed(unverified, file)) +
        backupSaid);
    return kExitRefused;
  }
  // Registers left as they were: fine where the file asks for exactly what the unit holds.
  const UnitSettings held = SettingsAsHeld(*after, s.Mpg());
  std::vector<const Register*> notWritten;
  for (const Register* reg : plan.untouched)
    for (const SettingDef* def : SettingsNamed({reg}, file))
      if (!SameSettingValue(*def, *file.Get(def->name), held.Get(def->name).value_or("")) &&
          (notWritten.empty() || notWritten.back() != reg))
        notWritten.push_back(reg);
  if (!notWritten.empty()) {
    Say("written and verified: " + count + " registers; not written, as the unit's value cannot be read: " +
        Names(SettingsNamed(notWritten, file)) + backupSaid);
    return kExitRefused;
  }
  // A value of its own that the unit still holds, to the letter: as the file asks, but not written.
  const std::string left = plan.untouched.empty() ? std::string()
                                                  : "; left as the unit holds them, as the file asks: " +
                                                        Names(SettingsNamed(plan.untouched, file));
  Say("written and verified: " + count + " registers" + left +
      (backupPath.empty() ? std::string() : "; backup: " + backupPath));
  return kExitOk;
}

int Diff(const CtlOptions& options) {
  UnitSettings file;
  if (const int code = LoadFile(options.file, file)) return code;
  const UnitSettings wanted = WithoutInputNames(file);
  Session s(options);
  if (s.failure) return s.failure;
  const auto replies = s.ReadRegisters();
  if (!replies) return s.failure;
  // As the unit holds them, uncorrected; a value the window cannot show is a value of its own.
  const UnitSettings unit = SettingsAsHeld(*replies, s.Mpg());
  UnitSettings held;  // the unit's values of the settings the file names
  for (const auto& [name, value] : wanted.Values())
    if (const auto v = unit.Get(name)) held.Set(name, *v);
  const auto differences = Differences(wanted, held);
  for (const SettingDifference& d : differences)
    Print(d.def->name + "\t" + d.left.value_or("-") + "\t" + d.right.value_or("-") + "\n");
  return differences.empty() ? kExitOk : kExitDifferences;
}

int Reset(const CtlOptions& options) {
  Session s(options);
  if (s.failure) return s.failure;
  s.unit.onFailure = nullptr;  // a restarting unit does not answer
  s.unit.State().commandMode = "reset";
  const ExchangeResult result = s.unit.RunCommandScript();
  if (result.completed && !result.replies.front().starts_with("0")) {
    Say("the unit refused the reset: it answered \"" + ShownText(result.replies.front()) + "\"");
    return kExitRefused;
  }
  Say("reset sent; the unit restarts");
  return kExitOk;
}

int Monitor(const CtlOptions& options) {
  Session s(options);
  if (s.failure) return s.failure;
  if (!s.Mpg()) {
    Say("the unit has no MPG firmware: its inputs are not read");
    return kExitRefused;
  }
  s.unit.onFailure = nullptr;  // a lost unit is told below, once
  NoteInterruptions();
  std::optional<uint16_t> last;
  auto next = std::chrono::steady_clock::now();
  while (!g_interrupted) {
    s.unit.State().commandMode = "stav";
    if (!s.unit.RunCommandScript().completed) {
      if (g_interrupted) break;  // Ctrl-C while a reply was awaited
      Say("the unit was lost");
      return kExitNoUnit;
    }
    const uint16_t word = InputWordFromReplies(s.unit.ReplyLine(0), s.unit.ReplyLine(1));
    // Every input's level once at the start (a wire that never changes shows too), then changes.
    if (!last || *last != word) {
      const std::string stamp = QTime::currentTime().toString(QStringLiteral("HH:mm:ss.zzz")).toStdString();
      for (int row = 1; row <= kInputRows; ++row) {
        const int bit = kInputOfRow[row - 1];
        const int now = (word >> bit) & 1;
        if (last && ((*last >> bit) & 1) == now) continue;
        const std::string name = s.unit.Model().InputName(row);
        const std::string input =
            stamp + " input " + std::to_string(bit) + (name.empty() || name == "-" ? "" : " (" + name + ")");
        Print(input + " " + (last ? std::to_string((*last >> bit) & 1) + " -> " : std::string()) +
              std::to_string(now) + "\n");
      }
    }
    last = word;
    next += std::chrono::milliseconds(kMonitorPeriodMs);
    std::this_thread::sleep_until(next);
  }
  return kExitOk;
}

// The backups of the unit on the port, or of every unit; newest first.
int Backups(const CtlOptions& options) {
  std::string unitId;
  if (!options.allUnits) {
    Session s(options);
    if (s.failure) return s.failure;
    unitId = s.unit.LastIdentity().id;
  }
  for (const Backup& backup : BackupStore().List(unitId))
    Print(backup.takenAt + "\t" + backup.unitId + "\t" + backup.unitVersion + "\t" +
          QDir::toNativeSeparators(QString::fromStdString(backup.path)).toStdString() + "\n");
  return kExitOk;
}

int Run(const CtlOptions& options) {
  const std::string& c = options.command;
  if (c == "ports") return Ports();
  if (c == "scan") return Scan(options);
  if (c == "identify") return Identify(options);
  if (c == "read") return Read(options);
  if (c == "write") return Write(options);
  if (c == "diff") return Diff(options);
  if (c == "defaults") return Defaults(options);
  if (c == "reset") return Reset(options);
  if (c == "backups") return Backups(options);
  return Monitor(options);
}

}  // namespace

int main(int argc, char** argv) {
  HoldClosedStandardDescriptors();
  SpeakUtf8ToTheConsole();
  QCoreApplication app(argc, argv);
  // One line per failure: a failed open is told by the session with its reason; other library
  // failures as they come.
  SetUsbErrorReporter([](const std::string& message) {
    if (message.starts_with("Open_USB"))
      g_usbOpenReport = message;
    else
      Say(message);
  });
  SetUsbOpenHint([](const OpenFailure& failure) { return EnglishText(failure); });
  const CtlOptions options = ParseCtlArguments(QCoreApplication::arguments().mid(1));
  if (options.help) {
    Print(CtlHelpText());
    return FinishOutput(kExitOk);
  }
  if (options.version) {
    Print(kToolName + "\n");
    return FinishOutput(kExitOk);
  }
  if (!options.error.empty()) {
    Say(options.error + "; vorkactl --help lists the commands and options");
    return kExitUsage;
  }
  return FinishOutput(Run(options));
}
