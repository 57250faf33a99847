#pragma once
#include "link/D2xx.h"
#include "sim/VirtualUnit.h"

#include <chrono>
#include <deque>
#include <map>
#include <mutex>
#include <string>
#include <vector>

// An in-process D2XX library with FTDI devices that lead to a virtual unit. Statuses can be
// injected per call; every call is recorded.
class FakeD2xx : public D2xxApi {
 public:
  explicit FakeD2xx(VirtualUnit& unit) : unit_(unit) {}

  std::vector<std::string> devices = {"VORKA USB"};
  // Serial numbers by the index of devices; a device beyond them has "FT" and its index + 1.
  std::vector<std::string> serials;
  // False: the library is not installed (Windows without FTDI's driver); every call fails.
  bool available = true;
  // What LastOpenError says after a failed FT_OpenEx (an injected one, for instance).
  int openError = 0;
  // The next statuses a call returns (by its name, e.g. "FT_Purge"), one per call.
  std::map<std::string, std::deque<FT_STATUS>> inject;
  // With CR LF replies: the LF arrives in a later pass than the rest.
  bool lineFeedLater = false;
  // Devices (by index) whose strings this user may not read: they list empty, and an open that
  // finds no other device says permission denied.
  std::vector<std::size_t> unreadable;

  // What was done, and the calls that named a handle not open (closed, or never opened).
  std::vector<std::string> calls;
  std::vector<std::string> callsOnClosed;
  std::string openedDescription;
  uint32_t baudRate = 0, readTimeout = 0, writeTimeout = 0;
  uint8_t latencyTimer = 16;  // as a converter comes
  std::vector<uint32_t> purges;
  bool open = false;

  // Bytes that arrive in one pass, outside any exchange.
  void Arrive(const std::string& bytes) { rx_.push_back({bytes, std::chrono::steady_clock::now()}); }

  FT_STATUS FT_ListDevices(void* arg1, void* arg2, uint32_t flags) override;
  FT_STATUS FT_OpenEx(void* arg, uint32_t flags, FT_HANDLE* handle) override;
  FT_STATUS FT_SetDataCharacteristics(FT_HANDLE h, uint8_t wordLength, uint8_t stopBits,
                                      uint8_t parity) override;
  FT_STATUS FT_SetFlowControl(FT_HANDLE h, uint16_t flowControl, uint8_t xon, uint8_t xoff) override;
  FT_STATUS FT_SetBaudRate(FT_HANDLE h, uint32_t baudRate) override;
  FT_STATUS FT_ResetDevice(FT_HANDLE h) override;
  FT_STATUS FT_Purge(FT_HANDLE h, uint32_t mask) override;
  FT_STATUS FT_SetTimeouts(FT_HANDLE h, uint32_t readMs, uint32_t writeMs) override;
  FT_STATUS FT_Write(FT_HANDLE h, const void* buffer, uint32_t size, uint32_t* written) override;
  FT_STATUS FT_GetQueueStatus(FT_HANDLE h, uint32_t* rxBytes) override;
  FT_STATUS FT_Read(FT_HANDLE h, void* buffer, uint32_t size, uint32_t* got) override;
  FT_STATUS FT_Close(FT_HANDLE h) override;
  FT_STATUS FT_SetLatencyTimer(FT_HANDLE h, uint8_t ms) override;
  FT_STATUS FT_GetLatencyTimer(FT_HANDLE h, uint8_t* ms) override;
  bool Available() override { return available; }
  int LastOpenError() const override;
  int ListError(uint32_t index) const override;

 private:
  // The injected status of this call, if any, after recording it.
  FT_STATUS Call(const std::string& name);
  FT_STATUS Device(FT_HANDLE h) const { return open && h == handle_ ? FT_OK : FT_INVALID_HANDLE; }

  std::string SerialOf(std::size_t index) const;

  // One call at a time: the unit search probes from threads of its own.
  mutable std::recursive_mutex mutex_;
  int lastOpenError_ = 0;
  VirtualUnit& unit_;
  FT_HANDLE handle_ = 0x1000;
  std::string partial_;
  // Bytes in the order they arrive, each pass when it is due (a unit's reply delay).
  struct Pass {
    std::string bytes;
    std::chrono::steady_clock::time_point due;
  };
  std::deque<Pass> rx_;
  bool Due() const { return !rx_.empty() && rx_.front().due <= std::chrono::steady_clock::now(); }
  bool Unreadable(std::size_t index) const;
};
