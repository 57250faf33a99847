#pragma once
#include "link/OpenFailure.h"
#include "link/PortNames.h"
#include "link/UniUSB.h"
#include "protocol/Identity.h"

#include <QThread>

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

// The search for units: every serial port with a device and every FTDI device is asked "Q" and "?"
// side by side, each on a thread of its own, first at the chosen speed and then at the others.
// The caller's thread never waits: it starts the search and looks at it when it likes.

// Where the search asks.
struct ScanTarget {
  enum class Kind { Serial, Usb };
  Kind kind = Kind::Serial;
  std::string port;    // as the operator chooses it: "COM3", or the FTDI description
  std::string device;  // the serial device, or the FTDI serial number
  // The program has this port open: it is reported as the open one and not probed behind the
  // program's back.
  bool openInProgram = false;
  int32_t openBaud = 0;
  // An FTDI device this user may not open (its strings could not be read): listed as refused.
  int accessError = 0;
};

struct ScanFound {
  ScanTarget target;
  int32_t baud = 0;
  Identity identity;  // empty for the port the program has open
};

// The seven speeds of the port dialog, the chosen one first.
std::vector<int32_t> ScanSpeeds(int32_t chosen);

// The port the program has open, so that the search leaves it alone.
struct OpenPort {
  bool open = false;
  bool usb = false;
  std::string device;        // serial: the device the port sits on; USB: the description it was opened by
  std::string serialNumber;  // USB: the serial number it was opened by, if it was
  int32_t baud = 0;
};

// COM1 … COM8 that lead to a device (each device once), then the other serial ports present
// (COM9 and above on Windows), then the FTDI devices that no serial port already reaches (the same
// converter is asked once, under its port name).
std::vector<ScanTarget> ScanTargets(const OpenPort& open);
// The same among given identities of serial ports and FTDI devices.
std::vector<ScanTarget> ScanTargetsAmong(const QList<PortIdentity>& coms,
                                         const std::vector<FtdiDevice>& devices, const OpenPort& open);

class UnitScan {
 public:
  // A limit of 100 ms a reply keeps seven speeds of a silent port within a second: a unit answers
  // within milliseconds.
  static constexpr int kReplyLimitMs = 100;

  UnitScan(std::vector<ScanTarget> targets, int32_t chosenBaud, int replyLimitMs = kReplyLimitMs);
  ~UnitScan();  // cancels and waits for the probes, which stop within milliseconds
  UnitScan(const UnitScan&) = delete;
  UnitScan& operator=(const UnitScan&) = delete;

  void Start();
  void Cancel();
  bool Finished() const;
  // The targets asked so far, of how many.
  int Done() const { return done_; }
  int Total() const { return static_cast<int>(targets_.size()); }
  // The units found so far, in the order of the targets; the port the program has open is not
  // asked and not among them.
  std::vector<ScanFound> Found() const;
  // The ports the program has open, left alone.
  std::vector<ScanTarget> OpenInProgram() const;
  // The ports that would not open (no permission, held by another program), in the same order:
  // a unit may be behind them.
  std::vector<OpenFailure> Unopened() const;

  // The longest the search can take against silent ports, opening and closing aside.
  int WorstCaseMs() const;

 private:
  void Probe(std::size_t index);

  std::vector<ScanTarget> targets_;
  std::vector<int32_t> speeds_;
  int replyLimitMs_;
  std::atomic<bool> cancel_{false};
  std::atomic<int> done_{0};
  mutable std::mutex mutex_;
  std::vector<std::optional<ScanFound>> found_;
  std::vector<std::optional<OpenFailure>> unopened_;
  // QThreads: the serial port objects of the probes need Qt's own threads.
  std::vector<std::unique_ptr<QThread>> threads_;
};

// Runs a whole search and waits for it (the command-line tool); the ports that would not open are
// told through unopened.
std::vector<ScanFound> ScanForUnits(const std::vector<ScanTarget>& targets, int32_t chosenBaud,
                                    std::vector<OpenFailure>* unopened = nullptr);
