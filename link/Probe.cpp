#include "link/Probe.h"

#include "link/D2xx.h"
#include "link/SerialLine.h"

#include <chrono>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;
// The longest single wait, so that a cancel is seen at once.
constexpr int kSliceMs = 10;

// The longest reply the program's link takes.
constexpr std::size_t kMaxReply = 255;

}  // namespace

bool ProbeLink::Ask(const std::string& line, int limitMs, std::string& reply,
                    const std::atomic<bool>& cancel) {
  reply.clear();
  std::string bytes;
  Take(bytes);  // what came after the last limit is no reply to this line
  bytes.clear();
  if (!Send(line + '\r')) return false;
  const auto deadline = Clock::now() + std::chrono::milliseconds(limitMs);
  while (!cancel && Clock::now() < deadline) {
    if (!Take(bytes)) return false;
    if (const auto found = ReplyLineIn(bytes)) {
      if (found->size() > kMaxReply) return false;
      // A second line behind the reply: the line is out of step, the reply may be another's.
      if (bytes.find_first_not_of('\n', bytes.find('\r') + 1) != std::string::npos) return false;
      reply = *found;
      return true;
    }
    if (bytes.size() > kMaxReply + 1) return false;
  }
  return false;
}

void ProbeLink::Settle(int quietMs, int maxMs, const std::atomic<bool>& cancel) {
  const auto end = Clock::now() + std::chrono::milliseconds(maxMs);
  auto quietSince = Clock::now();
  std::string bytes;
  while (!cancel && Clock::now() < end && Clock::now() - quietSince < std::chrono::milliseconds(quietMs)) {
    bytes.clear();
    if (!Take(bytes)) return;
    if (!bytes.empty()) quietSince = Clock::now();
  }
}

namespace {

class SerialProbe : public ProbeLink {
 public:
  explicit SerialProbe(std::unique_ptr<SerialLine> line) : line_(std::move(line)) {}

  bool SetSpeed(int32_t baud) override {
    line_->Configure(baud, 8, 'n', 1.0f);
    line_->Purge();
    return true;
  }

 protected:
  bool Send(const std::string& framed) override { return line_->Write(framed, kSliceMs * 10); }
  bool Take(std::string& bytes) override {
    const SerialLine::Wait wait = line_->WaitForBytes(std::chrono::milliseconds(kSliceMs));
    if (wait == SerialLine::Wait::Failed) return false;  // the device went away
    if (wait == SerialLine::Wait::Readable) bytes += line_->ReadWaiting(kMaxReply + 1);
    return true;
  }

 private:
  std::unique_ptr<SerialLine> line_;
};

class UsbProbe : public ProbeLink {
 public:
  ~UsbProbe() override {
    if (open_) D2xx().FT_Close(handle_);
  }
  bool Open(const std::string& description, const std::string& serialNumber, OpenFailure& failure) {
    std::string name = serialNumber;
    const FT_STATUS status =
        D2xx().FT_OpenEx(name.data(), FT_OPEN_BY_SERIAL_NUMBER | FT_OPEN_KEEP_KERNEL_DRIVER, &handle_);
    open_ = status == FT_OK;
    if (!open_) failure = ClassifyUsbOpenFailure(description, status, D2xx().LastOpenError());
    // Library reads wait at most a slice, so that the probe's own limit holds.
    return open_ &&
           D2xx().FT_SetDataCharacteristics(handle_, FT_BITS_8, FT_STOP_BITS_1, FT_PARITY_NONE) == FT_OK &&
           D2xx().FT_SetFlowControl(handle_, FT_FLOW_NONE, 0, 0) == FT_OK &&
           D2xx().FT_SetTimeouts(handle_, kSliceMs, kSliceMs) == FT_OK;
  }

  bool SetSpeed(int32_t baud) override {
    return D2xx().FT_SetBaudRate(handle_, static_cast<uint32_t>(baud)) == FT_OK &&
           D2xx().FT_Purge(handle_, FT_PURGE_RX | FT_PURGE_TX) == FT_OK;
  }

 protected:
  bool Send(const std::string& framed) override {
    uint32_t written = 0;
    return D2xx().FT_Write(handle_, framed.data(), static_cast<uint32_t>(framed.size()), &written) == FT_OK &&
           written == framed.size();
  }
  // Appends what is waiting; false when the device failed.
  bool Take(std::string& bytes) override {
    uint32_t waiting = 0;
    if (D2xx().FT_GetQueueStatus(handle_, &waiting) != FT_OK) return false;
    if (waiting == 0) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
      return true;
    }
    std::string chunk(waiting, '\0');
    uint32_t got = 0;
    if (D2xx().FT_Read(handle_, chunk.data(), waiting, &got) != FT_OK) return false;
    bytes.append(chunk.data(), got);
    return true;
  }

 private:
  FT_HANDLE handle_ = 0;
  bool open_ = false;
};

}  // namespace

std::unique_ptr<ProbeLink> OpenSerialProbe(const std::string& portName, const std::string& device,
                                           OpenFailure& failure) {
  auto line = OpenSerialLine(portName, device, failure);
  return line ? std::make_unique<SerialProbe>(std::move(line)) : nullptr;
}

std::unique_ptr<ProbeLink> OpenUsbProbe(const std::string& description, const std::string& serialNumber,
                                        OpenFailure& failure) {
  auto probe = std::make_unique<UsbProbe>();
  return probe->Open(description, serialNumber, failure) ? std::move(probe) : nullptr;
}
