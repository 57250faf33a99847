#include "link/Async.h"

#include "link/PortNames.h"
#include "link/SerialLine.h"

#include <QThread>

#include <algorithm>
#include <chrono>
#include <limits>
#include <memory>
#include <optional>
#include <utility>

namespace {

constexpr std::size_t kMaxLine = 255;
constexpr std::size_t kChunk = 256;
// A write normally completes at once; the bound only keeps a wedged driver from freezing the window.
constexpr int kWriteBoundMs = 5000;
// How often a wait that may be abandoned looks whether it was.
constexpr int kAbandonLookMs = 10;

}  // namespace

SerialLink::SerialLink() = default;
SerialLink::~SerialLink() = default;

SerialLink& TheSerialLink() {
  static SerialLink link;
  return link;
}

bool ComOpen(const std::string& portName, int32_t baudRate, char parity, uint8_t dataBits, float stopBits) {
  return TheSerialLink().Open(portName, baudRate, parity, dataBits, stopBits);
}
std::optional<OpenFailure> ComOpenFailure() { return TheSerialLink().LastOpenFailure(); }
void ComClose() { TheSerialLink().Close(); }
void ComSendLine(const std::string& line) { TheSerialLink().SendLine(line); }
bool ComReceiveLine(uint32_t timeLimitMs, std::string& reply, std::size_t capacity) {
  return TheSerialLink().ReceiveLine(timeLimitMs, reply, capacity);
}
std::string ComTakeWaiting(std::chrono::microseconds wait) { return TheSerialLink().TakeWaiting(wait); }
std::string ComDevice() { return TheSerialLink().Device(); }

bool SerialLink::Open(const std::string& portName, int32_t baudRate, char parity, uint8_t dataBits,
                      float stopBits) {
  line_.reset();
  device_.clear();
  openFailure_.reset();
  beyondReply_.clear();
  gone_ = false;
  opened_ = Setup{portName, baudRate, parity, dataBits, stopBits};
  const QString device = PortNames::DeviceFor(QString::fromStdString(portName));
  if (device.isEmpty()) {
    openFailure_ = ClassifyOpenFailure(portName, {}, ENOENT);
    return false;
  }
  OpenFailure failure;
  auto line = OpenSerialLine(portName, device.toStdString(), failure);
  if (!line) {
    openFailure_ = failure;
    return false;
  }
  line->Configure(baudRate, dataBits, parity, stopBits);
  line_ = std::move(line);
  device_ = device.toStdString();
  return true;
}

void SerialLink::Close() {
  line_.reset();
  device_.clear();
  beyondReply_.clear();
  gone_ = false;
}

bool SerialLink::Reopen() {
  if (!opened_) return false;
  const Setup setup = *opened_;
  // Still not there: the line stays gone, and is asked for again.
  const bool back = Open(setup.portName, setup.baudRate, setup.parity, setup.dataBits, setup.stopBits);
  gone_ = !back;
  return back;
}

void SerialLink::SendLine(const std::string& line) {
  beyondReply_.clear();
  if (!line_) return;
  line_->ReadWaiting(kChunk);  // stale input, such as the rest of an earlier reply
  std::string framed = line + '\r';
  if (framed.size() > kMaxLine) framed.resize(kMaxLine);
  line_->Write(framed, kWriteBoundMs);  // a failed write is not detected: the reply will not come
}

bool SerialLink::ReceiveLine(uint32_t timeLimitMs, std::string& reply, std::size_t capacity,
                             const std::atomic<bool>* abandon) {
  using Clock = std::chrono::steady_clock;
  reply.clear();
  const auto start = Clock::now();
  const std::size_t limit = std::min(kMaxLine, capacity);
  // The device is read once the bounded wait below says there is something; that wait also sees a
  // reply that is complete already (a limit of 0 still waits one millisecond for it).
  bool readable = false;
  for (;;) {
    // Every byte, a NUL among them: what it says is the exchange's to judge, and what follows a NUL
    // is as much the line's as what precedes it.
    reply += readable && line_ ? line_->ReadWaiting(kChunk) : std::string();
    if (reply.size() > limit) reply.resize(limit);

    const auto elapsedMs =
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
    if (static_cast<long long>(timeLimitMs) < elapsedMs) break;
    if (!reply.empty() && reply.find('\r') != std::string::npos) break;

    // Wait for the next bytes instead of spinning, but never past the limit: a reply is still
    // seen the moment it arrives, and a silent unit costs no processor time. A wait that may be
    // abandoned looks at its flag a hundred times a second.
    if (abandon && abandon->load()) break;
    const int remaining = std::min(static_cast<int>(static_cast<long long>(timeLimitMs) - elapsedMs + 1),
                                   abandon ? kAbandonLookMs : std::numeric_limits<int>::max());
    if (!line_) {
      // No port at all waits out the limit as a silent line does.
      QThread::msleep(static_cast<unsigned long>(remaining));
      if (abandon) continue;
      break;
    }
    const SerialLine::Wait wait = line_->WaitForBytes(std::chrono::milliseconds(remaining));
    // A device that hung up or failed ends the wait at once, as a reply that did not come.
    if (wait == SerialLine::Wait::Failed) {
      gone_ = true;
      break;
    }
    readable = wait == SerialLine::Wait::Readable;
  }
  const auto cr = reply.find('\r');
  if (cr == std::string::npos) return false;
  beyondReply_ = reply.substr(cr + 1);
  reply.resize(cr);
  return true;
}

std::string SerialLink::TakeWaiting(std::chrono::microseconds wait) {
  std::string bytes = std::exchange(beyondReply_, {});
  if (!line_) return bytes;
  if (bytes.empty() && wait > wait.zero()) {
    const SerialLine::Wait waited = line_->WaitForBytes(wait);
    gone_ = gone_ || waited == SerialLine::Wait::Failed;
    if (waited != SerialLine::Wait::Readable) return bytes;
  }
  // Bounded, so that a line that never stops sending cannot hold the caller.
  constexpr int kMaxChunks = 64;
  for (int chunk = 0; chunk < kMaxChunks; ++chunk) {
    const std::string more = line_->ReadWaiting(kChunk);
    if (more.empty()) break;
    bytes += more;
  }
  return bytes;
}
