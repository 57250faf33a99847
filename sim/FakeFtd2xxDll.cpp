// A stand-in for FTDI's ftd2xx.dll, for trying and testing the Windows build without a converter:
// one FTDI device, "VORKA USB" with the serial number FAKE0001, whose bytes go through the serial
// port that VORKA_FAKE_FTDI_PORT names (COM2 when unset), where a virtual unit can answer.
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <string>

namespace {

using FT_STATUS = ULONG;
using FT_HANDLE = PVOID;
constexpr FT_STATUS kOk = 0, kInvalidHandle = 1, kDeviceNotFound = 2, kDeviceNotOpened = 3, kIoError = 4,
                    kInvalidParameter = 6;
constexpr DWORD kListNumberOnly = 0x80000000, kListByIndex = 0x40000000, kBySerialNumber = 1,
                kByDescription = 2;
constexpr char kDescription[] = "VORKA USB";
constexpr char kSerialNumber[] = "FAKE0001";

struct Device {
  HANDLE port;
  DWORD readTimeoutMs;
  UCHAR latencyMs = 16;
};

std::string PortPath() {
  const char* chosen = std::getenv("VORKA_FAKE_FTDI_PORT");
  return std::string(R"(\\.\)") + (chosen && *chosen ? chosen : "COM2");
}

Device* Of(FT_HANDLE handle) { return static_cast<Device*>(handle); }

bool SetReadTimeouts(HANDLE port, DWORD interval, DWORD total) {
  COMMTIMEOUTS timeouts{};
  timeouts.ReadIntervalTimeout = interval;
  timeouts.ReadTotalTimeoutConstant = total;
  timeouts.WriteTotalTimeoutConstant = 5000;
  return SetCommTimeouts(port, &timeouts);
}

}  // namespace

