#include "sim/FakeD2xx.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

FT_STATUS FakeD2xx::Call(const std::string& name) {
  calls.push_back(name);
  if (!available) return FT_OTHER_ERROR;  // as the run-time binding answers without its library
  auto it = inject.find(name);
  if (it == inject.end() || it->second.empty()) return FT_OK;
  const FT_STATUS status = it->second.front();
  it->second.pop_front();
  return status;
}

FT_STATUS FakeD2xx::FT_ListDevices(void* arg1, void* arg2, uint32_t flags) {
  const std::lock_guard lock(mutex_);
  if (const FT_STATUS s = Call("FT_ListDevices")) return s;
  if (flags == FT_LIST_NUMBER_ONLY) {
    *static_cast<uint32_t*>(arg1) = static_cast<uint32_t>(devices.size());
    return FT_OK;
  }
  const auto index = static_cast<std::size_t>(reinterpret_cast<uintptr_t>(arg1));
  if ((flags != (FT_LIST_BY_INDEX | FT_OPEN_BY_DESCRIPTION) &&
       flags != (FT_LIST_BY_INDEX | FT_OPEN_BY_SERIAL_NUMBER)) ||
      index >= devices.size())
    return FT_DEVICE_NOT_FOUND;
  const std::string text = Unreadable(index)                                        ? std::string()
                           : flags == (FT_LIST_BY_INDEX | FT_OPEN_BY_SERIAL_NUMBER) ? SerialOf(index)
                                                                                    : devices[index];
  std::strncpy(static_cast<char*>(arg2), text.c_str(), kDescriptionBufferSize - 1);
  static_cast<char*>(arg2)[kDescriptionBufferSize - 1] = '\0';
  return FT_OK;
}

FT_STATUS FakeD2xx::FT_OpenEx(void* arg, uint32_t flags, FT_HANDLE* handle) {
  const std::lock_guard lock(mutex_);
  if (const FT_STATUS s = Call("FT_OpenEx")) {
    lastOpenError_ = openError;
    return s;
  }
  flags &= ~FT_OPEN_KEEP_KERNEL_DRIVER;  // no kernel driver holds a fake device
  if (flags != FT_OPEN_BY_DESCRIPTION && flags != FT_OPEN_BY_SERIAL_NUMBER) return FT_INVALID_PARAMETER;
  const std::string wanted = static_cast<const char*>(arg);
  bool found = false, refused = false;
  for (std::size_t i = 0; i < devices.size(); ++i) {
    found =
        found || (!Unreadable(i) && (flags == FT_OPEN_BY_SERIAL_NUMBER ? SerialOf(i) : devices[i]) == wanted);
    refused = refused || Unreadable(i);
  }
  lastOpenError_ = ENOENT;
  if (!found && refused) {
    lastOpenError_ = EACCES;
    return FT_DEVICE_NOT_OPENED;
  }
  if (!found) return FT_DEVICE_NOT_FOUND;
  // Every device leads to the one unit: a second opener finds it taken.
  lastOpenError_ = EBUSY;
  if (open) return FT_DEVICE_NOT_OPENED;
  lastOpenError_ = 0;
  openedDescription = wanted;
  open = true;
  *handle = ++handle_;
  rx_.clear();
  partial_.clear();
  return FT_OK;
}

int FakeD2xx::LastOpenError() const {
  const std::lock_guard lock(mutex_);
  return lastOpenError_;
}

int FakeD2xx::ListError(uint32_t index) const {
  const std::lock_guard lock(mutex_);
  return Unreadable(index) ? EACCES : 0;
}

bool FakeD2xx::Unreadable(std::size_t index) const {
  return std::find(unreadable.begin(), unreadable.end(), index) != unreadable.end();
}

std::string FakeD2xx::SerialOf(std::size_t index) const {
  return index < serials.size() ? serials[index] : "FT" + std::to_string(index + 1);
}

FT_STATUS FakeD2xx::FT_SetDataCharacteristics(FT_HANDLE h, uint8_t wordLength, uint8_t stopBits,
                                              uint8_t parity) {
  const std::lock_guard lock(mutex_);
  if (const FT_STATUS s = Call("FT_SetDataCharacteristics")) return s;
  if (wordLength != FT_BITS_8 || stopBits != FT_STOP_BITS_1 || parity != FT_PARITY_NONE)
    return FT_INVALID_PARAMETER;
  return Device(h);
}

FT_STATUS FakeD2xx::FT_SetFlowControl(FT_HANDLE h, uint16_t flowControl, uint8_t, uint8_t) {
  const std::lock_guard lock(mutex_);
  if (const FT_STATUS s = Call("FT_SetFlowControl")) return s;
  return flowControl == FT_FLOW_NONE ? Device(h) : FT_INVALID_PARAMETER;
}

