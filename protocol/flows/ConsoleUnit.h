#pragma once
#include "link/Async.h"
#include "link/UniUSB.h"
#include "protocol/Exchange.h"
#include "protocol/SettingsModel.h"
#include "protocol/UnitProtocol.h"
#include "protocol/flows/UnitFlows.h"

#include <functional>
#include <string>

// The unit without a window, for the command-line tool and the window's series: the flows run
// over an exchange whose logs go nowhere, controls kept in a settings model, and nothing to enable
// or monitor.
class ConsoleUnit : public UnitHost, public ExchangeHost {
 public:
  // Where its exchanges go: lines of its own, which Open opens (several units at once), or the
  // link the window has open (UseOpenLink), which it never closes.
  enum class Line { Own, Window };
  explicit ConsoleUnit(BackupStore backups, Line line = Line::Own);
  // On the window's open link (Line::Window): of this kind, each reply awaited this long.
  void UseOpenLink(LinkKind kind, uint32_t replyTimeoutMs);
  // The line made ready for the next unit, quietly: a serial line opened again as it was (an
  // adapter moved to the next unit may have gone and come back unseen), a USB converter that went
  // away opened again by its serial number.
  void ReopenForNextUnit();
  // The line hung up or went away (a converter unplugged): it is opened again by the name it was
  // opened by, a USB converter by its serial number; quiet. True when the line is there now.
  bool ReopenIfGone();

  // Opens the port: "COM1" … "COM8", a device path, "usb" (the first FTDI device) or
  // "usb:DESCRIPTION". False with the reason (a sentence for the operator) when it did not open.
  bool Open(const std::string& port, int32_t baud, uint32_t replyTimeoutMs, std::string& reason);
  void Close();

  const Identity& LastIdentity() const { return identity_; }
  // Where its USB converter's handle is kept (for FastUsbReplies).
  const FT_HANDLE& UsbHandle() const { return usbLink_.Handle(); }
  CommandExchange& Exchange() { return exchange_; }
  SettingsModel& Model() { return model_; }
  // Told when a reply did not come.
  std::function<void()> onFailure;
  // Told when a script that only asks was out of step twice running (noise on the line).
  std::function<void()> onOutOfStep;

  // UnitHost
  UnitState& State() override { return state_; }
  ExchangeResult RunCommandScript() override;
  ExchangeResult RunScript(const std::vector<std::string>& script) override { return exchange_.Run(script); }
  void WatchAfterScripts(bool watch) override { exchange_.SetWatchAfterScript(watch); }
  std::string ReplyLine(std::size_t n) override { return exchange_.Reply(n); }
  SettingsControls& Controls() override { return model_; }
  const BackupStore& Backups() override { return backups_; }
  // Nobody to ask: the model's settings go as they are (the command-line tool writes files through
  // WriteAndVerify, not through the window's save).
  std::optional<UnitSettings> ChooseWrites(const UnitSettings& window, const UnitSettings&) override {
    return window;
  }
  void UnitHolds(const UnitSettings&, bool) override {}
  void Wrote(const UnitSettings&) override {}
  void ShowIdentity(const Identity& identity) override { identity_ = identity; }
  void ShowNoUnit() override { identity_ = {}; }
  void SetOutputControlsEnabled(bool) override {}
  void DisableMpgControls() override {}
  void EnableMpgControls() override {}
  void ApplyMpgUsage() override {}
  void SetIdentifying(bool) override {}
  bool IdentifyingAfterUsbFailure() override { return false; }
  bool MonitorPageShown() override { return false; }
  void PauseMonitor() override {}
  void ResumeMonitor() override {}

  // ExchangeHost: no logs; a failed USB reply is not followed by another identification, so that
  // a silent unit costs one reply limit.
  std::string CommandPrefix() override { return kUnitPrefix; }
  LinkKind CurrentLinkKind() override { return kind_; }
  void LogsCleared() override {}
  void ScriptShown(const std::vector<std::string>&) override {}
  void LogsWritten(const std::vector<std::string>&, const std::vector<std::string>&) override {}
  void ExchangeTimed(long long) override {}
  void LogsToEnd() override {}
  void IdentifyAfterUsbFailure() override {}
  void ReportFailure() override;
  void ReportOutOfStep() override;

 private:
  BackupStore backups_;
  UnitState state_;
  SettingsModel model_;
  // Lines of its own: several units may be reached at once, each on its thread.
  SerialLink serialLink_;
  SerialLink& OwnOrWindowLine() { return line_ == Line::Own ? serialLink_ : TheSerialLink(); }
  UsbLink usbLink_;
  Line line_;
  SerialTransport serial_;
  UsbTransport usb_;
  CommandExchange exchange_;
  LinkKind kind_ = LinkKind::Serial;
  Identity identity_;
};
