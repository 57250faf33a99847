#pragma once
#include "link/OpenFailure.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

// A short-lived line to one port, for asking "is a unit here?" without touching the program's own
// link: its own handle, its own thread, short limits and a cancel flag checked every few
// milliseconds. The port is held exclusively while the probe lives.
class ProbeLink {
 public:
  virtual ~ProbeLink() = default;
  // Sets 8N1 at the speed and throws away what is waiting.
  virtual bool SetSpeed(int32_t baud) = 0;
  // Sends the line with CR and waits at most limitMs for a reply ending in CR; the reply comes
  // without it. False at the limit, on cancel, when the device failed, and for a reply longer than
  // the link takes (the program's own link would refuse it too).
  bool Ask(const std::string& line, int limitMs, std::string& reply, const std::atomic<bool>& cancel);
  // Drops what arrives until the line has been quiet for quietMs (at most maxMs): a reply that
  // came after its limit must not answer the next question.
  void Settle(int quietMs, int maxMs, const std::atomic<bool>& cancel);

 protected:
  virtual bool Send(const std::string& framed) = 0;
  // Appends what has arrived, waiting at most a few milliseconds for it; false when the device failed.
  virtual bool Take(std::string& bytes) = 0;
};

// The reply in what a probe has received so far: the text before the first CR, without the line
// feeds an earlier reply left in front of it; nothing while no CR has come.
inline std::optional<std::string> ReplyLineIn(const std::string& bytes) {
  const auto cr = bytes.find('\r');
  if (cr == std::string::npos) return std::nullopt;
  const auto begin = bytes.find_first_not_of('\n');
  return begin < cr ? bytes.substr(begin, cr - begin) : std::string();
}

// A serial device by its path (or Windows name); nullptr when it does not open, and why.
std::unique_ptr<ProbeLink> OpenSerialProbe(const std::string& portName, const std::string& device,
                                           OpenFailure& failure);
// An FTDI device by its serial number, through the D2XX calls, never taking it from the kernel's
// serial driver; nullptr when it does not open, and why.
std::unique_ptr<ProbeLink> OpenUsbProbe(const std::string& description, const std::string& serialNumber,
                                        OpenFailure& failure);
