#pragma once
#include <cstdint>

// The fourteen calls of FTDI's D2XX library that the USB link uses, with its status codes. The
// program uses libftdi1 behind them on Linux (D2xxOnLibftdi) and FTDI's ftd2xx.dll on Windows
// (D2xxOnDll); tests put a fake in their place. Calls may
// come from more than one thread (the unit search probes devices side by side), each device on
// its own handle.
using FT_STATUS = uint32_t;
using FT_HANDLE = uint32_t;

enum : FT_STATUS {
  FT_OK = 0,
  FT_INVALID_HANDLE = 1,
  FT_DEVICE_NOT_FOUND = 2,
  FT_DEVICE_NOT_OPENED = 3,
  FT_IO_ERROR = 4,
  FT_INSUFFICIENT_RESOURCES = 5,
  FT_INVALID_PARAMETER = 6,
  FT_OTHER_ERROR = 18,
};

// The USB vendor id of FTDI's converters.
constexpr uint16_t kFtdiVendorId = 0x0403;

constexpr uint32_t FT_LIST_NUMBER_ONLY = 0x80000000;
constexpr uint32_t FT_LIST_BY_INDEX = 0x40000000;
constexpr uint32_t FT_OPEN_BY_SERIAL_NUMBER = 1;
constexpr uint32_t FT_OPEN_BY_DESCRIPTION = 2;
// Ours, beside the library's flags: open only a device that no kernel driver holds, rather than
// take it from the kernel's serial driver (and from the program that has its tty open).
constexpr uint32_t FT_OPEN_KEEP_KERNEL_DRIVER = 0x100;
constexpr uint32_t FT_PURGE_RX = 1;
constexpr uint32_t FT_PURGE_TX = 2;
constexpr uint8_t FT_BITS_8 = 8;
constexpr uint8_t FT_STOP_BITS_1 = 0;
constexpr uint8_t FT_PARITY_NONE = 0;
constexpr uint16_t FT_FLOW_NONE = 0;
// Room for the longest description the library writes (64 bytes with its NUL).
constexpr int kDescriptionBufferSize = 64;

class D2xxApi {
 public:
  virtual ~D2xxApi() = default;
  // FT_LIST_NUMBER_ONLY: arg1 is a uint32_t* for the count. FT_LIST_BY_INDEX |
  // FT_OPEN_BY_DESCRIPTION (or FT_OPEN_BY_SERIAL_NUMBER): arg1 is the index, arg2 a buffer of
  // kDescriptionBufferSize bytes for the description (or the serial number).
  virtual FT_STATUS FT_ListDevices(void* arg1, void* arg2, uint32_t flags) = 0;
  // FT_OPEN_BY_DESCRIPTION (FT_OPEN_BY_SERIAL_NUMBER): arg is the NUL-terminated description
  // (serial number).
  virtual FT_STATUS FT_OpenEx(void* arg, uint32_t flags, FT_HANDLE* handle) = 0;
  virtual FT_STATUS FT_SetDataCharacteristics(FT_HANDLE h, uint8_t wordLength, uint8_t stopBits,
                                              uint8_t parity) = 0;
  virtual FT_STATUS FT_SetFlowControl(FT_HANDLE h, uint16_t flowControl, uint8_t xon, uint8_t xoff) = 0;
  virtual FT_STATUS FT_SetBaudRate(FT_HANDLE h, uint32_t baudRate) = 0;
  virtual FT_STATUS FT_ResetDevice(FT_HANDLE h) = 0;
  virtual FT_STATUS FT_Purge(FT_HANDLE h, uint32_t mask) = 0;
  virtual FT_STATUS FT_SetTimeouts(FT_HANDLE h, uint32_t readTimeoutMs, uint32_t writeTimeoutMs) = 0;
  virtual FT_STATUS FT_Write(FT_HANDLE h, const void* buffer, uint32_t size, uint32_t* written) = 0;
  virtual FT_STATUS FT_GetQueueStatus(FT_HANDLE h, uint32_t* rxBytes) = 0;
  virtual FT_STATUS FT_Read(FT_HANDLE h, void* buffer, uint32_t size, uint32_t* got) = 0;
  virtual FT_STATUS FT_Close(FT_HANDLE h) = 0;
  // How long the converter holds back a few received bytes before it sends them on (16 ms as it
  // comes): the pace of an exchange over USB.
  virtual FT_STATUS FT_SetLatencyTimer(FT_HANDLE h, uint8_t ms) = 0;
  virtual FT_STATUS FT_GetLatencyTimer(FT_HANDLE h, uint8_t* ms) = 0;

  // Whether the library is there at all: on Windows FTDI's driver may not be installed. Every
  // call fails while it is not.
  virtual bool Available() { return true; }
  // Why the last FT_OpenEx that failed did so, as a system error number (ENOENT, EACCES, EBUSY …);
  // 0 when unknown. D2XX itself cannot say more than its status; libftdi can.
  virtual int LastOpenError() const { return 0; }
  // Why the strings of the listed device at index could not be read (EACCES for a device this
  // user may not open), 0 when they were: its description and serial number then list empty.
  virtual int ListError(uint32_t /*index*/) const { return 0; }
};

// The library the USB link calls; libftdi1 unless a test put another in place (nullptr restores).
D2xxApi& D2xx();
void SetD2xx(D2xxApi* api);
