// The D2XX calls carried by libftdi1: FTDI's own vendor ID and the product IDs libftdi knows,
// the description being the USB product string. The kernel's serial driver is detached while a
// device is open and given back when it is closed.
#include "link/D2xx.h"
#include "link/ReceiveQueue.h"

#include <libftdi1/ftdi.h>
#include <libusb.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include <dirent.h>
#include <unistd.h>

namespace {

constexpr unsigned char kLatencyMs = 1;  // small replies should not wait for the 16 ms default

struct ContextDeleter {
  void operator()(ftdi_context* c) const { ftdi_free(c); }
};
using Context = std::unique_ptr<ftdi_context, ContextDeleter>;

Context NewContext() { return Context(ftdi_new()); }

std::string NodeOf(libusb_device* dev) {
  char node[64];
  std::snprintf(node, sizeof node, "/dev/bus/usb/%03d/%03d", libusb_get_bus_number(dev),
                libusb_get_device_address(dev));
  return node;
}

// Whether the device's node under /dev/bus/usb refuses this user (no udev rule, not in plugdev).
bool NodeRefused(libusb_device* dev) {
  return ::access(NodeOf(dev).c_str(), R_OK | W_OK) != 0 && errno == EACCES;
}

struct Attached {
  std::string description, serial;
  int error = 0;  // why the strings could not be read
};

// The attached FTDI devices, in the order libusb lists them. A machine without USB access lists none.
std::vector<Attached> AttachedDevices(ftdi_context* ctx) {
  std::vector<Attached> found;
  ftdi_device_list* list = nullptr;
  if (ftdi_usb_find_all(ctx, &list, kFtdiVendorId, 0) < 0) return found;
  for (ftdi_device_list* d = list; d; d = d->next) {
    char description[kDescriptionBufferSize] = {};
    char serial[kDescriptionBufferSize] = {};
    int error = 0;
    if (ftdi_usb_get_strings(ctx, d->dev, nullptr, 0, description, sizeof description, serial,
                             sizeof serial) < 0) {
      description[0] = serial[0] = '\0';
      error = NodeRefused(d->dev) ? EACCES : EIO;
    }
    found.push_back({description, serial, error});
  }
  ftdi_list_free(&list);
  return found;
}

// Why libusb would not open the device.
int OpenError(libusb_device* dev, int result) {
  if (result == -5) return EBUSY;  // claimed by another program, or kept by its kernel driver
  if (NodeRefused(dev)) return EACCES;
  return result == -3 ? ENODEV : EIO;
}

// The tty the kernel's serial driver made of the device ("/dev/ttyUSB0"), empty when none.
std::string TtyOf(libusb_device* dev) {
  uint8_t ports[8];
  const int depth = libusb_get_port_numbers(dev, ports, sizeof ports);
  if (depth <= 0) return {};
  std::string name = std::to_string(libusb_get_bus_number(dev)) + "-";
  for (int i = 0; i < depth; ++i) name += (i ? "." : "") + std::to_string(ports[i]);
  const std::string folder = "/sys/bus/usb/devices/" + name + ":1.0";
  DIR* dir = ::opendir(folder.c_str());
  if (!dir) return {};
  std::string tty;
  while (const dirent* entry = ::readdir(dir))
    if (std::strncmp(entry->d_name, "ttyUSB", 6) == 0) tty = std::string("/dev/") + entry->d_name;
  ::closedir(dir);
  return tty;
}

// Whether another process has the file open, as fuser sees it (processes this user may look at).
bool OpenElsewhere(const std::string& path) {
  if (path.empty()) return false;
  DIR* proc = ::opendir("/proc");
  if (!proc) return false;
  const std::string self = std::to_string(::getpid());
  bool open = false;
  while (const dirent* entry = ::readdir(proc)) {
    if (open || entry->d_name[0] < '0' || entry->d_name[0] > '9' || self == entry->d_name) continue;
    const std::string fds = std::string("/proc/") + entry->d_name + "/fd";
    DIR* dir = ::opendir(fds.c_str());
    if (!dir) continue;
    while (const dirent* fd = ::readdir(dir)) {
      char target[256];
      const ssize_t n = ::readlink((fds + "/" + fd->d_name).c_str(), target, sizeof target - 1);
      if (n > 0 && path == std::string(target, static_cast<std::size_t>(n))) open = true;
    }
    ::closedir(dir);
  }
  ::closedir(proc);
  return open;
}

class Libftdi : public D2xxApi {
 public:
  FT_STATUS FT_ListDevices(void* arg1, void* arg2, uint32_t flags) override {
    const std::vector<Attached> devices = Listed();
    if (flags == FT_LIST_NUMBER_ONLY) {
      if (!arg1) return FT_INVALID_PARAMETER;
      *static_cast<uint32_t*>(arg1) = static_cast<uint32_t>(devices.size());
      return FT_OK;
    }
    const bool bySerial = flags == (FT_LIST_BY_INDEX | FT_OPEN_BY_SERIAL_NUMBER);
    if (bySerial || flags == (FT_LIST_BY_INDEX | FT_OPEN_BY_DESCRIPTION)) {
      const auto index = static_cast<std::size_t>(reinterpret_cast<uintptr_t>(arg1));
      if (!arg2) return FT_INVALID_PARAMETER;
      if (index >= devices.size()) return FT_DEVICE_NOT_FOUND;
      const std::string& text = bySerial ? devices[index].serial : devices[index].description;
      std::strncpy(static_cast<char*>(arg2), text.c_str(), kDescriptionBufferSize - 1);
      static_cast<char*>(arg2)[kDescriptionBufferSize - 1] = '\0';
      return FT_OK;
    }
    return FT_INVALID_PARAMETER;
  }

