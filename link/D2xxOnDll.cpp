// The D2XX calls on Windows: FTDI's own ftd2xx.dll, bound when first used, so that a PC without
// the FTDI driver still runs the program over its serial ports.
#include "link/D2xx.h"

#include <map>
#include <mutex>
#include <optional>

#include <windows.h>

namespace {

// The library's own types: its handles are pointers, its numbers 32-bit.
using DllHandle = void*;
using ListDevices = ULONG(WINAPI*)(PVOID, PVOID, DWORD);
using OpenEx = ULONG(WINAPI*)(PVOID, DWORD, DllHandle*);
using SetDataCharacteristics = ULONG(WINAPI*)(DllHandle, UCHAR, UCHAR, UCHAR);
using SetFlowControl = ULONG(WINAPI*)(DllHandle, USHORT, UCHAR, UCHAR);
using WithUlong = ULONG(WINAPI*)(DllHandle, ULONG);
using HandleOnly = ULONG(WINAPI*)(DllHandle);
using SetTimeouts = ULONG(WINAPI*)(DllHandle, ULONG, ULONG);
using Transfer = ULONG(WINAPI*)(DllHandle, LPVOID, DWORD, LPDWORD);
using GetQueueStatus = ULONG(WINAPI*)(DllHandle, DWORD*);
using SetLatencyTimer = ULONG(WINAPI*)(DllHandle, UCHAR);
using GetLatencyTimer = ULONG(WINAPI*)(DllHandle, PUCHAR);

struct Calls {
  ListDevices listDevices = nullptr;
  OpenEx openEx = nullptr;
  SetDataCharacteristics setDataCharacteristics = nullptr;
  SetFlowControl setFlowControl = nullptr;
  WithUlong setBaudRate = nullptr;
  HandleOnly resetDevice = nullptr;
  WithUlong purge = nullptr;
  SetTimeouts setTimeouts = nullptr;
  Transfer write = nullptr;
  GetQueueStatus getQueueStatus = nullptr;
  Transfer read = nullptr;
  HandleOnly close = nullptr;
  SetLatencyTimer setLatencyTimer = nullptr;
  GetLatencyTimer getLatencyTimer = nullptr;
};

template <typename Call>
bool Bind(HMODULE dll, const char* name, Call& call) {
  call = reinterpret_cast<Call>(reinterpret_cast<void*>(GetProcAddress(dll, name)));
  return call != nullptr;
}

// The library's calls, or none when it is missing or lacks one of them.
std::optional<Calls> LoadCalls() {
  // From the system's folder only, where FTDI's driver installs it: never from the current folder,
  // the program's own or PATH, where anybody could have put a library of that name.
  const HMODULE dll = LoadLibraryExW(L"ftd2xx.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  if (!dll) return std::nullopt;
  Calls c;
  const bool all = Bind(dll, "FT_ListDevices", c.listDevices) && Bind(dll, "FT_OpenEx", c.openEx) &&
                   Bind(dll, "FT_SetDataCharacteristics", c.setDataCharacteristics) &&
                   Bind(dll, "FT_SetFlowControl", c.setFlowControl) &&
                   Bind(dll, "FT_SetBaudRate", c.setBaudRate) && Bind(dll, "FT_ResetDevice", c.resetDevice) &&
                   Bind(dll, "FT_Purge", c.purge) && Bind(dll, "FT_SetTimeouts", c.setTimeouts) &&
                   Bind(dll, "FT_Write", c.write) && Bind(dll, "FT_GetQueueStatus", c.getQueueStatus) &&
                   Bind(dll, "FT_Read", c.read) && Bind(dll, "FT_Close", c.close);
  // Only fast sampling needs these: a library without them still serves every exchange.
  Bind(dll, "FT_SetLatencyTimer", c.setLatencyTimer);
  Bind(dll, "FT_GetLatencyTimer", c.getLatencyTimer);
  if (all) return c;
  FreeLibrary(dll);
  return std::nullopt;
}

class DllD2xx final : public D2xxApi {
 public:
  FT_STATUS FT_ListDevices(void* arg1, void* arg2, uint32_t flags) override {
    const Calls* c = Library();
    if (!c) return FT_OTHER_ERROR;
    if (flags & FT_LIST_NUMBER_ONLY) {
      DWORD count = 0;
      const FT_STATUS status = c->listDevices(&count, nullptr, flags);
      *static_cast<uint32_t*>(arg1) = status == FT_OK ? count : 0;
      return status;
    }
    return c->listDevices(arg1, arg2, flags);
  }
  FT_STATUS FT_OpenEx(void* arg, uint32_t flags, FT_HANDLE* handle) override {
    const Calls* c = Library();
    if (!c) return FT_OTHER_ERROR;
    // On Windows the D2XX driver and the serial driver never share a device: our flag has nothing to keep.
    DllHandle opened = nullptr;
    const FT_STATUS status = c->openEx(arg, flags & ~FT_OPEN_KEEP_KERNEL_DRIVER, &opened);
    if (status != FT_OK) return status;
    std::lock_guard lock(mutex_);
    *handle = ++lastHandle_;
    handles_[*handle] = opened;
    return FT_OK;
  }
  FT_STATUS FT_SetDataCharacteristics(FT_HANDLE h, uint8_t wordLength, uint8_t stopBits,
                                      uint8_t parity) override {
    return On(h, [&](const Calls& c, DllHandle d) {
      return c.setDataCharacteristics(d, wordLength, stopBits, parity);
    });
  }
  FT_STATUS FT_SetFlowControl(FT_HANDLE h, uint16_t flowControl, uint8_t xon, uint8_t xoff) override {
    return On(h, [&](const Calls& c, DllHandle d) { return c.setFlowControl(d, flowControl, xon, xoff); });
  }
  FT_STATUS FT_SetBaudRate(FT_HANDLE h, uint32_t baudRate) override {
    return On(h, [&](const Calls& c, DllHandle d) { return c.setBaudRate(d, baudRate); });
  }
  FT_STATUS FT_ResetDevice(FT_HANDLE h) override {
    return On(h, [&](const Calls& c, DllHandle d) { return c.resetDevice(d); });
  }
  FT_STATUS FT_Purge(FT_HANDLE h, uint32_t mask) override {
    return On(h, [&](const Calls& c, DllHandle d) { return c.purge(d, mask); });
  }
  FT_STATUS FT_SetLatencyTimer(FT_HANDLE h, uint8_t ms) override {
    return On(h, [&](const Calls& c, DllHandle d) {
      return c.setLatencyTimer ? c.setLatencyTimer(d, ms) : ULONG{FT_OTHER_ERROR};
    });
  }
  FT_STATUS FT_GetLatencyTimer(FT_HANDLE h, uint8_t* ms) override {
    return On(h, [&](const Calls& c, DllHandle d) {
      UCHAR latency = 0;
      if (!c.getLatencyTimer) return ULONG{FT_OTHER_ERROR};
      const ULONG status = c.getLatencyTimer(d, &latency);
      *ms = latency;
      return status;
    });
  }
  FT_STATUS FT_SetTimeouts(FT_HANDLE h, uint32_t readMs, uint32_t writeMs) override {
    return On(h, [&](const Calls& c, DllHandle d) { return c.setTimeouts(d, readMs, writeMs); });
  }
  FT_STATUS FT_Write(FT_HANDLE h, const void* buffer, uint32_t size, uint32_t* written) override {
    return On(h, [&](const Calls& c, DllHandle d) {
      DWORD done = 0;
      const ULONG status = c.write(d, const_cast<void*>(buffer), size, &done);
      *written = done;
      return status;
    });
  }
  FT_STATUS FT_GetQueueStatus(FT_HANDLE h, uint32_t* rxBytes) override {
    return On(h, [&](const Calls& c, DllHandle d) {
      DWORD waiting = 0;
      const ULONG status = c.getQueueStatus(d, &waiting);
      *rxBytes = waiting;
      return status;
    });
  }
  FT_STATUS FT_Read(FT_HANDLE h, void* buffer, uint32_t size, uint32_t* got) override {
    return On(h, [&](const Calls& c, DllHandle d) {
      DWORD done = 0;
      const ULONG status = c.read(d, buffer, size, &done);
      *got = done;
      return status;
    });
  }
  FT_STATUS FT_Close(FT_HANDLE h) override {
    const FT_STATUS status = On(h, [&](const Calls& c, DllHandle d) { return c.close(d); });
    std::lock_guard lock(mutex_);
    handles_.erase(h);
    return status;
  }
  bool Available() override { return Library() != nullptr; }

 private:
  const Calls* Library() {
    std::call_once(loaded_, [this] { calls_ = LoadCalls(); });
    return calls_ ? &*calls_ : nullptr;
  }

  template <typename Call>
  FT_STATUS On(FT_HANDLE h, Call call) {
    const Calls* c = Library();
    if (!c) return FT_OTHER_ERROR;
    DllHandle device = nullptr;
    {
      std::lock_guard lock(mutex_);
      const auto found = handles_.find(h);
      if (found == handles_.end()) return FT_INVALID_HANDLE;
      device = found->second;
    }
    return call(*c, device);
  }

  std::once_flag loaded_;
  std::optional<Calls> calls_;
  std::mutex mutex_;
  std::map<FT_HANDLE, DllHandle> handles_;
  FT_HANDLE lastHandle_ = 0;
};

DllD2xx g_dll;
D2xxApi* g_api = &g_dll;

}  // namespace

D2xxApi& D2xx() { return *g_api; }
void SetD2xx(D2xxApi* api) { g_api = api ? api : &g_dll; }
