#include "link/UniUSB.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

FT_HANDLE FTHandle = 0;
uint32_t FTDeviceCount = 0;
std::string FTDeviceDescription;

namespace {

constexpr std::size_t kMaxDescription = 49;
constexpr std::size_t kMaxLine = 255;
constexpr uint32_t kChunk = 256;

UsbErrorReporter g_reporter;
std::function<std::string(const OpenFailure&)> g_openHint;
// Per thread: vorkactl opens several converters at once, each on its own thread.
thread_local std::optional<OpenFailure> g_openFailure;
// Reopening a converter that went away asks once a second: its failures are nobody's news.
thread_local int g_quiet = 0;
struct Quietly {
  Quietly() { ++g_quiet; }
  ~Quietly() { --g_quiet; }
  Quietly(const Quietly&) = delete;
  Quietly& operator=(const Quietly&) = delete;
};

}  // namespace

namespace {

// The converters whose latency timer is at its smallest: each is put back before its handle closes,
// whichever way it closes (the port closed, the window closed, a converter reopened).
std::mutex g_fastLock;
std::vector<FastUsbReplies*> g_fast;

}  // namespace

FastUsbReplies::FastUsbReplies(const FT_HANDLE& current) : current_(current), handle_(current) {
  if (!handle_) return;
  uint8_t latency = 0;
  if (D2xx().FT_GetLatencyTimer(handle_, &latency) != FT_OK) return;
  // 1 ms where the converter takes it, 2 ms on the older ones that do not.
  for (const uint8_t smallest : {uint8_t{1}, uint8_t{2}})
    if (D2xx().FT_SetLatencyTimer(handle_, smallest) == FT_OK) {
      const std::lock_guard lock(g_fastLock);
      before_ = latency;
      g_fast.push_back(this);
      return;
    }
}

FastUsbReplies::~FastUsbReplies() {
  const std::lock_guard lock(g_fastLock);
  g_fast.erase(std::remove(g_fast.begin(), g_fast.end(), this), g_fast.end());
  // A converter closed meanwhile was put back then; nothing reaches a closed handle.
  if (before_) D2xx().FT_SetLatencyTimer(handle_, *before_);
}

bool FastUsbReplies::Stale() const {
  const std::lock_guard lock(g_fastLock);
  return putBack_ || current_ != handle_;
}

void PutBackLatency(FT_HANDLE handle) {
  const std::lock_guard lock(g_fastLock);
  for (FastUsbReplies* fast : g_fast)
    if (fast->handle_ == handle && fast->before_) {
      D2xx().FT_SetLatencyTimer(handle, *fast->before_);
      fast->before_.reset();
      fast->putBack_ = true;
    }
}

namespace {

// Closes a converter's handle, its latency timer put back first.
FT_STATUS CloseConverter(FT_HANDLE handle) {
  PutBackLatency(handle);
  return D2xx().FT_Close(handle);
}

}  // namespace

void SetUsbErrorReporter(UsbErrorReporter reporter) { g_reporter = std::move(reporter); }

void SetUsbOpenHint(std::function<std::string(const OpenFailure&)> hint) { g_openHint = std::move(hint); }

std::optional<OpenFailure> UsbOpenFailure() { return g_openFailure; }

std::string UsbErrorText(const std::string& operation, FT_STATUS status) {
  static const char* const kTexts[] = {"",
                                       " - Invalid Handle...",
                                       " - Device Not Found....",
                                       " - Device Not Opened...",
                                       " - General IO Error...",
                                       " - Insufficient Resources...",
                                       " - Invalid Parameter ..."};
  if (status == FT_OK) return {};
  return operation + (status < std::size(kTexts) ? kTexts[status] : "");
}

void ReportUsbError(const std::string& operation, FT_STATUS status) {
  if (status != FT_OK && g_reporter && !g_quiet) g_reporter(UsbCall::Other, UsbErrorText(operation, status));
}

namespace {

// One call whose failure is reported under the operation's name.
FT_STATUS Reported(const char* operation, FT_STATUS status) {
  ReportUsbError(operation, status);
  return status;
}

}  // namespace

FT_STATUS GetFTDeviceCount() {
  return Reported("GetFTDeviceCount", D2xx().FT_ListDevices(&FTDeviceCount, nullptr, FT_LIST_NUMBER_ONLY));
}