  FT_STATUS FT_OpenEx(void* arg, uint32_t flags, FT_HANDLE* handle) override {
    // Never take a device from the kernel's serial driver behind the operator's back (the search),
    // nor from a program that has its tty open.
    const bool keepDriver = flags & FT_OPEN_KEEP_KERNEL_DRIVER;
    flags &= ~FT_OPEN_KEEP_KERNEL_DRIVER;
    if ((flags != FT_OPEN_BY_DESCRIPTION && flags != FT_OPEN_BY_SERIAL_NUMBER) || !arg || !handle)
      return FT_INVALID_PARAMETER;
    const std::string wanted = static_cast<const char*>(arg);
    lastOpenError_ = ENOENT;
    Context ctx = NewContext();
    if (!ctx) return FT_DEVICE_NOT_FOUND;
    ctx->module_detach_mode = keepDriver ? DONT_DETACH_SIO_MODULE : AUTO_DETACH_REATACH_SIO_MODULE;
    ftdi_device_list* list = nullptr;
    if (ftdi_usb_find_all(ctx.get(), &list, kFtdiVendorId, 0) < 0) return FT_DEVICE_NOT_FOUND;
    FT_STATUS status = FT_DEVICE_NOT_FOUND;
    bool refused = false;
    for (ftdi_device_list* d = list; d; d = d->next) {
      char description[kDescriptionBufferSize] = {};
      char serial[kDescriptionBufferSize] = {};
      if (ftdi_usb_get_strings(ctx.get(), d->dev, nullptr, 0, description, sizeof description, serial,
                               sizeof serial) < 0) {
        refused = refused || NodeRefused(d->dev);
        continue;
      }
      if (wanted != (flags == FT_OPEN_BY_SERIAL_NUMBER ? serial : description)) continue;
      status = FT_DEVICE_NOT_OPENED;
      if (!keepDriver && OpenElsewhere(TtyOf(d->dev))) {
        lastOpenError_ = EBUSY;
        break;
      }
      const int result = ftdi_usb_open_dev(ctx.get(), d->dev);
      if (result == 0)
        status = FT_OK;
      else
        lastOpenError_ = OpenError(d->dev, result);
      break;
    }
    // A device whose strings this user may not read may be the one wanted.
    if (status == FT_DEVICE_NOT_FOUND && refused) {
      status = FT_DEVICE_NOT_OPENED;
      lastOpenError_ = EACCES;
    }
    ftdi_list_free(&list);
    if (status != FT_OK) return status;
    lastOpenError_ = 0;
    ftdi_set_latency_timer(ctx.get(), kLatencyMs);
    const std::lock_guard lock(mutex_);
    *handle = ++lastHandle_;
    open_[*handle].ctx = std::move(ctx);
    return FT_OK;
  }

