#pragma once
#include "link/OpenFailure.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

// One open serial device as the system gives it: raw bytes in and out, a bounded wait, nothing
// about lines or units. One implementation per system (SerialLineUnix, SerialLineWindows); the
// program's link and the unit search build on it alike.
class SerialLine {
 public:
  enum class Wait { Readable, Limit, Failed };

  virtual ~SerialLine() = default;
  // Speed, data bits, parity letter ("e", "m", "n", "o", "s"; any other keeps the parity the device
  // had) and stop bits (<= 1 one, below 2 one and a half, otherwise two). A setting the driver
  // refuses (a rate it cannot make, a pseudo-terminal without modem lines) is left as it was.
  virtual void Configure(int32_t baudRate, uint8_t dataBits, char parity, float stopBits) = 0;
  // Drops what is waiting to be read or sent.
  virtual void Purge() = 0;
  // What is waiting now, at most max bytes, without waiting; a failed read is none.
  virtual std::string ReadWaiting(std::size_t max) = 0;
  // Waits at most the limit for bytes to read. A device that hung up or failed says so at once.
  virtual Wait WaitForBytes(std::chrono::microseconds limit) = 0;
  // Writes all of bytes, waiting at most boundMs for a full transmit buffer; false when not all went.
  virtual bool Write(const std::string& bytes, int boundMs) = 0;
};

// Opens the device behind portName ("COM3" or a path) for this program alone, raw, without flow
// control and with DTR and RTS inactive; nullptr when it does not open, and why.
std::unique_ptr<SerialLine> OpenSerialLine(const std::string& portName, const std::string& device,
                                           OpenFailure& failure);