FT_STATUS GetFTDeviceDescription(uint32_t index) {
  char buffer[kDescriptionBufferSize + 1] = {};
  // The library takes the index in its pointer argument.
  const FT_STATUS status =
      D2xx().FT_ListDevices(reinterpret_cast<void*>(uintptr_t{index}),  // NOLINT(performance-no-int-to-ptr)
                            buffer, FT_LIST_BY_INDEX | FT_OPEN_BY_DESCRIPTION);
  if (status == FT_OK) {
    std::string text(buffer, kMaxDescription);
    text.resize(text.find('\0') == std::string::npos ? kMaxDescription : text.find('\0'));
    FTDeviceDescription = text;
  }
  return Reported("GetFTDeviceDescription", status);
}

namespace {

std::string ListedText(uint32_t index, uint32_t flags) {
  char buffer[kDescriptionBufferSize + 1] = {};
  // The library takes the index in its pointer argument.
  if (D2xx().FT_ListDevices(reinterpret_cast<void*>(uintptr_t{index}),  // NOLINT(performance-no-int-to-ptr)
                            buffer, FT_LIST_BY_INDEX | flags) != FT_OK)
    return {};
  return {buffer, ::strnlen(buffer, kMaxDescription)};
}

}  // namespace

std::string FTDeviceSerialNumber(uint32_t index) { return ListedText(index, FT_OPEN_BY_SERIAL_NUMBER); }

std::optional<std::vector<FtdiDevice>> ListFtdiDevices(FtdiListing listing) {
  const bool reported = listing == FtdiListing::Reported;
  if (!D2xx().Available()) {
    // Said once, in the operator's words, instead of a failed count with a status number.
    if (reported && g_reporter && g_openHint) g_reporter(UsbCall::Other, g_openHint(UsbLibraryMissing()));
    return reported ? std::optional(std::vector<FtdiDevice>{}) : std::nullopt;
  }
  uint32_t count = 0;
  if (reported) {
    GetFTDeviceCount();
    count = FTDeviceCount;
  } else if (D2xx().FT_ListDevices(&count, nullptr, FT_LIST_NUMBER_ONLY) != FT_OK) {
    return std::nullopt;
  }
  std::vector<FtdiDevice> devices;
  for (uint32_t i = 0; i < count; ++i) {
    if (reported) GetFTDeviceDescription(i);
    devices.push_back({reported ? FTDeviceDescription : ListedText(i, FT_OPEN_BY_DESCRIPTION), {}, 0});
  }
  // The serial numbers after the descriptions, quietly: telling two equal converters apart is a
  // help, not a step whose failure needs a box.
  for (uint32_t i = 0; i < count; ++i) {
    devices[i].serialNumber = FTDeviceSerialNumber(i);
    devices[i].accessError = D2xx().ListError(i);
  }
  return devices;
}

