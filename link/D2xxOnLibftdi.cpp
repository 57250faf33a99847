// The D2XX calls carried by libftdi1: FTDI's own vendor ID and the product IDs libftdi knows,
// the description being the USB product string. The kernel's serial driver is detached while a
// device is open and given back when it is closed.
#include "link/D2xx.h"

#include <libftdi1/ftdi.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int kFtdiVendor = 0x0403;
constexpr unsigned char kLatencyMs = 1;  // small replies should not wait for the 16 ms default

struct ContextDeleter {
  void operator()(ftdi_context* c) const { ftdi_free(c); }
};
using Context = std::unique_ptr<ftdi_context, ContextDeleter>;

Context NewContext() { return Context(ftdi_new()); }

// The descriptions of the attached FTDI devices, in the order libusb lists them. A machine
// without USB access lists none.
std::vector<std::string> AttachedDescriptions(ftdi_context* ctx) {
  std::vector<std::string> found;
  ftdi_device_list* list = nullptr;
  if (ftdi_usb_find_all(ctx, &list, kFtdiVendor, 0) < 0) return found;
  for (ftdi_device_list* d = list; d; d = d->next) {
    char description[kDescriptionBufferSize] = {};
    if (ftdi_usb_get_strings(ctx, d->dev, nullptr, 0, description, sizeof description, nullptr, 0) < 0)
      description[0] = '\0';
    found.emplace_back(description);
  }
  ftdi_list_free(&list);
  return found;
}

class Libftdi : public D2xxApi {
 public:
  FT_STATUS FT_ListDevices(void* arg1, void* arg2, uint32_t flags) override {
    Context ctx = NewContext();
    const std::vector<std::string> devices =
        ctx ? AttachedDescriptions(ctx.get()) : std::vector<std::string>{};
    if (flags == FT_LIST_NUMBER_ONLY) {
      if (!arg1) return FT_INVALID_PARAMETER;
      *static_cast<uint32_t*>(arg1) = static_cast<uint32_t>(devices.size());
      return FT_OK;
    }
    if (flags == (FT_LIST_BY_INDEX | FT_OPEN_BY_DESCRIPTION)) {
      const auto index = static_cast<std::size_t>(reinterpret_cast<uintptr_t>(arg1));
      if (!arg2) return FT_INVALID_PARAMETER;
      if (index >= devices.size()) return FT_DEVICE_NOT_FOUND;
      std::strncpy(static_cast<char*>(arg2), devices[index].c_str(), kDescriptionBufferSize - 1);
      static_cast<char*>(arg2)[kDescriptionBufferSize - 1] = '\0';
      return FT_OK;
    }
    return FT_INVALID_PARAMETER;
  }

  FT_STATUS FT_OpenEx(void* arg, uint32_t flags, FT_HANDLE* handle) override {
    if (flags != FT_OPEN_BY_DESCRIPTION || !arg || !handle) return FT_INVALID_PARAMETER;
    const std::string wanted = static_cast<const char*>(arg);
    Context ctx = NewContext();
    if (!ctx) return FT_DEVICE_NOT_FOUND;
    ctx->module_detach_mode = AUTO_DETACH_REATACH_SIO_MODULE;
    ftdi_device_list* list = nullptr;
    if (ftdi_usb_find_all(ctx.get(), &list, kFtdiVendor, 0) < 0) return FT_DEVICE_NOT_FOUND;
    FT_STATUS status = FT_DEVICE_NOT_FOUND;
    for (ftdi_device_list* d = list; d; d = d->next) {
      char description[kDescriptionBufferSize] = {};
      if (ftdi_usb_get_strings(ctx.get(), d->dev, nullptr, 0, description, sizeof description, nullptr, 0) <
          0)
        continue;
      if (wanted != description) continue;
      // -8: no permission (see the udev rule), anything else: the device would not open.
      status = ftdi_usb_open_dev(ctx.get(), d->dev) == 0 ? FT_OK : FT_DEVICE_NOT_OPENED;
      break;
    }
    ftdi_list_free(&list);
    if (status != FT_OK) return status;
    ftdi_set_latency_timer(ctx.get(), kLatencyMs);
    open_ = std::move(ctx);
    pending_.clear();
    *handle = ++lastHandle_;
    return FT_OK;
  }

  FT_STATUS FT_SetDataCharacteristics(FT_HANDLE h, uint8_t wordLength, uint8_t stopBits,
                                      uint8_t parity) override {
    ftdi_context* c = Find(h);
    if (!c) return FT_INVALID_HANDLE;
    if (wordLength != FT_BITS_8 || stopBits != FT_STOP_BITS_1 || parity != FT_PARITY_NONE)
      return FT_INVALID_PARAMETER;
    return ftdi_set_line_property(c, BITS_8, STOP_BIT_1, NONE) == 0 ? FT_OK : FT_IO_ERROR;
  }

