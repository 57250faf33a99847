// vorkactl: the VORKA unit from a terminal and from scripts, on the same flows as the window.
#include "common/ProgramEnd.h"
#include "common/Version.h"
#include "common/Wording.h"
#include "link/PortNames.h"
#include "link/UniUSB.h"
#include "protocol/CtlArguments.h"
#include "protocol/InputTimeline.h"
#include "protocol/SamplingPace.h"
#include "protocol/UnitScan.h"
#include "protocol/flows/ConsoleUnit.h"
#include "protocol/flows/InputRecording.h"
#include "protocol/flows/UnitRecord.h"
#include "protocol/flows/UnitSeries.h"
#include "protocol/flows/WriteAndVerify.h"
#include "protocol/settings/Backups.h"
#include "protocol/settings/Settings.h"
#include "record/RecordFile.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QGuiApplication>
#include <QThread>

#include <array>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <unistd.h>
#endif
#ifdef Q_OS_WIN
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#endif

namespace {

const std::string kToolName = std::string("vorkactl ") + kProgramVersion;

std::atomic<bool> g_interrupted{false};
// The first failed write to standard output (an errno), 0 while every write went through.
int g_outputError = 0;

// One unit among several (--port given more than once), on a thread of its own: its messages name
// its port, its data waits until every unit is done and goes out in the order of the ports.
struct PortRun {
  std::string port;
  std::size_t index = 0;  // among the ports given
  std::string data;
};
thread_local PortRun* t_run = nullptr;
std::mutex g_errorLock;

// The units of several ports whose files are named by their identifiers: each says which unit it
// found, and none reads until all have said, so that two units with one identifier never share a
// file (the second written over the first).
class RollCall {
 public:
  explicit RollCall(std::vector<std::string> ports) : ports_(std::move(ports)), found_(ports_.size()) {}
  // The ports whose units answered with `unitId` (empty: none found at the port-th port), in the
  // order they were given, once every port has said; this one among them.
  std::vector<std::string> Answer(std::size_t port, const std::string& unitId) {
    std::unique_lock lock(mutex_);
    found_[port] = unitId;
    ++arrived_;
    everyone_.notify_all();
    everyone_.wait(lock, [this] { return arrived_ == ports_.size(); });
    std::vector<std::string> same;
    for (std::size_t p = 0; p < ports_.size(); ++p)
      if (!unitId.empty() && found_[p] == unitId) same.push_back(ports_[p]);
    return same;
  }