  FT_STATUS FT_SetDataCharacteristics(FT_HANDLE h, uint8_t wordLength, uint8_t stopBits,
                                      uint8_t parity) override {
    Device* d = Find(h);
    if (!d) return FT_INVALID_HANDLE;
    if (wordLength != FT_BITS_8 || stopBits != FT_STOP_BITS_1 || parity != FT_PARITY_NONE)
      return FT_INVALID_PARAMETER;
    return ftdi_set_line_property(d->ctx.get(), BITS_8, STOP_BIT_1, NONE) == 0 ? FT_OK : FT_IO_ERROR;
  }

  FT_STATUS FT_SetFlowControl(FT_HANDLE h, uint16_t flowControl, uint8_t, uint8_t) override {
    Device* d = Find(h);
    if (!d) return FT_INVALID_HANDLE;
    if (flowControl != FT_FLOW_NONE) return FT_INVALID_PARAMETER;
    return ftdi_setflowctrl(d->ctx.get(), SIO_DISABLE_FLOW_CTRL) == 0 ? FT_OK : FT_IO_ERROR;
  }

  FT_STATUS FT_SetBaudRate(FT_HANDLE h, uint32_t baudRate) override {
    Device* d = Find(h);
    if (!d) return FT_INVALID_HANDLE;
    const int r = ftdi_set_baudrate(d->ctx.get(), static_cast<int>(baudRate));
    return r == 0 ? FT_OK : r == -1 ? FT_INVALID_PARAMETER : FT_IO_ERROR;
  }

  FT_STATUS FT_ResetDevice(FT_HANDLE h) override {
    Device* d = Find(h);
    if (!d) return FT_INVALID_HANDLE;
    return ftdi_usb_reset(d->ctx.get()) == 0 ? FT_OK : FT_IO_ERROR;
  }

  FT_STATUS FT_Purge(FT_HANDLE h, uint32_t mask) override {
    Device* d = Find(h);
    if (!d) return FT_INVALID_HANDLE;
    if (mask & FT_PURGE_RX) {
      d->pending.Clear();
      if (ftdi_tciflush(d->ctx.get()) != 0) return FT_IO_ERROR;
    }
    if ((mask & FT_PURGE_TX) && ftdi_tcoflush(d->ctx.get()) != 0) return FT_IO_ERROR;
    return FT_OK;
  }

  FT_STATUS FT_SetLatencyTimer(FT_HANDLE h, uint8_t ms) override {
    Device* d = Find(h);
    if (!d) return FT_INVALID_HANDLE;
    const int r = ftdi_set_latency_timer(d->ctx.get(), ms);
    return r == 0 ? FT_OK : r == -1 ? FT_INVALID_PARAMETER : FT_IO_ERROR;
  }

  FT_STATUS FT_GetLatencyTimer(FT_HANDLE h, uint8_t* ms) override {
    Device* d = Find(h);
    if (!d) return FT_INVALID_HANDLE;
    unsigned char latency = 0;
    if (ftdi_get_latency_timer(d->ctx.get(), &latency) != 0) return FT_IO_ERROR;
    *ms = latency;
    return FT_OK;
  }

  FT_STATUS FT_SetTimeouts(FT_HANDLE h, uint32_t readMs, uint32_t writeMs) override {
    Device* d = Find(h);
    if (!d) return FT_INVALID_HANDLE;
    d->ctx->usb_read_timeout = static_cast<int>(readMs);
    d->ctx->usb_write_timeout = static_cast<int>(writeMs);
    return FT_OK;
  }