  FT_STATUS FT_SetFlowControl(FT_HANDLE h, uint16_t flowControl, uint8_t, uint8_t) override {
    ftdi_context* c = Find(h);
    if (!c) return FT_INVALID_HANDLE;
    if (flowControl != FT_FLOW_NONE) return FT_INVALID_PARAMETER;
    return ftdi_setflowctrl(c, SIO_DISABLE_FLOW_CTRL) == 0 ? FT_OK : FT_IO_ERROR;
  }

  FT_STATUS FT_SetBaudRate(FT_HANDLE h, uint32_t baudRate) override {
    ftdi_context* c = Find(h);
    if (!c) return FT_INVALID_HANDLE;
    const int r = ftdi_set_baudrate(c, static_cast<int>(baudRate));
    return r == 0 ? FT_OK : r == -1 ? FT_INVALID_PARAMETER : FT_IO_ERROR;
  }

  FT_STATUS FT_ResetDevice(FT_HANDLE h) override {
    ftdi_context* c = Find(h);
    if (!c) return FT_INVALID_HANDLE;
    return ftdi_usb_reset(c) == 0 ? FT_OK : FT_IO_ERROR;
  }

  FT_STATUS FT_Purge(FT_HANDLE h, uint32_t mask) override {
    ftdi_context* c = Find(h);
    if (!c) return FT_INVALID_HANDLE;
    if (mask & FT_PURGE_RX) {
      pending_.clear();
      if (ftdi_tciflush(c) != 0) return FT_IO_ERROR;
    }
    if ((mask & FT_PURGE_TX) && ftdi_tcoflush(c) != 0) return FT_IO_ERROR;
    return FT_OK;
  }

  FT_STATUS FT_SetTimeouts(FT_HANDLE h, uint32_t readMs, uint32_t writeMs) override {
    ftdi_context* c = Find(h);
    if (!c) return FT_INVALID_HANDLE;
    c->usb_read_timeout = static_cast<int>(readMs);
    c->usb_write_timeout = static_cast<int>(writeMs);
    return FT_OK;
  }

  FT_STATUS FT_Write(FT_HANDLE h, const void* buffer, uint32_t size, uint32_t* written) override {
    ftdi_context* c = Find(h);
    if (!c) return FT_INVALID_HANDLE;
    const int n = ftdi_write_data(c, static_cast<const unsigned char*>(buffer), static_cast<int>(size));
    if (n < 0) return FT_IO_ERROR;
    if (written) *written = static_cast<uint32_t>(n);
    return FT_OK;
  }

  // libftdi has no queue status: what the chip has delivered so far is fetched into a buffer of
  // our own, and its size is the answer.
  FT_STATUS FT_GetQueueStatus(FT_HANDLE h, uint32_t* rxBytes) override {
    ftdi_context* c = Find(h);
    if (!c) return FT_INVALID_HANDLE;
    unsigned char chunk[512];
    const int n = ftdi_read_data(c, chunk, sizeof chunk);
    if (n < 0) return FT_IO_ERROR;
    pending_.insert(pending_.end(), chunk, chunk + n);
    if (rxBytes) *rxBytes = static_cast<uint32_t>(pending_.size());
    return FT_OK;
  }

  FT_STATUS FT_Read(FT_HANDLE h, void* buffer, uint32_t size, uint32_t* got) override {
    if (!Find(h)) return FT_INVALID_HANDLE;
    const std::size_t n = std::min<std::size_t>(size, pending_.size());
    std::memcpy(buffer, pending_.data(), n);
    pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(n));
    if (got) *got = static_cast<uint32_t>(n);
    return FT_OK;
  }

  FT_STATUS FT_Close(FT_HANDLE h) override {
    ftdi_context* c = Find(h);
    if (!c) return FT_INVALID_HANDLE;
    const int r = ftdi_usb_close(c);
    open_.reset();
    pending_.clear();
    return r == 0 ? FT_OK : FT_IO_ERROR;
  }

 private:
  ftdi_context* Find(FT_HANDLE h) const { return open_ && h == lastHandle_ ? open_.get() : nullptr; }

  Context open_;
  FT_HANDLE lastHandle_ = 0;
  std::vector<unsigned char> pending_;
};

Libftdi g_libftdi;
D2xxApi* g_api = &g_libftdi;

}  // namespace

D2xxApi& D2xx() { return *g_api; }
void SetD2xx(D2xxApi* api) { g_api = api ? api : &g_libftdi; }
