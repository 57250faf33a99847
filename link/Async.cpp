#include "link/Async.h"

#include "link/PortNames.h"
#include "link/SerialLine.h"

#include <QThread>

#include <chrono>
#include <memory>
#include <optional>
#include <utility>

namespace {

constexpr std::size_t kMaxLine = 255;
constexpr std::size_t kChunk = 256;
// A write normally completes at once; the bound only keeps a wedged driver from freezing the window.
constexpr int kWriteBoundMs = 5000;

std::unique_ptr<SerialLine> g_line;
std::string g_device;
std::optional<OpenFailure> g_openFailure;
// What the last read brought beyond its reply's CR: a second line, a line feed.
std::string g_beyondReply;

}  // namespace

std::optional<OpenFailure> ComOpenFailure() { return g_openFailure; }

bool ComOpen(const std::string& portName, int32_t baudRate, char parity, uint8_t dataBits, float stopBits) {
  g_line.reset();
  g_device.clear();
  g_openFailure.reset();
  const QString device = PortNames::DeviceFor(QString::fromStdString(portName));
  if (device.isEmpty()) {
    g_openFailure = ClassifyOpenFailure(portName, {}, ENOENT);
    return false;
  }
  OpenFailure failure;
  auto line = OpenSerialLine(portName, device.toStdString(), failure);
  if (!line) {
    g_openFailure = failure;
    return false;
  }
  line->Configure(baudRate, dataBits, parity, stopBits);
  g_line = std::move(line);
  g_device = device.toStdString();
  return true;
}

void ComClose() {
  g_line.reset();
  g_device.clear();
  g_beyondReply.clear();
}

void ComSendLine(const std::string& line) {
  g_beyondReply.clear();
  if (!g_line) return;
  g_line->ReadWaiting(kChunk);  // stale input, such as the rest of an earlier reply
  std::string framed = line + '\r';
  if (framed.size() > kMaxLine) framed.resize(kMaxLine);
  g_line->Write(framed, kWriteBoundMs);  // a failed write is not detected: the reply will not come
}

bool ComReceiveLine(uint32_t timeLimitMs, std::string& reply, std::size_t capacity) {
  using Clock = std::chrono::steady_clock;
  reply.clear();
  const auto start = Clock::now();
  const std::size_t limit = std::min(kMaxLine, capacity);
  // The device is read once the bounded wait below says there is something; that wait also sees a
  // reply that is complete already (a limit of 0 still waits one millisecond for it).
  bool readable = false;
  for (;;) {
    const std::string bytes = readable && g_line ? g_line->ReadWaiting(kChunk) : std::string();
    reply.append(bytes, 0, bytes.find('\0'));
    if (reply.size() > limit) reply.resize(limit);

    const auto elapsedMs =
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
    if (static_cast<long long>(timeLimitMs) < elapsedMs) break;
    if (!reply.empty() && reply.find('\r') != std::string::npos) break;

    // Wait for the next bytes instead of spinning, but never past the limit: a reply is still
    // seen the moment it arrives, and a silent unit costs no processor time.
    const int remaining = static_cast<int>(static_cast<long long>(timeLimitMs) - elapsedMs + 1);
    if (!g_line) {
      // No port at all waits out the limit as a silent line does.
      QThread::msleep(static_cast<unsigned long>(remaining));
      break;
    }
    const SerialLine::Wait wait = g_line->WaitForBytes(std::chrono::milliseconds(remaining));
    // A device that hung up or failed ends the wait at once, as a reply that did not come.
    if (wait == SerialLine::Wait::Failed) break;
    readable = wait == SerialLine::Wait::Readable;
  }
  const auto cr = reply.find('\r');
  if (cr == std::string::npos) return false;
  g_beyondReply = reply.substr(cr + 1);
  reply.resize(cr);
  return true;
}

std::string ComTakeWaiting(std::chrono::microseconds wait) {
  std::string bytes = std::exchange(g_beyondReply, {});
  if (!g_line) return bytes;
  if (bytes.empty() && wait > wait.zero() && g_line->WaitForBytes(wait) != SerialLine::Wait::Readable)
    return bytes;
  // Bounded, so that a line that never stops sending cannot hold the caller.
  constexpr int kMaxChunks = 64;
  for (int chunk = 0; chunk < kMaxChunks; ++chunk) {
    const std::string more = g_line->ReadWaiting(kChunk);
    if (more.empty()) break;
    bytes += more;
  }
  return bytes;
}

std::string ComDevice() { return g_device; }