 private:
  std::mutex mutex_;
  std::condition_variable everyone_;
  const std::vector<std::string> ports_;
  std::vector<std::string> found_;  // the identifier each port's unit answered with
  std::size_t arrived_ = 0;
};
RollCall* g_rollCall = nullptr;  // set while read or report runs on several ports

// A line on standard error, whole even when several units speak at once.
#ifdef Q_OS_WIN
// A console shows text in its code page, whichever the program set: Czech letters reach it whole
// only as UTF-16 through WriteConsoleW. True when `stream` is a console and took all of `text`.
bool WroteToConsole(FILE* stream, const std::string& text) {
  const HANDLE handle = GetStdHandle(stream == stdout ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE);
  DWORD mode = 0;
  if (text.empty() || !GetConsoleMode(handle, &mode)) return false;
  const int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  if (length <= 0) return false;
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
  std::fflush(stream);  // what went before through the C library first
  for (std::size_t at = 0; at < wide.size();) {
    DWORD written = 0;
    if (!WriteConsoleW(handle, wide.data() + at, static_cast<DWORD>(wide.size() - at), &written, nullptr) ||
        written == 0)
      return false;
    at += written;
  }
  return true;
}
#else
bool WroteToConsole(FILE*, const std::string&) { return false; }
#endif

void Note(const std::string& line) {
  const std::lock_guard lock(g_errorLock);
  if (!WroteToConsole(stderr, line + "\n")) std::fprintf(stderr, "%s\n", line.c_str());
}
void Say(const std::string& text) {
  Note("vorkactl: " + (t_run ? t_run->port + ": " : std::string()) + text);
}

const std::string kOutOfStepSaid = Words(Said::RepliesOutOfStep, Language::English);

// "1 register", "2 registers".
std::string Counted(std::size_t n, const std::string& noun) {
  return std::to_string(n) + " " + noun + (n == 1 ? "" : "s");
}

// Data to standard output, each write checked: a full disk or a closed descriptor must not end in
// an empty backup and exit 0.
void Print(const std::string& text) {
  if (t_run) {
    t_run->data += text;
    return;
  }
  if (g_outputError || WroteToConsole(stdout, text)) return;
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
// the unit's and the files' names, are UTF-8: a console is written in UTF-16 (WroteToConsole), and
// switched to UTF-8 while the program runs for what reaches it otherwise. Files and pipes get the
// same bytes as on Linux: LF, not the C library's CRLF.
void SpeakUtf8ToTheConsole() {
#ifdef Q_OS_WIN
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
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
#ifdef SIGHUP
  // The terminal closed (an ssh session dropped): a recording still ends whole.
  std::signal(SIGHUP, [](int) { g_interrupted = true; });
#endif
}

BackupStore UsersBackups() { return BackupStore(BackupStore::DefaultFolder()); }

// The unit reached through the chosen port and identified; otherwise `failure` holds the exit code
// and the reason has been told.
struct UnitConnection {
  ConsoleUnit unit{UsersBackups()};
  int failure = kExitOk;
  // Replies came out of step twice running: nothing of that exchange was used.
  bool outOfStep = false;

  explicit UnitConnection(const CtlOptions& options) {
    Connect(options);
    // Read or report on several ports: a unit whose identifier another port's unit has too is not
    // read, for their files would be one.
    if (!t_run || !g_rollCall) return;
    const std::vector<std::string> ports =
        g_rollCall->Answer(t_run->index, failure ? std::string() : unit.LastIdentity().id);
    if (ports.size() < 2) return;
    failure = kExitRefused;
    // Said once, by the first of them, naming them all.
    if (ports.front() != options.port) return;
    std::string named;
    for (const std::string& port : ports) named += (named.empty() ? "" : ", ") + port;
    Say(std::to_string(ports.size()) + " units answer as " + unit.LastIdentity().id + " (" + named +
        "): their files would be one, so none of them was read");
  }
  void Connect(const CtlOptions& options) {
    std::string reason;
    if (!unit.Open(options.port, options.baud, options.timeoutMs, reason)) {
      Say(reason);
      failure = kExitNoUnit;
      return;
    }
    unit.onOutOfStep = [this] {
      Say(kOutOfStepSaid);
      outOfStep = true;
    };
    IdentifyUnit(unit);  // a silent unit is told once, below
    unit.onFailure = [] { Say("the unit did not answer"); };
    if (outOfStep) {
      failure = kExitOutOfStep;
      return;
    }
    if (!unit.State().unitPresent) {
      Say("no VORKA unit answers on " + options.port + " at " + std::to_string(options.baud) +
          " Bd; try another --baud, or find it with vorkactl scan");
      failure = kExitNoUnit;
    }
  }
  ~UnitConnection() { unit.Close(); }
  UnitConnection(const UnitConnection&) = delete;
  UnitConnection& operator=(const UnitConnection&) = delete;

  bool Mpg() { return unit.State().mpgCapable; }

  // The unit as it holds its settings, each value of its own named; nothing when it did not
  // answer (the exit code is in `failure`).
  std::optional<HeldRead> ReadHeld() {
    auto read = ReadAsHeld(unit);
    if (!read) {
      failure = outOfStep ? kExitOutOfStep : kExitNoUnit;
      return std::nullopt;
    }
    for (const Register* reg : read->ownValues)
      Say("the unit holds \"" + ShownText(ReplyOfRegister(*reg, read->replies)) + "\" in " + reg->read +
          " (" + Names(SettingsOfRegister(*reg)) + "), which the window cannot show; kept as it is");
    return read;
  }

  // The record of what the unit holds, the model's input names beside its settings.
  UnitRecord Record(const UnitSettings& held, const CtlOptions& options) {
    UnitRecord record = NewRecord(unit.LastIdentity(), held, kToolName);
    for (int row = 1; row <= kInputRows; ++row)
      record.held.Set("Jmeno." + std::to_string(kInputOfRow[row - 1]), unit.Model().InputName(row));
    for (const auto& [name, text] : options.fields) SetRecordField(record, name, text);
    return record;
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

int Ports(const CtlOptions&) {
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
  UnitConnection c(options);
  if (c.failure) return c.failure;
  const Identity& id = c.unit.LastIdentity();
  const std::string mpg = c.Mpg() ? "yes" : "no";
  if (t_run)  // one line per port
    Print(id.id + "\t" + id.version + "\tmpg " + mpg + "\n");
  else
    Print("identifier: " + id.id + "\nfirmware: " + id.version + "\nmpg: " + mpg + "\n");
  return kExitOk;
}

// Where one of several units' files goes: -o names the folder, the unit's identifier the file;
// the path is the port's line of data.
int WriteOutToFolder(const std::string& bytes, const std::string& folder, const std::string& unitId,
                     const std::string& suffix) {
  const std::string path = QDir(QString::fromStdString(folder))
                               .filePath(QString::fromStdString(UnitFileName(unitId, suffix)))
                               .toStdString();
  const int code = WriteOut(bytes, path);
  if (code == kExitOk) Print(QDir::toNativeSeparators(QString::fromStdString(path)).toStdString() + "\n");
  return code;
}

int Read(const CtlOptions& options) {
  UnitConnection c(options);
  if (c.failure) return c.failure;
  // As the unit holds its settings, uncorrected: what diff compares, a write verifies and a backup keeps.
  const auto read = c.ReadHeld();
  if (!read) return c.failure;
  const std::string text = WriteSettingsText(read->held, c.Header());
  if (t_run) return WriteOutToFolder(text, options.output, c.unit.LastIdentity().id, ".vorka");
  return WriteOut(text, options.output);
}

// A record's pages need a font: without one a PDF would hold bars, not text. Told before any unit
// is asked.
// Qt's fonts are shared by every thread: the units of several ports are read side by side, their
// records laid out one at a time.
std::mutex& PagesLock() {
  static std::mutex lock;
  return lock;
}

bool FontsForPages() {
  // Looked for once, whichever port's thread comes first.
  static const bool found = [] {
    const std::lock_guard lock(PagesLock());
    return RecordFontsFound();
  }();
  if (found) return true;
  Say("no font was found to lay out a record's pages in, so its PDF would hold no text; nothing was asked "
      "of the unit");
  return false;
}

int Report(const CtlOptions& options) {
  const std::string target = options.output.empty() ? "-" : options.output;
  const std::optional<RecordFormat> format = t_run ? RecordFormat::Pdf : RecordFormatOf(target);
  if (!format) {
    Say("-o " + target + ": a record is written as .pdf, .html or .txt");
    return kExitUsage;
  }
  if (*format == RecordFormat::Pdf && !FontsForPages()) return kExitFile;
  UnitConnection c(options);
  if (c.failure) return c.failure;
  const auto read = c.ReadHeld();
  if (!read) return c.failure;
  std::string bytes;
  {
    const std::lock_guard lock(PagesLock());
    bytes = RecordBytes(c.Record(read->held, options), *format);
  }
  if (t_run) return WriteOutToFolder(bytes, options.output, c.unit.LastIdentity().id, ".pdf");
  return WriteOut(bytes, target);
}

int Defaults(const CtlOptions& options) {
  return WriteOut(WriteSettingsText(FactoryUnitSettings(), {"", "", "", kToolName}), options.output);
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

// What a write did, in one line on standard error, or into `said` when one is given; its exit code.
// The exit code of a write's outcome.
int WriteExitCode(const WriteReport& report) {
  using Outcome = WriteReport::Outcome;
  switch (report.outcome) {
    case Outcome::Verified: return kExitOk;
    case Outcome::DryRun: return report.changes.empty() ? kExitOk : kExitDifferences;
    case Outcome::NoMpgFirmware:
    case Outcome::TooLong:
    case Outcome::Refused:
    case Outcome::NotVerified:
    case Outcome::NotWritten: return kExitRefused;
    case Outcome::ReadFailed:
    case Outcome::ReadBackFailed: return report.outOfStep ? kExitOutOfStep : kExitNoUnit;
    case Outcome::UnitStopped: return kExitNoUnit;
    case Outcome::BackupFailed: return kExitFile;
    case Outcome::NotStarted:
    case Outcome::Interrupted:
    case Outcome::NotChecked: return kExitInterrupted;
    case Outcome::OutOfStep: return kExitOutOfStep;
  }
  return kExitRefused;
}

int ReportWrite(const WriteReport& report, std::string* said = nullptr) {
  if (report.outcome != WriteReport::Outcome::DryRun) {
    const std::string text = WriteReportText(
        report, {Language::English, Names, Counted(report.planned, "register"),
                 QDir::toNativeSeparators(QString::fromStdString(report.backupPath)).toStdString()});
    if (said)
      *said = text;
    else
      Say(text);
  }
  return WriteExitCode(report);
}

// Only the registers that hold the file's settings are written; exit 0 means exactly the file's
// settings are in the unit, as read back.
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
  UnitConnection c(options);
  if (c.failure) return c.failure;
  // Told with the outcome, with how far the write got.
  c.unit.onFailure = nullptr;
  c.unit.onOutOfStep = nullptr;
  c.unit.Exchange().SetInterruption(&g_interrupted);
  // Each setting the write changes, as one line; data of a dry run, a note beside a write.
  const auto planned = [&](const std::vector<SettingDifference>& changes) {
    NoticeAnotherUnit(fileHeader, c.unit.LastIdentity());
    for (const SettingDifference& d : changes) {
      const std::string line =
          d.def->name + ": " + ShownText(d.left.value_or("-")) + " -> " + ShownText(d.right.value_or("-"));
      if (options.dryRun)
        Print(line + "\n");
      else
        Note((t_run ? t_run->port + ": " : std::string()) + line);
    }
  };
  WriteRequest request{file, options.noBackup ? nullptr : &c.unit.Backups(), &g_interrupted, planned,
                       options.dryRun};
  return ReportWrite(WriteAndVerify(c.unit, request));
}

// Waits a second for the next try, or less when Ctrl-C comes.
void PauseBetweenTries() {
  for (int step = 0; step < 10 && !g_interrupted; ++step)
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
}

// One settings file into one unit after another on one port, each backed up, written, verified
// and recorded; the list of the units done is kept beside the records.
int Series(const CtlOptions& options) {
  UnitSettings file;
  if (const int code = LoadFile(options.file, file)) return code;
  UnitSeries series(file);
  series.SetRecordFields(options.fields);
  if (series.Empty()) {
    Say(options.file + ": the file holds only input names, which the unit does not keep; nothing to write");
    return kExitFile;
  }
  if (!FontsForPages()) return kExitFile;
  const QDir records(QString::fromStdString(options.records));
  if (!records.mkpath(QStringLiteral("."))) {
    Say("cannot make the folder " + options.records);
    return kExitFile;
  }
  const std::string listPath = records.filePath(QStringLiteral("series.txt")).toStdString();
  std::string list = "# vorkactl series: " + options.file + " on " + options.port + "\n";
  NoteInterruptions();
  Say("waiting for a unit on " + options.port + "; Ctrl-C ends the series");
  int code = kExitOk;
  bool listKept = true;
  while (!g_interrupted) {
    // Opened for each try: a port that is not there (an adapter moved to the next unit) is
    // tried again in a second.
    ConsoleUnit unit(UsersBackups());
    std::string reason;
    unit.Open(options.port, options.baud, options.timeoutMs, reason);
    const UnitSeries::Try done = series.Next(unit, &g_interrupted, kToolName);
    unit.Close();
    if (done.kind != UnitSeries::Try::Kind::Written) {
      if (done.kind == UnitSeries::Try::Kind::LeftAlone && done.firstSeen)
        Say(done.unit.id + (done.failedHere
                                ? " failed (see its line): connect the next unit, or this one again to "
                                  "try it again"
                                : " is done already and holds the file: connect the next unit"));
      PauseBetweenTries();
      continue;
    }
    std::string said;
    int outcome = ReportWrite(done.report, &said);
    if (outcome != kExitOk) {
      said.insert(0, "failed: ");
    } else if (done.write.result !=
               RecordedWrite::Result::Verified) {  // the reading after it found otherwise
      said = "failed: verified, but the unit's reading for its record found other values";
      outcome = kExitRefused;
    }
    if (done.repeatsId) said += "; its identifier was done before, on a unit that held other values";
    const std::string recordPath = records.filePath(QString::fromStdString(done.recordName)).toStdString();
    if (!done.record) {
      said += "; no record: the unit did not answer its reading";
      outcome = std::max(outcome, int{kExitNoUnit});
    } else if (const FileFault fault =
                   SaveRecord(*done.record, RecordFormat::Pdf, recordPath, FileTarget::AnyFile)) {
      said += "; the record cannot be written: " + EnglishText(fault);
      outcome = std::max(outcome, int{kExitFile});
    } else {
      said += "; record " + QDir::toNativeSeparators(QString::fromStdString(recordPath)).toStdString();
    }
    // The series' code is its worst unit's.
    code = std::max(code, outcome);
    const std::string line = done.unit.id + "\t" + done.unit.version + "\t" + done.when + "\t" + said + "\n";
    Print(line);
    list += line;
    if (const FileFault fault = SaveSettingsFile(listPath, list, FileTarget::AnyFile)) {
      Say("cannot write " + listPath + ": " + EnglishText(fault));
      code = std::max(code, int{kExitFile});
      listKept = false;
      break;
    }
    if (done.interrupted) {
      code = kExitInterrupted;
      break;
    }
  }
  const std::string ended = SeriesEndText(series.Units(), Language::English);
  Say(ended);
  // The list ends as the series did, once a unit was listed.
  if (listKept && list.find('\n') + 1 < list.size()) {
    list += "# " + ended + "\n";
    if (const FileFault fault = SaveSettingsFile(listPath, list, FileTarget::AnyFile)) {
      Say("cannot write " + listPath + ": " + EnglishText(fault));
      code = std::max(code, int{kExitFile});
    }
  }
  return code;
}

int Diff(const CtlOptions& options) {
  UnitSettings file;
  if (const int code = LoadFile(options.file, file)) return code;
  const UnitSettings wanted = WithoutInputNames(file);
  UnitConnection c(options);
  if (c.failure) return c.failure;
  const auto read = c.ReadHeld();
  if (!read) return c.failure;
  // As the unit holds them, uncorrected; a value the window cannot show is a value of its own.
  // A line per setting: the file's value, then the unit's.
  const auto differences = Changes(wanted, read->held);
  for (const SettingDifference& d : differences)
    Print(d.def->name + "\t" + d.right.value_or("-") + "\t" + d.left.value_or("-") + "\n");
  return differences.empty() ? kExitOk : kExitDifferences;
}

int Reset(const CtlOptions& options) {
  UnitConnection c(options);
  if (c.failure) return c.failure;
  c.unit.onFailure = nullptr;  // a restarting unit does not answer
  if (const ResetReport report = SendReset(c.unit); report.refused) {
    Say("the unit refused the reset: it answered \"" + ShownText(report.reply) + "\"");
    return kExitRefused;
  }
  Say("reset sent; the unit restarts");
  return kExitOk;
}

// A recording's file as the messages name it.
std::string RecordingName(const std::string& path) { return path == "-" ? "standard output" : path; }

// The recordings monitor was asked for, open; nothing when one could not be opened (told).
struct Recordings {
  std::vector<std::pair<std::string, std::unique_ptr<InputRecording>>> files;  // path, recording
  bool toStandardOutput = false;
};
// Where a file not there yet will be written: the absolute path, a symbolic link to a file not there
// followed, "." and ".." resolved.
std::filesystem::path WhereWritten(const std::string& name) {
  namespace fs = std::filesystem;
  std::error_code error;
  fs::path path = fs::absolute(name, error);
  for (int hops = 0; hops < 40 && fs::is_symlink(path, error); ++hops) {
    const fs::path target = fs::read_symlink(path, error);
    if (error) break;
    path = target.is_absolute() ? target : path.parent_path() / target;
  }
  return fs::weakly_canonical(path, error).lexically_normal();
}

// Two names of one file: the same file, or where one does not exist yet the same place.
bool SameFile(const std::string& a, const std::string& b) {
  namespace fs = std::filesystem;
  std::error_code error;
  if (fs::exists(a, error) && fs::exists(b, error)) return fs::equivalent(a, b, error);
  return WhereWritten(a) == WhereWritten(b);
}

std::optional<Recordings> OpenRecordings(const CtlOptions& options, const RecordingHeader& header) {
  if (!options.csv.empty() && !options.vcd.empty() && options.csv != "-" && options.vcd != "-" &&
      SameFile(options.csv, options.vcd)) {
    Say("--csv " + options.csv + " and --vcd " + options.vcd + " are one file: give two");
    return std::nullopt;
  }
  Recordings recordings;
  for (const auto& [path, format] :
       {std::pair{options.csv, RecordingFormat::Csv}, std::pair{options.vcd, RecordingFormat::Vcd}}) {
    if (path.empty()) continue;
    auto recording = std::make_unique<InputRecording>(format, header);
    if (const FileFault fault = recording->Open(path)) {
      Say("cannot write " + RecordingName(path) + ": " + EnglishText(fault));
      return std::nullopt;
    }
    recordings.toStandardOutput = recordings.toStandardOutput || path == "-";
    recordings.files.emplace_back(path, std::move(recording));
  }
  return recordings;
}

int Monitor(const CtlOptions& options) {
  UnitConnection c(options);
  if (c.failure) return c.failure;
  if (!c.Mpg()) {
    Say("the unit has no MPG firmware: its inputs are not read");
    return kExitRefused;
  }
  // A lost unit is told below, once.
  c.unit.onFailure = nullptr;
  c.unit.onOutOfStep = [&c] { c.outOfStep = true; };
  RecordingHeader header{
      c.unit.LastIdentity().id,
      c.unit.LastIdentity().version,
      kToolName,
      QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")).toStdString(),
      {}};
  for (int row = 1; row <= kInputRows; ++row)
    header.names[static_cast<std::size_t>(row - 1)] = c.unit.Model().InputName(row);
  std::optional<Recordings> recordings = OpenRecordings(options, header);
  if (!recordings) return kExitFile;
  NoteInterruptions();
  const auto start = std::chrono::steady_clock::now();
  const auto elapsedMs = [&] {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start)
        .count();
  };
  int code = kExitOk;
  std::optional<uint16_t> last;
  const auto stopped = [&] {
    return g_interrupted || g_outputError || code != kExitOk ||
           (options.durationMs > 0 && elapsedMs() >= options.durationMs);
  };
  bool inGap = false;
  const auto stamp = [] {
    return QTime::currentTime().toString(QStringLiteral("HH:mm:ss.zzz")).toStdString();
  };
  const bool lines = !recordings->toStandardOutput;
  // The lines wait for the first line, which says the period measured.
  bool paced = false;
  std::string held;
  const auto line = [&](const std::string& text) {
    if (!lines) return;
    if (paced)
      Print(text);
    else
      held += text;
  };
  const auto forEachRecording = [&](const std::function<FileFault(InputRecording&)>& write) {
    for (auto& [path, recording] : recordings->files)
      if (const FileFault fault = write(*recording)) {
        Say("cannot write " + RecordingName(path) + ": " + EnglishText(fault) +
            "; the recording stopped, what it holds is whole");
        code = kExitFile;
      }
  };
  PollEvents events;
  // Which inputs change faster than they are sampled (no edges kept: only the judgement is used).
  InputTimeline timeline = InputTimeline::CountsOnly();
  std::array<bool, kInputRows> toldFaster{};
  std::optional<double> periodMs;
  // A gap in the recordings and the lines, and the polling goes on.
  events.gap = [&](std::chrono::steady_clock::time_point from, GapCause cause) {
    inGap = true;
    const int64_t ms = std::chrono::duration_cast<std::chrono::milliseconds>(from - start).count();
    timeline.Lost(ms, cause);
    forEachRecording([&](InputRecording& r) { return r.Lost(ms, InputRecording::AfterLoss::GoesOn, cause); });
    if (cause == GapCause::NoReply)
      line(stamp() + " no reply: the inputs are not known from here\n");
    else
      line(stamp() + " no polls for " + PeriodText(static_cast<double>(elapsedMs() - ms), '.') +
           " ms: the inputs are not known in between\n");
  };
  events.seen = [&](std::chrono::steady_clock::time_point asked, uint16_t word) {
    const int64_t ms = std::chrono::duration_cast<std::chrono::milliseconds>(asked - start).count();
    forEachRecording([&](InputRecording& r) { return r.Sample(ms, word); });
    if (inGap && last) line(stamp() + " the unit answers again\n");
    inGap = false;
    // Every input's level once at the start (a wire that never changes shows too), then changes.
    if (!last || *last != word) {
      const std::string now = stamp();
      for (int row = 1; row <= kInputRows; ++row) {
        const int bit = kInputOfRow[row - 1];
        const int level = (word >> bit) & 1;
        if (last && ((*last >> bit) & 1) == level) continue;
        const std::string name = c.unit.Model().InputName(row);
        const std::string input =
            now + " input " + std::to_string(bit) + (name.empty() || name == "-" ? "" : " (" + name + ")");
        line(input + " " + (last ? std::to_string((*last >> bit) & 1) + " -> " : std::string()) +
             std::to_string(level) + "\n");
      }
    }
    last = word;
    // Said once an input has changed faster than the polls see, with the period measured.
    timeline.Sample(ms, word);
    for (int row = 1; row <= kInputRows && periodMs; ++row) {
      if (!timeline.CountIsLeast(row) || toldFaster[static_cast<std::size_t>(row - 1)]) continue;
      toldFaster[static_cast<std::size_t>(row - 1)] = true;
      const int bit = kInputOfRow[row - 1];
      line(stamp() + " input " + std::to_string(bit) + " changes faster than it is sampled (every " +
           PeriodText(*periodMs, '.') + " ms): its counts are a lower bound\n");
      forEachRecording([&](InputRecording& r) { return r.FasterThanSampling(ms, bit, *periodMs); });
    }
  };
  events.paced = [&](double measuredMs) {
    periodMs = measuredMs;
    forEachRecording([&](InputRecording& r) { return r.Paced(elapsedMs(), measuredMs); });
    if (!lines) return;
    if (!paced) {
      Print("sampling every " + PeriodText(measuredMs, '.') + " ms" +
            (options.fast ? " (back to back)" : "") + "\n" + std::exchange(held, {}));
      paced = true;
    } else {
      Print(stamp() + " sampling now every " + PeriodText(measuredMs, '.') + " ms\n");
    }
  };
  // A converter unplugged and plugged back is the same unit: polling goes on, the gap marked.
  events.reopen = [&c] { c.unit.ReopenIfGone(); };
  PollPace pace;
  pace.lostAfter = std::chrono::milliseconds(options.lostAfterMs);
  if (options.fast) pace.period = std::chrono::milliseconds(0);
  std::optional<FastUsbReplies> fastUsb;
  if (options.fast) fastUsb.emplace(c.unit.UsbHandle());
  const PollEnd end = PollInputs(c.unit, pace, stopped, events);
  // Too short a while to measure the period: the lines without it.
  if (lines && !paced) Print(std::exchange(held, {}));
  if (end == PollEnd::UnitLost) {
    // The recordings end complete up to the loss, and say so.
    for (auto& [path, recording] : recordings->files)
      if (const FileFault fault = recording->Lost(elapsedMs()); fault && code == kExitOk)
        Say("cannot write " + RecordingName(path) + ": " + EnglishText(fault));
    if (c.outOfStep) {
      Say(kOutOfStepSaid + "; the monitor stopped");
      return kExitOutOfStep;
    }
    Say("the unit was lost");
    return kExitNoUnit;
  }
  for (auto& [path, recording] : recordings->files)
    if (const FileFault fault = recording->Close(elapsedMs()); fault && code == kExitOk) {
      Say("cannot write " + RecordingName(path) + ": " + EnglishText(fault));
      code = kExitFile;
    }
  return code;
}

// The backups of the unit on the port, or of every unit; newest first, the damaged ones and those of
// another unit in a unit's folder named.
int Backups(const CtlOptions& options) {
  std::string unitId;
  if (!options.allUnits) {
    UnitConnection c(options);
    if (c.failure) return c.failure;
    unitId = c.unit.LastIdentity().id;
  }
  for (const Backup& backup : UsersBackups().List(unitId))
    Print((backup.takenAt.empty() ? "-" : backup.takenAt) + "\t" + backup.unitId + "\t" +
          (backup.damaged     ? std::string("damaged: does not load")
           : backup.otherUnit ? "another unit: " + backup.unitId + ", in the folder of " + backup.folderUnit
                              : backup.unitVersion) +
          "\t" + QDir::toNativeSeparators(QString::fromStdString(backup.path)).toStdString() + "\n");
  return kExitOk;
}

// Each command's handler, in the order of the commands: none missing, none falling through.
struct CommandHandler {
  CtlCommand command;
  int (*run)(const CtlOptions&);
};
constexpr CommandHandler kHandlers[] = {
    {CtlCommand::Ports, Ports},   {CtlCommand::Scan, Scan},       {CtlCommand::Identify, Identify},
    {CtlCommand::Read, Read},     {CtlCommand::Report, Report},   {CtlCommand::Write, Write},
    {CtlCommand::Series, Series}, {CtlCommand::Diff, Diff},       {CtlCommand::Defaults, Defaults},
    {CtlCommand::Reset, Reset},   {CtlCommand::Monitor, Monitor}, {CtlCommand::Backups, Backups},
};
constexpr bool EveryCommandHandled() {
  for (std::size_t i = 0; i < std::size(kHandlers); ++i)
    if (static_cast<std::size_t>(kHandlers[i].command) != i) return false;
  return std::size(kHandlers) == kCtlCommandCount;
}
static_assert(EveryCommandHandled());

// A command's run; a fault of the program's own is named, and what the command had open (a
// recording) is closed on the way out.
int RunCaught(int (*run)(const CtlOptions&), const CtlOptions& options) {
  try {
    return run(options);
  } catch (const std::exception& e) {
    Say(std::string("internal error: ") + e.what());
    return kExitInternal;
  }
}

// Each port's unit on a thread and a line of its own; the exit code is the worst of them.
int RunOnEachPort(const CtlOptions& options, int (*run)(const CtlOptions&)) {
  if ((options.command == CtlCommand::Read || options.command == CtlCommand::Report) &&
      !QDir().mkpath(QString::fromStdString(options.output))) {
    Say("cannot make the folder " + options.output);
    return kExitFile;
  }
  std::vector<PortRun> runs;
  for (const std::string& port : options.ports) runs.push_back({port, runs.size(), {}});
  // Files named by the unit's identifier: two units with one identifier must never share one.
  std::optional<RollCall> rollCall;
  if (options.command == CtlCommand::Read || options.command == CtlCommand::Report) {
    rollCall.emplace(options.ports);
    g_rollCall = &*rollCall;
  }
  std::vector<int> codes(runs.size(), kExitOk);
  // Each unit's result handed over under a lock of our own, which orders it before the reading
  // below in the sanitizer's eyes too (QThread::wait's own lock is inside Qt).
  std::mutex handedOver;
  // QThreads: the serial line's notifiers need a thread Qt knows.
  std::vector<std::unique_ptr<QThread>> threads;
  for (std::size_t i = 0; i < runs.size(); ++i) {
    threads.emplace_back(QThread::create([&, i] {
      t_run = &runs[i];
      CtlOptions one = options;
      one.port = runs[i].port;
      one.ports = {one.port};
      const int code = RunCaught(run, one);
      t_run = nullptr;
      const std::lock_guard lock(handedOver);
      codes[i] = code;
    }));
    threads.back()->start();
  }
  for (const auto& thread : threads) thread->wait();
  const std::lock_guard lock(handedOver);
  g_rollCall = nullptr;  // under the lock: after every thread's last look at it, to the sanitizer too
  for (const PortRun& r : runs)
    for (const QString& line : QString::fromStdString(r.data).split(QLatin1Char('\n'), Qt::SkipEmptyParts))
      Print(r.port + "\t" + line.toStdString() + "\n");
  return *std::max_element(codes.begin(), codes.end());
}

int Run(const CtlOptions& options) {
  const auto run = kHandlers[static_cast<std::size_t>(options.command)].run;
  if (options.ports.size() > 1) return RunOnEachPort(options, run);
  return RunCaught(run, options);
}

// Whether the command lays out pages (a record's PDF), which needs a QGuiApplication. Looked for
// before Qt reads the arguments; a word that only looks like the command costs a little time.
bool LaysOutPages(int argc, char** argv) {
  for (int i = 1; i < argc; ++i)
    if (std::strcmp(argv[i], "report") == 0 || std::strcmp(argv[i], "series") == 0) return true;
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  HoldClosedStandardDescriptors();
#ifdef Q_OS_UNIX
  // A reader that went away (`| head`) is a write that failed, not the end of the process: the
  // monitor then ends as Ctrl-C ends it, its recordings whole, and the failure is named.
  std::signal(SIGPIPE, SIG_IGN);
#endif
  SpeakUtf8ToTheConsole();
  // Pages are laid out without a display: the offscreen platform, unless one was chosen.
  std::unique_ptr<QCoreApplication> app;
  if (LaysOutPages(argc, argv)) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
#ifdef Q_OS_WIN
    // Offscreen on Windows, Qt reads its fonts from one folder, which the zip does not carry: the
    // system's own, unless one was chosen.
    if (qEnvironmentVariableIsEmpty("QT_QPA_FONTDIR")) {
      const QString windows = qEnvironmentVariable("WINDIR", qEnvironmentVariable("SystemRoot"));
      if (!windows.isEmpty())
        qputenv("QT_QPA_FONTDIR",
                QDir::toNativeSeparators(QDir(windows).filePath(QStringLiteral("Fonts"))).toLocal8Bit());
    }
#endif
    // Standard error is the tool's own, one line per failure: the platform's notes (no runtime
    // folder as root, say) are not for its users. Fatal messages still end the program.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& message) {
      if (type == QtCriticalMsg || type == QtFatalMsg) Note("vorkactl: " + message.toStdString());
    });
    app = std::make_unique<QGuiApplication>(argc, argv);
  } else {
    app = std::make_unique<QCoreApplication>(argc, argv);
  }
  // One line per failure: a failed open is told with its reason when the port is opened; other
  // library failures as they come.
  SetUsbErrorReporter([](UsbCall call, const std::string& message) {
    if (call != UsbCall::Open) Say(message);
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
  return ProgramEnd(FinishOutput(Run(options)));
}
