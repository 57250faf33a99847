#include "link/SerialLine.h"

#include "link/SystemErrors.h"

#include <algorithm>
#include <cerrno>

#include <windows.h>

namespace {

// Why a port did not open, as the errno values the reasons are named by.
struct OpenErrorOfWindows {
  DWORD windows;
  int error;
};
constexpr OpenErrorOfWindows kOpenErrors[] = {
    {ERROR_FILE_NOT_FOUND, ENOENT},
    {ERROR_PATH_NOT_FOUND, ENOENT},
    {ERROR_BAD_UNIT, ENOENT},
    {ERROR_DEV_NOT_EXIST, ENOENT},
    // A port another program has open is refused to everybody else.
    {ERROR_ACCESS_DENIED, EBUSY},
    {ERROR_SHARING_VIOLATION, EBUSY},
};

OpenFailure FailureOf(const std::string& portName, const std::string& device, DWORD error) {
  for (const OpenErrorOfWindows& known : kOpenErrors)
    if (known.windows == error) return ClassifyOpenFailure(portName, device, known.error);
  OpenFailure failure = ClassifyOpenFailure(portName, device, EIO);
  failure.detail = WindowsErrorText(error, false);
  failure.usersDetail = WindowsErrorText(error, true);
  return failure;
}

bool ParityFor(char letter, BYTE& parity) {
  switch (letter) {
    case 'e': parity = EVENPARITY; return true;
    case 'm': parity = MARKPARITY; return true;
    case 'n': parity = NOPARITY; return true;
    case 'o': parity = ODDPARITY; return true;
    case 's': parity = SPACEPARITY; return true;
    default: return false;
  }
}

BYTE StopBitsFor(float stopBits) {
  if (stopBits <= 1.0f) return ONESTOPBIT;
  if (stopBits < 2.0f) return ONE5STOPBITS;
  return TWOSTOPBITS;
}

// Raw bytes, no flow control of any kind, DTR and RTS inactive.
void MakeRaw(DCB& dcb) {
  dcb.fBinary = TRUE;
  dcb.fOutxCtsFlow = FALSE;
  dcb.fOutxDsrFlow = FALSE;
  dcb.fDtrControl = DTR_CONTROL_DISABLE;
  dcb.fDsrSensitivity = FALSE;
  dcb.fTXContinueOnXoff = TRUE;
  dcb.fOutX = FALSE;
  dcb.fInX = FALSE;
  dcb.fErrorChar = FALSE;
  dcb.fNull = FALSE;
  dcb.fRtsControl = RTS_CONTROL_DISABLE;
  dcb.fAbortOnError = FALSE;
}

// A synchronous handle. Reads either return at once with what is waiting, or wait for the first
// byte up to a limit: the two read time-out settings, switched as needed.
class WindowsSerialLine final : public SerialLine {
 public:
  explicit WindowsSerialLine(HANDLE handle) : handle_(handle) {}
  ~WindowsSerialLine() override { CloseHandle(handle_); }

  // Raw at once, the line's speed and framing as the system had them until Configure.
  bool Prepare() {
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (!GetCommState(handle_, &dcb)) return false;
    MakeRaw(dcb);
    return SetCommState(handle_, &dcb) && SetReadWait(0);
  }

  void Configure(int32_t baudRate, uint8_t dataBits, char parity, float stopBits) override {
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (!GetCommState(handle_, &dcb)) return;
    // Each setting on its own, so that one the driver refuses leaves the others in place.
    const auto apply = [&](auto change) {
      DCB next = dcb;
      change(next);
      if (SetCommState(handle_, &next)) dcb = next;
    };
    apply([](DCB& d) { MakeRaw(d); });
    apply([&](DCB& d) { d.BaudRate = static_cast<DWORD>(baudRate); });
    apply([&](DCB& d) { d.ByteSize = dataBits; });
    apply([&](DCB& d) {
      ParityFor(parity, d.Parity);
      d.fParity = d.Parity != NOPARITY;
    });
    apply([&](DCB& d) { d.StopBits = StopBitsFor(stopBits); });
  }

