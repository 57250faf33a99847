#include "protocol/flows/ConsoleUnit.h"

#include "link/Async.h"
#include "link/UniUSB.h"

ConsoleUnit::ConsoleUnit(BackupStore backups, Line line)
    : backups_(std::move(backups)),
      line_(line),
      serial_(line == Line::Own ? serialLink_ : TheSerialLink()),
      usb_(line == Line::Own ? UsbTransport(usbLink_) : UsbTransport()),
      exchange_(*this, serial_) {
  exchange_.SetUsbTransport(&usb_);
}

void ConsoleUnit::UseOpenLink(LinkKind kind, uint32_t replyTimeoutMs) {
  kind_ = kind;
  state_.portOpen = true;
  exchange_.SetReplyTimeoutMs(replyTimeoutMs);
}

bool ConsoleUnit::Open(const std::string& port, int32_t baud, uint32_t replyTimeoutMs, std::string& reason) {
  exchange_.SetReplyTimeoutMs(replyTimeoutMs);
  if (port == "usb" || port.starts_with("usb:")) {
    kind_ = LinkKind::Usb;
    std::string description = port.size() > 4 ? port.substr(4) : std::string();
    if (!D2xx().Available()) {
      reason = EnglishText(UsbLibraryMissing());
      return false;
    }
    if (description.empty()) {
      const std::vector<FtdiDevice> devices = *ListFtdiDevices(FtdiListing::Reported);
      if (devices.empty()) {
        reason = "cannot open " + port + ": no FTDI device found";
        return false;
      }
      description = devices.front().description;
    }
    state_.portOpen = usbLink_.OpenPrepared(description, static_cast<uint32_t>(baud), replyTimeoutMs);
    // Its serial number finds the same converter again should it be unplugged and plugged back.
    if (state_.portOpen)
      if (const auto devices = ListFtdiDevices())
        for (const FtdiDevice& device : *devices)
          if (device.description == description.substr(0, std::min<std::size_t>(description.size(), 49))) {
            usbLink_.SetSerialNumber(device.serialNumber);
            break;
          }
    if (!state_.portOpen) {
      const auto failure = UsbOpenFailure();
      reason = "cannot open " + port + ": " +
               (failure ? EnglishText(*failure) : "the FTDI device \"" + description + "\" did not open");
    }
    return state_.portOpen;
  }
  kind_ = LinkKind::Serial;
  state_.portOpen = serialLink_.Open(port, baud, 'n', 8, 1.0f);
  if (!state_.portOpen) {
    const auto failure = serialLink_.LastOpenFailure();
    reason = failure ? EnglishText(*failure) : "cannot open " + port;
  }
  return state_.portOpen;
}

void ConsoleUnit::ReopenForNextUnit() {
  if (kind_ == LinkKind::Serial)
    OwnOrWindowLine().Reopen();
  else
    ReopenIfGone();
}

bool ConsoleUnit::ReopenIfGone() {
  if (!state_.portOpen) return false;
  return !exchange_.LineGone() || exchange_.ReopenLine();
}

void ConsoleUnit::Close() {
  if (!state_.portOpen) return;
  if (line_ == Line::Window) {  // the window's, which stays open
    state_.portOpen = false;
    return;
  }
  if (kind_ == LinkKind::Usb)
    usbLink_.Close();
  else
    serialLink_.Close();
  state_.portOpen = false;
}

ExchangeResult ConsoleUnit::RunCommandScript() {
  return exchange_.Run(ScriptFor(state_.commandMode, model_, state_.mpgCapable));
}

void ConsoleUnit::ReportFailure() {
  state_.unitPresent = false;
  if (onFailure) onFailure();
}

void ConsoleUnit::ReportOutOfStep() {
  state_.unitPresent = false;
  if (onOutOfStep) onOutOfStep();
}
