#include "protocol/ConsoleUnit.h"

#include "link/Async.h"
#include "link/PortNames.h"
#include "link/UniUSB.h"

ConsoleUnit::ConsoleUnit() : exchange_(*this, serial_) { exchange_.SetUsbTransport(&usb_); }

bool ConsoleUnit::Open(const std::string& port, int32_t baud, uint32_t replyTimeoutMs, std::string& reason) {
  exchange_.SetReplyTimeoutMs(replyTimeoutMs);
  if (port == "usb" || port.starts_with("usb:")) {
    kind_ = LinkKind::Usb;
    std::string description = port.size() > 4 ? port.substr(4) : std::string();
    if (description.empty()) {
      GetFTDeviceCount();
      if (FTDeviceCount == 0) {
        reason = "no FTDI device found";
        return false;
      }
      GetFTDeviceDescription(0);
      description = FTDeviceDescription;
    }
    state_.portOpen = Open_USB(description, static_cast<uint32_t>(baud));
    if (!state_.portOpen) {
      reason = "the FTDI device \"" + description + "\" did not open";
      return false;
    }
    Reset_USB();
    Purge_USB();
    SetTimeouts_USB(replyTimeoutMs, replyTimeoutMs);
    return true;
  }
  kind_ = LinkKind::Serial;
  const QString device = PortNames::DeviceFor(QString::fromStdString(port));
  if (device.isEmpty()) {
    reason = "no serial device behind " + port;
    return false;
  }
  state_.portOpen = ComOpen(port, baud, 'n', 8, 1.0f);
  if (!state_.portOpen) reason = device.toStdString() + " did not open (missing, not permitted, or in use)";
  return state_.portOpen;
}

void ConsoleUnit::Close() {
  if (!state_.portOpen) return;
  if (kind_ == LinkKind::Usb)
    Close_USB();
  else
    ComClose();
  state_.portOpen = false;
}

ExchangeResult ConsoleUnit::RunCommandScript() {
  return exchange_.Run(ScriptFor(state_.commandMode, model_, state_.mpgCapable));
}

void ConsoleUnit::ReportFailure() {
  state_.unitPresent = false;
  if (onFailure) onFailure();
}