  void Purge() override {
    PurgeComm(handle_, PURGE_RXCLEAR | PURGE_TXCLEAR | PURGE_RXABORT | PURGE_TXABORT);
    pending_.clear();
  }

  std::string ReadWaiting(std::size_t max) override {
    std::string bytes = pending_.substr(0, max);
    pending_.erase(0, bytes.size());
    if (bytes.size() >= max || !SetReadWait(0)) return bytes;
    char buffer[256];
    DWORD got = 0;
    const DWORD wanted = static_cast<DWORD>(std::min<std::size_t>(max - bytes.size(), sizeof buffer));
    if (ReadFile(handle_, buffer, wanted, &got, nullptr) && got > 0) bytes.append(buffer, got);
    return bytes;
  }

  Wait WaitForBytes(std::chrono::microseconds limit) override {
    if (!pending_.empty()) return Wait::Readable;
    DWORD errors = 0;
    COMSTAT status{};
    if (!ClearCommError(handle_, &errors, &status)) return Wait::Failed;
    if (status.cbInQue > 0) return Wait::Readable;
    // The wait is a read of one byte that returns when it comes or at the limit; the byte is kept.
    const auto ms = std::chrono::ceil<std::chrono::milliseconds>(limit).count();
    if (!SetReadWait(static_cast<int>(std::max<long long>(ms, 1)))) return Wait::Failed;
    char byte = 0;
    DWORD got = 0;
    if (!ReadFile(handle_, &byte, 1, &got, nullptr)) return Wait::Failed;
    if (got == 0) return Wait::Limit;
    pending_.push_back(byte);
    return Wait::Readable;
  }

  bool Write(const std::string& bytes, int boundMs) override {
    if (static_cast<DWORD>(boundMs) != timeouts_.WriteTotalTimeoutConstant) {
      COMMTIMEOUTS timeouts = timeouts_;
      timeouts.WriteTotalTimeoutConstant = static_cast<DWORD>(boundMs);
      timeouts.WriteTotalTimeoutMultiplier = 0;
      if (!SetCommTimeouts(handle_, &timeouts)) return false;
      timeouts_ = timeouts;
    }
    DWORD written = 0;
    return WriteFile(handle_, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
           written == bytes.size();
  }

 private:
  // 0: reads return at once with what is waiting; otherwise they wait up to ms for the first byte.
  bool SetReadWait(int ms) {
    if (readWaitMs_ == ms) return true;
    COMMTIMEOUTS timeouts = timeouts_;
    timeouts.ReadIntervalTimeout = ms == 0 ? MAXDWORD : 0;
    timeouts.ReadTotalTimeoutMultiplier = 0;
    timeouts.ReadTotalTimeoutConstant = static_cast<DWORD>(ms);
    if (!SetCommTimeouts(handle_, &timeouts)) return false;
    timeouts_ = timeouts;
    readWaitMs_ = ms;
    return true;
  }

  HANDLE handle_;
  std::string pending_;      // bytes a wait took in, read before the device's
  COMMTIMEOUTS timeouts_{};  // as last set; the write bound 0 until the first write
  int readWaitMs_ = -1;
};

}  // namespace

std::unique_ptr<SerialLine> OpenSerialLine(const std::string& portName, const std::string& device,
                                           OpenFailure& failure) {
  // "COM10" and above open only by their device path; the path works for all.
  constexpr const char* kDevicePrefix = R"(\\.\)";
  const std::string path = device.starts_with(kDevicePrefix) ? device : kDevicePrefix + device;
  const HANDLE handle =
      CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    failure = FailureOf(portName, device, GetLastError());
    return nullptr;
  }
  auto line = std::make_unique<WindowsSerialLine>(handle);
  if (!line->Prepare()) {
    failure = FailureOf(portName, device, GetLastError());
    return nullptr;
  }
  return line;
}
