// vorkactl: the VORKA unit from a terminal and from scripts, on the same flows as the window.
#include "entry/NumericFields.h"
#include "link/PortNames.h"
#include "link/UniUSB.h"
#include "protocol/ConsoleUnit.h"
#include "protocol/CtlArguments.h"
#include "protocol/InputWord.h"
#include "protocol/MessageSeam.h"
#include "protocol/SettingsFile.h"
#include "protocol/UnitScan.h"

#include <QCoreApplication>
#include <QDateTime>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <thread>

namespace {

std::atomic<bool> g_interrupted{false};

void Say(const std::string& text) { std::fprintf(stderr, "vorkactl: %s\n", text.c_str()); }

void Print(const std::string& text) {
  std::fwrite(text.data(), 1, text.size(), stdout);
  std::fflush(stdout);
}

// The unit reached through the chosen port, identified; nullptr-like failure with the exit code.
struct Session {
  ConsoleUnit unit;
  int failure = kExitOk;

  explicit Session(const CtlOptions& options) {
    unit.onFailure = [] { Say("the unit did not answer"); };
    std::string reason;
    if (!unit.Open(options.port, options.baud, options.timeoutMs, reason)) {
      Say(reason);
      failure = kExitNoUnit;
      return;
    }
    IdentifyUnit(unit);
    if (!unit.State().unitPresent) {
      Say("no VORKA unit answers on " + options.port);
      failure = kExitNoUnit;
    }
  }
  ~Session() { unit.Close(); }

  bool Mpg() { return unit.State().mpgCapable; }

  // Every register into a fresh model, corrected as the window's read corrects it; the values it
  // had to correct are told by name. False when the read did not complete.
  bool Read(SettingsModel& model, bool tellCorrections) {
    unit.State().commandMode = "read";
    const ExchangeResult result = unit.RunCommandScript();
    if (!result.completed) return false;
    try {
      DecodeReadReplies(result.replies, model, Mpg());
    } catch (const std::exception& e) {
      Say(std::string("the unit sent a value that is no number: ") + e.what());
      return false;
    }
    // A list or polarity value the window does not know leaves the control as it was: say so, or
    // the file would hold another value than the unit without a word.
    if (tellCorrections)
      for (std::size_t n = 0; n < result.replies.size() && n < RegisterTable().size(); ++n)
        if (!ReplyNamesAValue(RegisterTable()[n], result.replies[n]))
          Say(std::string("the unit answered \"") + result.replies[n] + "\" for " +
              RegisterTable()[n].control + ", which is none of its values; the file holds the default");
    std::map<std::string, std::string> before;
    for (const NumericField& field : kNumericFields) before[field.name] = model.Text(field.name);
    ValidateNumericFields(static_cast<FieldTexts&>(model), [](const std::string& message) { Say(message); });
    if (tellCorrections && Mpg())
      for (const NumericField& field : kNumericFields)
        if (model.Text(field.name) != before[field.name])
          Say(std::string("corrected ") + field.name + ": \"" + before[field.name] + "\" -> \"" +
              model.Text(field.name) + "\"");
    return true;
  }

