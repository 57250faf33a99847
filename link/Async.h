#pragma once
#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>

#include "link/OpenFailure.h"

#include <memory>
#include <optional>

// The serial line link: a port opened by name that carries one command line out and collects one
// CR-terminated reply line within a time limit. It shows nothing; callers decide what the operator
// sees. Each SerialLink is a line of its own (vorkactl talks to several units at once); the Com*
// functions below are the window's one line.

class SerialLine;

class SerialLink {
 public:
  SerialLink();
  ~SerialLink();
  SerialLink(const SerialLink&) = delete;
  SerialLink& operator=(const SerialLink&) = delete;

  // As ComOpen … ComDevice below, on this line.
  bool Open(const std::string& portName, int32_t baudRate, char parity, uint8_t dataBits, float stopBits);
  std::optional<OpenFailure> LastOpenFailure() const { return openFailure_; }
  void Close();
  // Opens the port it last opened again, as it was set up: a USB serial adapter that went away
  // and came back is another device to the system. False while it is not there.
  bool Reopen();
  void SendLine(const std::string& line);
  // As ComReceiveLine. A wait that `abandon` ends (the line is being closed) returns false at once,
  // as a reply that did not come.
  bool ReceiveLine(uint32_t timeLimitMs, std::string& reply, std::size_t capacity,
                   const std::atomic<bool>* abandon = nullptr);
  std::string TakeWaiting(std::chrono::microseconds wait);
  std::string Device() const { return device_; }
  // The device hung up or went away (an adapter unplugged) since it was opened: nothing more will
  // come over it until it is opened again.
  bool Gone() const { return gone_; }

 private:
  std::unique_ptr<SerialLine> line_;
  std::string device_;
  std::optional<OpenFailure> openFailure_;
  struct Setup {
    std::string portName;
    int32_t baudRate = 0;
    char parity = 'n';
    uint8_t dataBits = 8;
    float stopBits = 1.0f;
  };
  std::optional<Setup> opened_;  // the last open asked for, whether it succeeded or not
  // What the last read brought beyond its reply's CR: a second line, a line feed.
  std::string beyondReply_;
  bool gone_ = false;
};
// The window's line, which the Com* functions use.
SerialLink& TheSerialLink();

// Opens and sets up the named port ("COM1" … "COM8", see PortNames). Parity letters: "e", "m", "n",
// "o", "s"; any other keeps the parity the port had. Stop bits: <= 1 one, below 2 one and a half,
// otherwise two. Returns false when the port could not be opened (missing, or held by another
// program); refused line settings are ignored and leave the port open.
bool ComOpen(const std::string& portName, int32_t baudRate, char parity, uint8_t dataBits, float stopBits);

// Why the last ComOpen failed; nothing after one that succeeded.
std::optional<OpenFailure> ComOpenFailure();
// Closes the port; afterwards the link holds none.
void ComClose();

// Throws away up to 256 waiting bytes, then sends the line followed by CR, cut to 255 characters.
void ComSendLine(const std::string& line);

// Empties reply and fills it with the next reply line. True when a CR arrived within the limit:
// reply then holds every byte before the first CR, a NUL among them. False otherwise: reply keeps
// what arrived.
// What came after that CR in the same read is no part of the reply; ComTakeWaiting hands it out,
// and the next ComSendLine drops it.
bool ComReceiveLine(uint32_t timeLimitMs, std::string& reply, std::size_t capacity);

// Takes what has arrived beyond the last reply: the rest of its read, what is waiting, and what
// comes within the wait (it returns as soon as anything came). Empty when the line stayed quiet.
std::string ComTakeWaiting(std::chrono::microseconds wait);

// The device the open port sits on, empty when none is open (for the port dialog's hints and tests).
std::string ComDevice();
