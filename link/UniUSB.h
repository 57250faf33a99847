#pragma once
#include "link/D2xx.h"
#include "link/OpenFailure.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// The USB link: one FTDI device reached through the D2XX calls, opened by its description.
// Failing library calls (apart from the writes and reads of an exchange) are reported at once
// through the error reporter; the window shows them in an error box titled "Error".

extern FT_HANDLE FTHandle;
extern uint32_t FTDeviceCount;
extern std::string FTDeviceDescription;  // at most 49 characters

// Which call a report is of: a failed open also leaves its reason in UsbOpenFailure().
enum class UsbCall { Open, Other };
using UsbErrorReporter = std::function<void(UsbCall call, const std::string& message)>;
void SetUsbErrorReporter(UsbErrorReporter reporter);

// The message for a failed call: the operation name and the status text (none above 6);
// empty for status 0.
std::string UsbErrorText(const std::string& operation, FT_STATUS status);
void ReportUsbError(const std::string& operation, FT_STATUS status);

// What follows a failed "Open_USB" as its second line: why the device did not open, in the
// operator's language (the window's Czech, vorkactl's English). None: the first line alone.
void SetUsbOpenHint(std::function<std::string(const OpenFailure&)> hint);
// Why the last open of a device failed; nothing after an open that succeeded.
std::optional<OpenFailure> UsbOpenFailure();

FT_STATUS GetFTDeviceCount();
FT_STATUS GetFTDeviceDescription(uint32_t index);
// The serial number of the index-th device, empty when the library has none; shows nothing.
std::string FTDeviceSerialNumber(uint32_t index);

// The attached FTDI devices. Quiet (the list that follows hot-plugging, the search, vorkactl):
// nothing when the library failed to count them. Reported (the port dialog's "Najít"): a failed
// count or description read is reported, and a failed description keeps the one read before it.
struct FtdiDevice {
  std::string description, serialNumber;
  // Why its strings could not be read (EACCES: this user may not open it); 0 when they were.
  int accessError = 0;
  bool operator==(const FtdiDevice&) const = default;
};
enum class FtdiListing { Quiet, Reported };
std::optional<std::vector<FtdiDevice>> ListFtdiDevices(FtdiListing listing = FtdiListing::Quiet);

// Opens the device by the first 49 characters of its description and sets 8N1, no flow control
// and the baud rate. An empty description returns false without a call. A device that opened
// but failed a later step is closed again.
bool Open_USB(const std::string& description, uint32_t baudRate);
// Opens the device and prepares it as the port dialog does: reset, both buffers purged, the read
// and write time-outs set. False when it did not open (the reasons have been reported). With a
// serial number the device is opened by it (two converters may share a description).
// knownSerialNumber: the converter's serial number as the list shows it, to open the same one
// again (Reopen_USB) when it was unplugged and plugged back.
bool OpenPrepared_USB(const std::string& description, uint32_t baudRate, uint32_t timeoutMs,
                      const std::string& serialNumber = {}, const std::string& knownSerialNumber = {});
// The converter went away (a call failed on it) since it was opened.
bool Gone_USB();
// Closes the converter that went away and opens it again as it was opened, quietly; false while
// it is not back.
bool Reopen_USB();
// The box of a failed "Open_USB" for a listed device this user may not open (accessError as
// FtdiDevice holds it), without a call: the device has no description to open it by.
void ReportRefusedUsbDevice(int accessError);
void Close_USB();
void Reset_USB();
void Purge_USB();
void SetTimeouts_USB(uint32_t readMs, uint32_t writeMs);

// While one lives, the open USB converter hands on what it received at once: its latency timer
// (16 ms as it comes, and then the pace of every exchange) at its smallest; afterwards as it was.
// Quiet: a converter that cannot change it goes on at its own pace. Nothing without a USB link.
class FastUsbReplies {
 public:
  // `current`: where the link keeps its open converter's handle (FTHandle, or a UsbLink's).
  explicit FastUsbReplies(const FT_HANDLE& current = FTHandle);
  ~FastUsbReplies();
  FastUsbReplies(const FastUsbReplies&) = delete;
  FastUsbReplies& operator=(const FastUsbReplies&) = delete;
  // The link's converter is another one now (closed and opened again, or opened since): this one
  // does nothing for it.
  bool Stale() const;

 private:
  friend void PutBackLatency(FT_HANDLE handle);
  const FT_HANDLE& current_;
  FT_HANDLE handle_ = 0;
  std::optional<uint8_t> before_;
  bool putBack_ = false;  // its converter closed, the timer put back first
};
// Puts the converter's latency timer back as it was, where a FastUsbReplies changed it: before its
// handle closes.
void PutBackLatency(FT_HANDLE handle);
bool Write_USB(const std::string& line);
// Reads and drops whatever is waiting (a reply that came after its limit); shows nothing.
void DiscardInput_USB();
// Takes what is waiting, or what arrives within the wait (it returns as soon as anything came);
// empty when the line stayed quiet. Shows nothing.
std::string TakeInput_USB(std::chrono::microseconds wait);
// True when the last byte received is a CR; the reply keeps its CR (and anything before it). A
// wait that `abandon` ends (the line is being closed) returns false at once.
bool Read_USB(uint32_t timeLimitMs, std::string& reply, std::size_t capacity,
              const std::atomic<bool>* abandon = nullptr);

// A converter of its own, opened and prepared as OpenPrepared_USB does, for a program that talks
// to several units at once (vorkactl); the *_USB functions are the window's one, FTHandle. Its
// failures are reported as theirs are.
class UsbLink {
 public:
  UsbLink() = default;
  ~UsbLink();
  UsbLink(const UsbLink&) = delete;
  UsbLink& operator=(const UsbLink&) = delete;

  bool OpenPrepared(const std::string& description, uint32_t baudRate, uint32_t timeoutMs,
                    const std::string& serialNumber = {});
  // As Gone_USB and Reopen_USB, for this converter; the serial number the list showed for it finds
  // it again when it was opened by its description.
  bool Gone() const { return gone_; }
  bool Reopen();
  void SetSerialNumber(const std::string& serialNumber) { serialNumber_ = serialNumber; }
  void Close();
  bool Write(const std::string& line);
  std::string TakeInput(std::chrono::microseconds wait);
  bool Read(uint32_t timeLimitMs, std::string& reply, std::size_t capacity,
            const std::atomic<bool>* abandon = nullptr);
  const FT_HANDLE& Handle() const { return handle_; }

 private:
  struct Opened {
    std::string description, serialNumber;
    uint32_t baudRate = 0, timeoutMs = 0;
  };
  FT_HANDLE handle_ = 0;
  std::optional<Opened> opened_;
  std::string serialNumber_;
  bool gone_ = false;
};