namespace {

void ReportOpenFailure(FT_STATUS status, const OpenFailure& failure) {
  g_openFailure = failure;
  if (g_reporter && !g_quiet)
    g_reporter(UsbCall::Open,
               UsbErrorText("Open_USB", status) + (g_openHint ? "\n" + g_openHint(failure) : ""));
}

// Opens the device the library finds by key (a description or a serial number) and sets 8N1, no
// flow control and the baud rate; the operator's failure hint names the device by its description.
bool OpenAndSet(std::string key, uint32_t flags, const std::string& description, uint32_t baudRate,
                FT_HANDLE& handle) {
  g_openFailure.reset();
  if (const FT_STATUS status = D2xx().FT_OpenEx(key.data(), flags, &handle); status != FT_OK) {
    ReportOpenFailure(status, D2xx().Available()
                                  ? ClassifyUsbOpenFailure(description, status, D2xx().LastOpenError())
                                  : UsbLibraryMissing());
    return false;
  }
  const bool set =
      Reported("SetDataCharacteristics", D2xx().FT_SetDataCharacteristics(handle, FT_BITS_8, FT_STOP_BITS_1,
                                                                          FT_PARITY_NONE)) == FT_OK &&
      Reported("SetFlowControl", D2xx().FT_SetFlowControl(handle, FT_FLOW_NONE, 0, 0)) == FT_OK &&
      Reported("SetBaudRate", D2xx().FT_SetBaudRate(handle, baudRate)) == FT_OK;
  // The attempt counts as failed and nothing will ever close the device: close it here.
  if (!set) D2xx().FT_Close(handle);
  return set;
}

bool OpenDevice(const std::string& description, uint32_t baudRate, FT_HANDLE& handle) {
  if (description.empty()) return false;
  const std::string name = description.substr(0, kMaxDescription);
  return OpenAndSet(name, FT_OPEN_BY_DESCRIPTION, name, baudRate, handle);
}

bool OpenPreparedDevice(const std::string& description, uint32_t baudRate, uint32_t timeoutMs,
                        const std::string& serialNumber, FT_HANDLE& handle) {
  if (description.empty()) return false;
  const bool opened = serialNumber.empty()
                          ? OpenDevice(description, baudRate, handle)
                          : OpenAndSet(serialNumber, FT_OPEN_BY_SERIAL_NUMBER, description, baudRate, handle);
  if (!opened) return false;
  Reported("Reset_USB", D2xx().FT_ResetDevice(handle));
  Reported("Purge_USB", D2xx().FT_Purge(handle, FT_PURGE_RX));
  Reported("Purge_USB", D2xx().FT_Purge(handle, FT_PURGE_TX));
  Reported("SetTimeouts_USB", D2xx().FT_SetTimeouts(handle, timeoutMs, timeoutMs));
  return true;
}

// A call that failed on an open converter: it went away (unplugged), or its driver did.
void NoteFailure(FT_HANDLE handle, FT_STATUS status, bool* gone) {
  if (gone && handle && status != FT_OK) *gone = true;
}

bool WriteOn(FT_HANDLE handle, const std::string& line, bool* gone) {
  uint32_t written = 0;
  const FT_STATUS status = D2xx().FT_Write(handle, line.data(), static_cast<uint32_t>(line.size()), &written);
  NoteFailure(handle, status, gone);
  return status == FT_OK && written == line.size();
}

std::string TakeInputOn(FT_HANDLE handle, std::chrono::microseconds wait);
bool ReadOn(FT_HANDLE handle, uint32_t timeLimitMs, std::string& reply, std::size_t capacity,
            const std::atomic<bool>* abandon, bool* gone);

// What the window's converter was opened with, to open it again after it went away.
struct OpenedUsb {
  std::string description, serialNumber;
  uint32_t baudRate = 0, timeoutMs = 0;
};
std::optional<OpenedUsb> g_opened;
bool g_gone = false;

}  // namespace

bool Open_USB(const std::string& description, uint32_t baudRate) {
  return OpenDevice(description, baudRate, FTHandle);
}

bool OpenPrepared_USB(const std::string& description, uint32_t baudRate, uint32_t timeoutMs,
                      const std::string& serialNumber, const std::string& knownSerialNumber) {
  g_gone = false;
  g_opened = OpenedUsb{description, knownSerialNumber.empty() ? serialNumber : knownSerialNumber, baudRate,
                       timeoutMs};
  return OpenPreparedDevice(description, baudRate, timeoutMs, serialNumber, FTHandle);
}

bool Gone_USB() { return g_gone; }

bool Reopen_USB() {
  if (!g_opened) return false;
  const Quietly quietly;
  if (FTHandle) CloseConverter(FTHandle);
  FTHandle = 0;
  // By its serial number where it is known: the same converter, wherever it was plugged in.
  const OpenedUsb opened = *g_opened;
  if (!OpenPreparedDevice(opened.description, opened.baudRate, opened.timeoutMs, opened.serialNumber,
                          FTHandle)) {
    FTHandle = 0;
    return false;
  }
  g_gone = false;
  return true;
}

void ReportRefusedUsbDevice(int accessError) {
  // It has no description: the failure names it as the list does.
  ReportOpenFailure(FT_DEVICE_NOT_OPENED, ClassifyUsbOpenFailure("FTDI", FT_DEVICE_NOT_OPENED, accessError));
}

void Close_USB() {
  g_opened.reset();
  g_gone = false;
  Reported("Close_USB", CloseConverter(FTHandle));
}

void Reset_USB() { Reported("Reset_USB", D2xx().FT_ResetDevice(FTHandle)); }

void Purge_USB() {
  Reported("Purge_USB", D2xx().FT_Purge(FTHandle, FT_PURGE_RX));
  Reported("Purge_USB", D2xx().FT_Purge(FTHandle, FT_PURGE_TX));
}

void SetTimeouts_USB(uint32_t readMs, uint32_t writeMs) {
  Reported("SetTimeouts_USB", D2xx().FT_SetTimeouts(FTHandle, readMs, writeMs));
}

bool Write_USB(const std::string& line) { return WriteOn(FTHandle, line, &g_gone); }

void DiscardInput_USB() { TakeInput_USB({}); }

