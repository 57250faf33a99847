#pragma once
#include <cstdint>
#include <string>

// Why a serial port did not open, in words the operator can act on.
struct OpenFailure {
  // NoLibrary: the FTDI driver's library is not installed (Windows), so no converter can be used.
  enum class Kind { NoDevice, PermissionDenied, InUse, NoLibrary, Other };
  Kind kind = Kind::Other;
  std::string port;    // as chosen: "COM3" or a path
  std::string device;  // the device behind it; empty when there is none
  // PermissionDenied: the group that owns the device node and may open it; empty when the node
  // gives its group no access, and then only its owner may open it.
  std::string group;
  std::string owner;   // PermissionDenied: the node's owner
  std::string detail;  // Other: the system's text, in English
  // Other: the system's text in the user's language, where the system has one (Windows); the
  // Czech messages show it rather than the English one.
  std::string usersDetail;
  bool usb = false;  // an FTDI device opened through the USB link: port holds its description
};

// The reason from the error of opening the device (errno) and its device node.
OpenFailure ClassifyOpenFailure(const std::string& port, const std::string& device, int systemError);

// Why an FTDI device did not open: its D2XX status and the system's reason (0 when unknown).
OpenFailure ClassifyUsbOpenFailure(const std::string& description, uint32_t status, int systemError);
// The FTDI driver's library is missing: no converter opens, the serial ports still do.
OpenFailure UsbLibraryMissing();

std::string CzechText(const OpenFailure& failure);
// The reason alone, for a list: "přístup odepřen (skupina dialout)".
std::string CzechReason(const OpenFailure& failure);
std::string EnglishText(const OpenFailure& failure);
