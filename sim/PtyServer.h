#pragma once
#include "sim/VirtualUnit.h"

#include <atomic>
#include <chrono>
#include <deque>
#include <mutex>
#include <string>
#include <thread>

struct termios;

// Serves a VirtualUnit on a pseudo-terminal: the program opens the slave side like any serial
// port. Lines are paced at the unit's baud rate when one is set (10 bit times a byte, both ways).
class PtyServer {
 public:
  explicit PtyServer(VirtualUnit& unit);
  ~PtyServer();
  PtyServer(const PtyServer&) = delete;
  PtyServer& operator=(const PtyServer&) = delete;

  // Opens the pseudo-terminal and starts serving on a thread of its own.
  bool Start();
  void Stop();

  // The device the program opens, e.g. "/dev/pts/5".
  std::string SlavePath() const { return slavePath_; }

  // Bytes sent to the program outside any exchange: a late line feed, a second reply.
  void SendRaw(const std::string& bytes);

  // The line settings the program put on the device (baud rate, parity, modes).
  bool LineSettings(struct termios& settings) const;

  // A name the program opens the line by (a symbolic link to the device). When the unit closes the
  // line it is removed, as an unplugged adapter's device goes: opening it again fails instead of
  // reaching whichever line takes over the freed device number.
  void RemoveOnClose(const std::string& name);

 private:
  using Clock = std::chrono::steady_clock;
  struct Job {
    Clock::time_point due;
    std::string line;
  };
  struct OutByte {
    Clock::time_point due;
    char byte;
  };

  void Run();
  void ReadInput(Clock::time_point now);
  bool SpeedMatches() const;
  void ProcessDueJobs(Clock::time_point now);
  void WriteDueBytes(Clock::time_point now);
  void Queue(const std::string& bytes, Clock::time_point from);
  void Later(const Job& reply);
  void CloseLine();
  Clock::duration ByteTime() const;

  VirtualUnit& unit_;
  int master_ = -1;
  std::string removeOnClose_;  // guarded by rawMutex_
  int slaveHold_ = -1;         // keeps the line alive while the program has the port closed
  int wake_[2] = {-1, -1};
  std::string slavePath_;
  std::thread thread_;
  std::atomic<bool> running_{false};

  std::mutex rawMutex_;
  std::string raw_;

  std::string partial_;
  std::deque<Job> jobs_;
  // Replies and their copies waiting to go out: each when it is due, in that order.
  std::deque<Job> later_;
  std::deque<OutByte> out_;
  Clock::time_point rxFreeAt_{};
  Clock::time_point txFreeAt_{};
  Clock::time_point ignoreUntil_{};
};