extern "C" {

__declspec(dllexport) FT_STATUS WINAPI FT_ListDevices(PVOID arg1, PVOID arg2, DWORD flags) {
  if (flags & kListNumberOnly) {
    *static_cast<DWORD*>(arg1) = 1;
    return kOk;
  }
  if (!(flags & kListByIndex)) return kInvalidParameter;
  if (reinterpret_cast<UINT_PTR>(arg1) != 0) return kDeviceNotFound;
  std::strcpy(static_cast<char*>(arg2), (flags & kBySerialNumber) ? kSerialNumber : kDescription);
  return kOk;
}

__declspec(dllexport) FT_STATUS WINAPI FT_OpenEx(PVOID arg, DWORD flags, FT_HANDLE* handle) {
  const char* key = static_cast<const char*>(arg);
  const bool known = ((flags & kBySerialNumber) && std::strcmp(key, kSerialNumber) == 0) ||
                     ((flags & kByDescription) && std::strcmp(key, kDescription) == 0);
  if (!known) return kDeviceNotFound;
  const HANDLE port =
      CreateFileA(PortPath().c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  if (port == INVALID_HANDLE_VALUE) return kDeviceNotOpened;
  DCB dcb{};
  dcb.DCBlength = sizeof dcb;
  const bool raw = GetCommState(port, &dcb) && [&] {
    dcb.fBinary = TRUE;
    dcb.fOutxCtsFlow = dcb.fOutxDsrFlow = dcb.fOutX = dcb.fInX = FALSE;
    dcb.fDtrControl = DTR_CONTROL_DISABLE;
    dcb.fRtsControl = RTS_CONTROL_DISABLE;
    return SetCommState(port, &dcb) != 0;
  }();
  if (!raw || !SetReadTimeouts(port, MAXDWORD, 0)) {
    CloseHandle(port);
    return kIoError;
  }
  *handle = new Device{port, 0, 16};
  return kOk;
}

__declspec(dllexport) FT_STATUS WINAPI
    FT_SetDataCharacteristics(FT_HANDLE h, UCHAR bits, UCHAR stop, UCHAR parity) {
  if (!h) return kInvalidHandle;
  DCB dcb{};
  dcb.DCBlength = sizeof dcb;
  if (!GetCommState(Of(h)->port, &dcb)) return kIoError;
  dcb.ByteSize = bits;
  dcb.StopBits = stop == 2 ? TWOSTOPBITS : ONESTOPBIT;
  dcb.Parity = parity;
  return SetCommState(Of(h)->port, &dcb) ? kOk : kIoError;
}

__declspec(dllexport) FT_STATUS WINAPI FT_SetFlowControl(FT_HANDLE h, USHORT, UCHAR, UCHAR) {
  return h ? kOk : kInvalidHandle;
}

__declspec(dllexport) FT_STATUS WINAPI FT_SetBaudRate(FT_HANDLE h, ULONG baudRate) {
  if (!h) return kInvalidHandle;
  DCB dcb{};
  dcb.DCBlength = sizeof dcb;
  if (!GetCommState(Of(h)->port, &dcb)) return kIoError;
  dcb.BaudRate = baudRate;
  return SetCommState(Of(h)->port, &dcb) ? kOk : kIoError;
}

__declspec(dllexport) FT_STATUS WINAPI FT_ResetDevice(FT_HANDLE h) { return h ? kOk : kInvalidHandle; }

__declspec(dllexport) FT_STATUS WINAPI FT_Purge(FT_HANDLE h, ULONG mask) {
  if (!h) return kInvalidHandle;
  const DWORD flags = ((mask & 1) ? PURGE_RXCLEAR : 0) | ((mask & 2) ? PURGE_TXCLEAR : 0);
  return PurgeComm(Of(h)->port, flags) ? kOk : kIoError;
}

__declspec(dllexport) FT_STATUS WINAPI FT_SetLatencyTimer(FT_HANDLE h, UCHAR ms) {
  if (!h) return kInvalidHandle;
  Of(h)->latencyMs = ms;
  return kOk;
}

__declspec(dllexport) FT_STATUS WINAPI FT_GetLatencyTimer(FT_HANDLE h, PUCHAR ms) {
  if (!h) return kInvalidHandle;
  *ms = Of(h)->latencyMs;
  return kOk;
}

__declspec(dllexport) FT_STATUS WINAPI FT_SetTimeouts(FT_HANDLE h, ULONG readMs, ULONG) {
  if (!h) return kInvalidHandle;
  Of(h)->readTimeoutMs = readMs;
  return kOk;
}

__declspec(dllexport) FT_STATUS WINAPI FT_Write(FT_HANDLE h, LPVOID buffer, DWORD size, LPDWORD written) {
  if (!h) return kInvalidHandle;
  return WriteFile(Of(h)->port, buffer, size, written, nullptr) ? kOk : kIoError;
}

__declspec(dllexport) FT_STATUS WINAPI FT_GetQueueStatus(FT_HANDLE h, DWORD* waiting) {
  if (!h) return kInvalidHandle;
  DWORD errors = 0;
  COMSTAT status{};
  if (!ClearCommError(Of(h)->port, &errors, &status)) return kIoError;
  *waiting = status.cbInQue;
  return kOk;
}

// As the library reads: until size bytes came or the read time-out passed.
__declspec(dllexport) FT_STATUS WINAPI FT_Read(FT_HANDLE h, LPVOID buffer, DWORD size, LPDWORD got) {
  if (!h) return kInvalidHandle;
  const DWORD timeout = Of(h)->readTimeoutMs;
  if (!SetReadTimeouts(Of(h)->port, timeout ? 0 : MAXDWORD, timeout)) return kIoError;
  return ReadFile(Of(h)->port, buffer, size, got, nullptr) ? kOk : kIoError;
}

__declspec(dllexport) FT_STATUS WINAPI FT_Close(FT_HANDLE h) {
  if (!h) return kInvalidHandle;
  CloseHandle(Of(h)->port);
  delete Of(h);
  return kOk;
}

}  // extern "C"