FT_STATUS FakeD2xx::FT_SetBaudRate(FT_HANDLE h, uint32_t rate) {
  const std::lock_guard lock(mutex_);
  if (const FT_STATUS s = Call("FT_SetBaudRate")) return s;
  baudRate = rate;
  return Device(h);
}

FT_STATUS FakeD2xx::FT_ResetDevice(FT_HANDLE h) {
  const std::lock_guard lock(mutex_);
  if (const FT_STATUS s = Call("FT_ResetDevice")) return s;
  return Device(h);
}

FT_STATUS FakeD2xx::FT_Purge(FT_HANDLE h, uint32_t mask) {
  const std::lock_guard lock(mutex_);
  purges.push_back(mask);
  if (const FT_STATUS s = Call("FT_Purge")) return s;
  if (mask & FT_PURGE_RX) rx_.clear();
  return Device(h);
}

FT_STATUS FakeD2xx::FT_SetLatencyTimer(FT_HANDLE h, uint8_t ms) {
  const std::lock_guard lock(mutex_);
  if (const FT_STATUS s = Call("FT_SetLatencyTimer")) return s;
  if (Device(h) != FT_OK) {
    callsOnClosed.emplace_back("FT_SetLatencyTimer");
    return FT_INVALID_HANDLE;
  }
  if (ms < 1) return FT_INVALID_PARAMETER;
  latencyTimer = ms;
  return FT_OK;
}

FT_STATUS FakeD2xx::FT_GetLatencyTimer(FT_HANDLE h, uint8_t* ms) {
  const std::lock_guard lock(mutex_);
  if (const FT_STATUS s = Call("FT_GetLatencyTimer")) return s;
  if (Device(h) != FT_OK) {
    callsOnClosed.emplace_back("FT_GetLatencyTimer");
    return FT_INVALID_HANDLE;
  }
  *ms = latencyTimer;
  return FT_OK;
}

FT_STATUS FakeD2xx::FT_SetTimeouts(FT_HANDLE h, uint32_t readMs, uint32_t writeMs) {
  const std::lock_guard lock(mutex_);
  if (const FT_STATUS s = Call("FT_SetTimeouts")) return s;
  readTimeout = readMs;
  writeTimeout = writeMs;
  return Device(h);
}

FT_STATUS FakeD2xx::FT_Write(FT_HANDLE h, const void* buffer, uint32_t size, uint32_t* written) {
  const std::lock_guard lock(mutex_);
  if (const FT_STATUS s = Call("FT_Write")) return s;
  if (Device(h) != FT_OK) return FT_INVALID_HANDLE;
  const std::string bytes(static_cast<const char*>(buffer), size);
  for (char c : bytes) {
    if (c != '\r') {
      partial_ += c;
      continue;
    }
    const auto due = std::chrono::steady_clock::now() + std::chrono::milliseconds(unit_.DelayFor(partial_));
    if (const auto reply = unit_.Respond(partial_)) {
      if (unit_.CrLf() && lineFeedLater) {
        rx_.push_back({*reply + "\r", due});
        rx_.push_back({"\n", due});
      } else {
        rx_.push_back({*reply + (unit_.CrLf() ? "\r\n" : "\r"), due});
      }
    }
    partial_.clear();
  }
  *written = size;
  return FT_OK;
}

FT_STATUS FakeD2xx::FT_GetQueueStatus(FT_HANDLE h, uint32_t* rxBytes) {
  const std::lock_guard lock(mutex_);
  if (const FT_STATUS s = Call("FT_GetQueueStatus")) return s;
  *rxBytes = Due() ? static_cast<uint32_t>(rx_.front().bytes.size()) : 0;
  return Device(h);
}

FT_STATUS FakeD2xx::FT_Read(FT_HANDLE h, void* buffer, uint32_t size, uint32_t* got) {
  const std::lock_guard lock(mutex_);
  if (const FT_STATUS s = Call("FT_Read")) return s;
  if (Device(h) != FT_OK) return FT_INVALID_HANDLE;
  if (!Due()) {
    *got = 0;
    return FT_OK;
  }
  std::string& front = rx_.front().bytes;
  const std::size_t n = std::min<std::size_t>(size, front.size());
  std::memcpy(buffer, front.data(), n);
  front.erase(0, n);
  if (front.empty()) rx_.pop_front();
  *got = static_cast<uint32_t>(n);
  return FT_OK;
}

FT_STATUS FakeD2xx::FT_Close(FT_HANDLE h) {
  const std::lock_guard lock(mutex_);
  if (const FT_STATUS s = Call("FT_Close")) return s;
  const FT_STATUS status = Device(h);
  open = false;
  return status;
}