  SettingsFileHeader Header() {
    const Identity& id = unit.LastIdentity();
    return {id.id, id.version,
            QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm")).toStdString(),
            "vorkactl 1.3"};
  }
};

int WriteOut(const std::string& text, const std::string& path) {
  if (path.empty()) {
    Print(text);
    return kExitOk;
  }
  if (const std::string reason = SaveSettingsFile(path, text); !reason.empty()) {
    Say("cannot write " + path + ": " + reason);
    return kExitFile;
  }
  return kExitOk;
}

// A settings file that loads, or the exit code with the reason told.
int LoadFile(const std::string& path, UnitSettings& settings) {
  std::string text;
  if (const std::string reason = LoadSettingsFile(path, text); !reason.empty()) {
    Say("cannot read " + path + ": " + reason);
    return kExitFile;
  }
  const SettingsFileLoad load = ParseSettingsText(text);
  if (!load.settings) {
    Say(path + ": " + EnglishText(load.error) + "; nothing was sent");
    return kExitFile;
  }
  settings = *load.settings;
  return kExitOk;
}

std::string Names(const std::vector<const SettingDef*>& defs) {
  std::string names;
  for (const SettingDef* def : defs) names += (names.empty() ? "" : ", ") + def->name;
  return names;
}

int Ports() {
  for (const PortIdentity& identity : PortNames::ComIdentities()) {
    QStringList columns{identity.name, identity.device.isEmpty() ? QStringLiteral("-") : identity.device};
    const QString details = PortNames::IdentityDetails(identity);
    if (!identity.present)
      columns << QStringLiteral("no device");
    else if (!details.isEmpty())
      columns << details;
    Print(columns.join(QLatin1Char('\t')).toStdString() + "\n");
  }
  GetFTDeviceCount();
  for (uint32_t i = 0; i < FTDeviceCount; ++i) {
    GetFTDeviceDescription(i);
    const std::string serialNumber = FTDeviceSerialNumber(i);
    Print("usb:" + FTDeviceDescription + "\tFTDI device " + std::to_string(i + 1) +
          (serialNumber.empty() ? std::string() : "\tSN " + serialNumber) + "\n");
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
  SettingsModel model;
  if (!s.Read(model, true)) return kExitNoUnit;
  return WriteOut(WriteSettingsText(WithoutInputNames(SettingsOf(model, s.Mpg())), s.Header()),
                  options.output);
}

int Defaults(const CtlOptions& options) {
  SettingsModel model;
  ApplyFactorySettings(model);
  ValidateNumericFields(static_cast<FieldTexts&>(model), {});
  return WriteOut(WriteSettingsText(WithoutInputNames(SettingsOf(model, true)), {"", "", "", "vorkactl 1.3"}),
                  options.output);
}

int Write(const CtlOptions& options) {
  UnitSettings file;
  if (const int code = LoadFile(options.file, file)) return code;
  file = WithoutInputNames(file);
  Session s(options);
  if (s.failure) return s.failure;
  if (!s.Mpg() && file.HasMpgSettings()) {
    Say("the file holds MPG settings and the unit has no MPG firmware; nothing was sent");
    return kExitRefused;
  }
  // Settings the file leaves out keep the unit's values.
  SettingsModel& model = s.unit.Model();
  if (!s.Read(model, true)) return kExitNoUnit;
  ApplySettings(file, model);
  if (!ValidateNumericFields(static_cast<FieldTexts&>(model), [](const std::string& m) { Say(m); })) {
    Say("nothing was sent");
    return kExitRefused;
  }
  const std::vector<WriteLine> lines = BuildWriteLines(model, s.Mpg());
  const ExchangeResult result = s.unit.RunScript(CommandsOf(lines));
  if (!result.completed) return kExitNoUnit;
  std::vector<const SettingDef*> refused;
  for (const Register* reg : RefusedWrites(lines, result.replies))
    for (const SettingDef& def : SettingDefs())
      if (def.reg == reg) refused.push_back(&def);
  if (!refused.empty()) {
    Say("the unit refused: " + Names(refused));
    return kExitRefused;
  }
  const UnitSettings sent = WithoutInputNames(SettingsOf(model, s.Mpg()));
  SettingsModel back;
  if (!s.Read(back, false)) return kExitNoUnit;
  std::vector<const SettingDef*> differ;
  for (const SettingDifference& d : Differences(sent, WithoutInputNames(SettingsOf(back, s.Mpg()))))
    differ.push_back(d.def);
  if (!differ.empty()) {
    Say("not verified, the unit holds other values for: " + Names(differ));
    return kExitRefused;
  }
  Say("written and verified: " + std::to_string(lines.size()) + " registers");
  return kExitOk;
}

int Diff(const CtlOptions& options) {
  UnitSettings file;
  if (const int code = LoadFile(options.file, file)) return code;
  Session s(options);
  if (s.failure) return s.failure;
  SettingsModel model;
  if (!s.Read(model, false)) return kExitNoUnit;
  const UnitSettings unit = SettingsOf(model, s.Mpg());
  const UnitSettings wanted = AsSaved(WithoutInputNames(file));
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
  s.unit.RunCommandScript();
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
  constexpr int kRowInputs[] = {0, 1, 2, 3, 4, 5, 6, 7, 14, 15};
  std::signal(SIGINT, [](int) { g_interrupted = true; });
  std::signal(SIGTERM, [](int) { g_interrupted = true; });
  std::optional<uint16_t> last;
  auto next = std::chrono::steady_clock::now();
  while (!g_interrupted) {
    s.unit.State().commandMode = "stav";
    if (!s.unit.RunCommandScript().completed) {
      Say("the unit was lost");
      return kExitNoUnit;
    }
    const uint16_t word = InputWordFromReplies(s.unit.ReplyLine(0), s.unit.ReplyLine(1));
    if (last && *last != word) {
      const std::string stamp = QTime::currentTime().toString(QStringLiteral("HH:mm:ss.zzz")).toStdString();
      for (int row = 1; row <= 10; ++row) {
        const int bit = kRowInputs[row - 1];
        const int was = (*last >> bit) & 1, now = (word >> bit) & 1;
        if (was == now) continue;
        const std::string name = s.unit.Model().InputName(row);
        Print(stamp + " input " + std::to_string(bit) +
              (name.empty() || name == "-" ? "" : " (" + name + ")") + " " + std::to_string(was) + " -> " +
              std::to_string(now) + "\n");
      }
    }
    last = word;
    next += std::chrono::milliseconds(40);
    std::this_thread::sleep_until(next);
  }
  return kExitOk;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  SetUsbErrorReporter([](const std::string& message) { Say(message); });
  SetUsbOpenHint([](const OpenFailure& failure) { return EnglishText(failure); });
  const CtlOptions options = ParseCtlArguments(QCoreApplication::arguments().mid(1));
  if (options.help) {
    Print(CtlHelpText());
    return kExitOk;
  }
  if (!options.error.empty()) {
    Say(options.error + " (vorkactl --help lists the commands)");
    return kExitUsage;
  }
  const std::string& c = options.command;
  if (c == "ports") return Ports();
  if (c == "scan") return Scan(options);
  if (c == "identify") return Identify(options);
  if (c == "read") return Read(options);
  if (c == "write") return Write(options);
  if (c == "diff") return Diff(options);
  if (c == "defaults") return Defaults(options);
  if (c == "reset") return Reset(options);
  return Monitor(options);
}