  FT_STATUS FT_Write(FT_HANDLE h, const void* buffer, uint32_t size, uint32_t* written) override {
    Device* d = Find(h);
    if (!d) return FT_INVALID_HANDLE;
    const int n =
        ftdi_write_data(d->ctx.get(), static_cast<const unsigned char*>(buffer), static_cast<int>(size));
    if (n < 0) return FT_IO_ERROR;
    if (written) *written = static_cast<uint32_t>(n);
    return FT_OK;
  }

  // libftdi has no queue status: the queue is our own.
  FT_STATUS FT_GetQueueStatus(FT_HANDLE h, uint32_t* rxBytes) override {
    Device* d = Find(h);
    if (!d) return FT_INVALID_HANDLE;
    if (!d->pending.Fetch(
            [d](unsigned char* buffer, int size) { return ftdi_read_data(d->ctx.get(), buffer, size); }))
      return FT_IO_ERROR;
    if (rxBytes) *rxBytes = static_cast<uint32_t>(d->pending.Size());
    return FT_OK;
  }

  FT_STATUS FT_Read(FT_HANDLE h, void* buffer, uint32_t size, uint32_t* got) override {
    Device* d = Find(h);
    if (!d) return FT_INVALID_HANDLE;
    const std::size_t n = d->pending.Take(buffer, size);
    if (got) *got = static_cast<uint32_t>(n);
    return FT_OK;
  }

  FT_STATUS FT_Close(FT_HANDLE h) override {
    Device* d = Find(h);
    if (!d) return FT_INVALID_HANDLE;
    const std::string node = d->ctx->usb_dev ? NodeOf(libusb_get_device(d->ctx->usb_dev)) : std::string();
    const int r = ftdi_usb_close(d->ctx.get());
    const std::lock_guard lock(mutex_);
    open_.erase(h);
    // A device that was unplugged is closed all the same: nothing is left to release.
    return r == 0 || (!node.empty() && ::access(node.c_str(), F_OK) != 0) ? FT_OK : FT_IO_ERROR;
  }

  int ListError(uint32_t index) const override {
    const std::lock_guard lock(listMutex_);
    return index < listed_.size() ? listed_[index].error : 0;
  }

  int LastOpenError() const override { return lastOpenError_; }

 private:
  struct Device {
    Context ctx;
    ReceiveQueue pending;
  };

  // A listing comes as a burst of calls (the count, then each index); one look at the bus serves
  // the burst, so that it costs one enumeration and every index means the same device.
  std::vector<Attached> Listed() {
    const std::lock_guard lock(listMutex_);
    const auto now = std::chrono::steady_clock::now();
    if (now - listedAt_ > std::chrono::milliseconds(200)) {
      Context ctx = NewContext();
      listed_ = ctx ? AttachedDevices(ctx.get()) : std::vector<Attached>{};
      listedAt_ = now;
    }
    return listed_;
  }

  // A device is used by one thread at a time (the window's, or one probe's); the lock guards
  // only the table of handles.
  Device* Find(FT_HANDLE h) {
    const std::lock_guard lock(mutex_);
    const auto it = open_.find(h);
    return it == open_.end() ? nullptr : &it->second;
  }

  std::mutex mutex_;
  std::map<FT_HANDLE, Device> open_;
  mutable std::mutex listMutex_;
  std::vector<Attached> listed_;
  std::chrono::steady_clock::time_point listedAt_{};
  FT_HANDLE lastHandle_ = 0;
  static thread_local int lastOpenError_;
};

thread_local int Libftdi::lastOpenError_ = 0;

Libftdi g_libftdi;
D2xxApi* g_api = &g_libftdi;

}  // namespace

D2xxApi& D2xx() { return *g_api; }
void SetD2xx(D2xxApi* api) { g_api = api ? api : &g_libftdi; }