std::string TakeInput_USB(std::chrono::microseconds wait) { return TakeInputOn(FTHandle, wait); }

bool Read_USB(uint32_t timeLimitMs, std::string& reply, std::size_t capacity,
              const std::atomic<bool>* abandon) {
  return ReadOn(FTHandle, timeLimitMs, reply, capacity, abandon, &g_gone);
}

UsbLink::~UsbLink() { Close(); }

bool UsbLink::OpenPrepared(const std::string& description, uint32_t baudRate, uint32_t timeoutMs,
                           const std::string& serialNumber) {
  Close();
  opened_ = Opened{description, serialNumber, baudRate, timeoutMs};
  if (!OpenPreparedDevice(description, baudRate, timeoutMs, serialNumber, handle_)) {
    handle_ = 0;
    return false;
  }
  return true;
}

bool UsbLink::Reopen() {
  if (!opened_) return false;
  const Quietly quietly;
  if (handle_) CloseConverter(handle_);
  handle_ = 0;
  gone_ = false;
  // The converter's own serial number, read once it is open, finds the same one again.
  if (opened_->serialNumber.empty()) opened_->serialNumber = serialNumber_;
  if (!OpenPreparedDevice(opened_->description, opened_->baudRate, opened_->timeoutMs, opened_->serialNumber,
                          handle_)) {
    handle_ = 0;
    gone_ = true;
    return false;
  }
  return true;
}

void UsbLink::Close() {
  if (handle_) Reported("Close_USB", CloseConverter(handle_));
  handle_ = 0;
  gone_ = false;
}

bool UsbLink::Write(const std::string& line) { return WriteOn(handle_, line, &gone_); }
std::string UsbLink::TakeInput(std::chrono::microseconds wait) { return TakeInputOn(handle_, wait); }
bool UsbLink::Read(uint32_t timeLimitMs, std::string& reply, std::size_t capacity,
                   const std::atomic<bool>* abandon) {
  return ReadOn(handle_, timeLimitMs, reply, capacity, abandon, &gone_);
}

namespace {

std::string TakeInputOn(FT_HANDLE handle, std::chrono::microseconds wait) {
  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + wait;
  std::string bytes;
  // Bounded, so that a device that never stops sending cannot hold the window.
  constexpr int kMaxPasses = 64;
  char buffer[kChunk];
  for (int pass = 0; pass < kMaxPasses;) {
    uint32_t waiting = 0;
    if (D2xx().FT_GetQueueStatus(handle, &waiting) != FT_OK) break;
    if (waiting == 0) {
      if (!bytes.empty() || Clock::now() >= deadline) break;
      std::this_thread::sleep_for(std::chrono::microseconds(500));
      continue;
    }
    uint32_t got = 0;
    if (D2xx().FT_Read(handle, buffer, std::min(waiting, kChunk), &got) != FT_OK || got == 0) break;
    bytes.append(buffer, got);
    ++pass;
  }
  return bytes;
}

bool ReadOn(FT_HANDLE handle, uint32_t timeLimitMs, std::string& reply, std::size_t capacity,
            const std::atomic<bool>* abandon, bool* gone) {
  using Clock = std::chrono::steady_clock;
  reply.clear();
  const auto start = Clock::now();
  const std::size_t limit = std::min(kMaxLine, capacity);
  for (;;) {
    if (abandon && abandon->load()) return false;
    uint32_t waiting = 0;
    if (const FT_STATUS status = D2xx().FT_GetQueueStatus(handle, &waiting); status != FT_OK) {
      NoteFailure(handle, status, gone);
      return false;
    }
    const uint32_t ask = std::min(waiting, kChunk);
    char buffer[kChunk];
    uint32_t got = 0;
    if (ask > 0) {
      const FT_STATUS status = D2xx().FT_Read(handle, buffer, ask, &got);
      NoteFailure(handle, status, gone);
      if (status != FT_OK || got != ask) return false;
    }
    // Every byte, a NUL among them (see SerialLink::ReceiveLine).
    reply.append(buffer, got);
    if (reply.size() > limit) reply.resize(limit);

    const auto elapsedMs =
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
    if (static_cast<long long>(timeLimitMs) < elapsedMs) break;
    if (!reply.empty() && reply.back() == '\r') break;
    // Nothing new: give the processor away for a moment instead of asking again at once.
    if (got == 0) std::this_thread::sleep_for(std::chrono::microseconds(500));
  }
  return !reply.empty() && reply.back() == '\r';
}

}  // namespace
