#pragma once
#include <chrono>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

// The virtual VORKA unit: answers command lines as the unit does, keeps its registers, and lets
// tests inject the faults a real line shows. Thread-safe: the pseudo-terminal server calls it from
// its own thread while a test changes it.
class VirtualUnit {
 public:
  struct Options {
    std::string id = "VK12345";     // answer to "Q" after "0,"
    std::string version = " v2.4";  // follows "TK20MPG" (or "TK20") in the answer to "?"
    bool mpg = true;
    int restartMs = 300;  // input ignored after "j"
  };

  VirtualUnit();
  explicit VirtualUnit(Options options);

  // The reply to one received line (without CR), or nothing when the unit stays silent.
  // Replies carry no terminator; the server adds it.
  std::optional<std::string> Respond(const std::string& line);

  // Factory state of every register.
  void ResetRegisters();

  // Register access for tests, by address ("01", "FD", "10", "48" …).
  std::optional<uint8_t> ByteRegister(const std::string& address) const;
  void SetByteRegister(const std::string& address, uint8_t value);
  std::optional<std::string> TextRegister(const std::string& address) const;
  void SetTextRegister(const std::string& address, const std::string& text);

  void SetInputWord(uint16_t word);
  // The word the inputs take when the next poll begins (its "I1"), so that no poll reads one byte
  // before a change and the other after it: a test that counts a recording's rows needs that.
  void SetInputWordAtNextPoll(uint16_t word);
  uint16_t InputWord() const;
  // Input `input` (0 … 15) runs as a square wave of `hz` full periods a second from now, over
  // whatever the word says of it (a chattering switch, a sensor on a spinning part); 0 stops it.
  void SetToggle(int input, double hz);
  void SetMpg(bool mpg);
  // Another unit on the same line (a cable moved to the next unit of a series).
  void SetId(const std::string& id);

  // Fault injection.
  void SetSilent(bool silent);                          // answers nothing at all
  void SetSilentOnNth(int n);                           // n-th command from now (1-based), 0 off
  void SetSilentOnPoll(int n);                          // n-th poll of the inputs (its "I1"), 0 off
  void SetSilentOnCommand(const std::string& command);  // e.g. "ER05"; empty off
  // Answers nothing from command C on (taken away in the middle of a write), until SetSilent(false).
  void SetSilentFromCommand(const std::string& command);
  void SetReplyOverride(const std::string& command, const std::string& reply);  // garbled/long
  void ClearReplyOverrides();  // and the doubled replies, stray CRs and writes stored otherwise
  void SetCrLf(bool crlf);
  bool CrLf() const;
  void SetDelayMs(int ms);
  // The reply to command C (without the prefix) comes ms later than the others; 0 off.
  void SetLateOnCommand(const std::string& command, int ms);
  // How long the reply to a received line (prefix included) is held back.
  int DelayFor(const std::string& line) const;
  void SetBaud(int baud);  // 0: no pacing
  int Baud() const;
  // The speed the unit's line runs at: bytes sent at another speed arrive as noise and get no
  // answer. 0: any speed.
  void SetLineSpeed(int baud);
  int LineSpeed() const;
  // The reply to command C (without the prefix) is sent again ms after it (0: at once, in the
  // same write), the next `times` times it is asked (-1: always); times 0 off.
  void SetAnswerTwice(const std::string& command, int ms, int times = 1);
  // The reply to command C carries a CR before its character at `position` (counted from 0), the
  // next `times` times (-1: always): noise that splits one line into two.
  void SetStrayCr(const std::string& command, std::size_t position, int times = 1);
  // A write to the register at `address` ("24", "FD") is acknowledged and `stored` kept instead
  // of the value sent; nothing is stored when `stored` is empty. nullopt: stored as sent again.
  void SetWriteStoredAs(const std::string& address, std::optional<std::string> stored);
  // A write to the register at `written` also changes the register at `other` to `value` (a unit
  // whose store shares a cell): the write's own register is as asked, another one is not.
  void SetWriteAlsoChanges(const std::string& written, const std::string& other, const std::string& value);
  // The reply forms a unit may use within the protocol: a write acknowledged with more than "0"
  // ("0,OK"), the input words with as few hexadecimal digits as their value needs ("0,5").
  void SetWriteAcknowledgement(const std::string& ack);
  void SetShortInputReplies(bool shortReplies);
  // The reply to command C comes after `noise` (bytes of any kind: a 0xFF, a NUL), the next `times`
  // times (-1: always).
  void SetNoise(const std::string& command, const std::string& noise, int times = 1);
  // The copy of a reply Respond asked to send again, and how long after the reply; taken once.
  struct Repeat {
    int ms = 0;
    std::string reply;
  };
  std::optional<Repeat> TakeRepeat();
  void SetCloseOnNth(int n);    // line closed at the n-th command, 0 off
  void SetRestartOnNth(int n);  // restarts at the n-th command, 0 off
  int RestartMs() const;

  // Set by Respond when the line is to be closed now; the server reads and clears it.
  bool TakeCloseRequest();
  // True once after "j": the server ignores input for RestartMs.
  bool TakeRestartRequest();

  // Every line received, in order, as received (prefix included, no CR).
  std::vector<std::string> Received() const;
  // When each of them arrived (for the benchmarks' gaps between commands).
  std::vector<std::chrono::steady_clock::time_point> ReceivedTimes() const;
  void ClearReceived();

 private:
  // The input word as polled now: the word with the toggling inputs at their level.
  uint16_t InputsNow() const;
  std::optional<std::string> Answer(const std::string& command);
  std::optional<std::string> ReadRegister(char kind, const std::string& address) const;
  bool WriteRegister(char kind, const std::string& address, const std::string& value);

  mutable std::mutex mutex_;
  Options options_;
  std::map<std::string, uint8_t> bytes_;
  std::map<std::string, std::string> floats_;
  std::map<std::string, std::string> unsigneds_;
  std::map<std::string, std::string> overrides_;
  std::map<std::string, int> lateOn_;
  struct Twice {
    int ms = 0;
    int times = 0;
  };
  std::map<std::string, Twice> twice_;
  struct StrayCr {
    std::size_t position = 0;
    int times = 0;
  };
  std::map<std::string, StrayCr> strayCr_;
  std::map<std::string, std::string> storedAs_;
  struct Noise {
    std::string bytes;
    int times = 0;
  };
  std::map<std::string, Noise> noise_;
  struct AlsoChanges {
    std::string other, value;
  };
  std::map<std::string, AlsoChanges> alsoChanges_;
  std::string acknowledgement_ = "0";
  bool shortInputReplies_ = false;
  std::optional<Repeat> repeat_;
  uint16_t inputWord_ = 0;
  std::optional<uint16_t> inputWordAtNextPoll_;
  struct Toggle {
    double hz = 0;
    std::chrono::steady_clock::time_point from;
  };
  std::map<int, Toggle> toggles_;
  int silentOnPoll_ = 0;
  bool silent_ = false;
  int silentOnNth_ = 0;
  int closeOnNth_ = 0;
  int restartOnNth_ = 0;
  std::string silentOnCommand_;
  std::string silentFromCommand_;
  bool crlf_ = false;
  int delayMs_ = 0;
  int baud_ = 0;
  int lineSpeed_ = 0;
  bool closeRequest_ = false;
  bool restartRequest_ = false;
  std::vector<std::string> received_;
  std::vector<std::chrono::steady_clock::time_point> receivedAt_;
};
