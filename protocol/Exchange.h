#pragma once
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <iterator>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

// The one exchange through which every conversation with the unit runs: a script of command
// lines, each sent behind the command prefix over the current link, one reply awaited per line.

enum class LinkKind { Serial, Usb };

// One way to the unit. Send takes the framed command (prefix and command, no terminator).
class Transport {
 public:
  virtual ~Transport() = default;
  virtual void Send(const std::string& framed) = 0;
  // True with the reply as the link returns it (a trailing CR may still be on it). A wait that
  // `abandon` ends returns false at once.
  virtual bool Receive(uint32_t timeLimitMs, std::string& reply, const std::atomic<bool>* abandon) = 0;
  // After a reply that did not come in time: lets a late one arrive and drops it, so that it
  // cannot answer the next command.
  virtual void DropLateReply(const std::atomic<bool>* /*abandon*/) {}
  // What has arrived that no command asked for yet (the rest of the last read included), or
  // arrives within the wait; it returns as soon as anything came. Empty on a quiet line.
  virtual std::string TakeWaiting(std::chrono::microseconds wait) = 0;
  // The device hung up or went away since it was opened; Reopen opens it again by the name it was
  // opened by (false while it is not back).
  virtual bool Gone() const { return false; }
  virtual bool Reopen() { return false; }
};

class SerialLink;
class UsbLink;

// The serial line link: the CR is added by the link. By default the window's one line.
class SerialTransport : public Transport {
 public:
  SerialTransport();
  explicit SerialTransport(SerialLink& link) : link_(link) {}
  void Send(const std::string& framed) override;
  bool Receive(uint32_t timeLimitMs, std::string& reply, const std::atomic<bool>* abandon) override;
  std::string TakeWaiting(std::chrono::microseconds wait) override;
  bool Gone() const override;
  bool Reopen() override;

 private:
  SerialLink& link_;
};

// The USB link: the exchange appends the CR; the reply comes back with it. Without a link of its
// own, the window's one converter.
class UsbTransport : public Transport {
 public:
  UsbTransport() = default;
  explicit UsbTransport(UsbLink& link) : link_(&link) {}
  void Send(const std::string& framed) override;
  bool Receive(uint32_t timeLimitMs, std::string& reply, const std::atomic<bool>* abandon) override;
  void DropLateReply(const std::atomic<bool>* abandon) override;
  std::string TakeWaiting(std::chrono::microseconds wait) override;
  bool Gone() const override;
  bool Reopen() override;

 private:
  UsbLink* link_ = nullptr;
};

// The side of the window the exchange works with: where the logs are shown, which link is
// chosen, what the operator is told when a reply does not come.
class ExchangeHost {
 public:
  virtual ~ExchangeHost() = default;
  virtual std::string CommandPrefix() = 0;
  virtual LinkKind CurrentLinkKind() = 0;
  virtual void LogsCleared() = 0;
  virtual void ScriptShown(const std::vector<std::string>& script) = 0;
  // The lines sent and the replies received, written into the logs once the script has ended or
  // failed: the window is blocked meanwhile anyway, and a log line per command would cost the
  // time between commands.
  virtual void LogsWritten(const std::vector<std::string>& sent, const std::vector<std::string>& replies) = 0;
  virtual void ExchangeTimed(long long microseconds) = 0;
  virtual void LogsToEnd() = 0;
  // A reply over USB did not come: identify the unit again before the failure is reported.
  virtual void IdentifyAfterUsbFailure() = 0;
  // "Chyba komunikace", and the unit no longer counts as present.
  virtual void ReportFailure() = 0;
  // A script that only asks was out of step with its replies twice running: nothing of it may be
  // used, and the unit no longer counts as present.
  virtual void ReportOutOfStep() = 0;
};

// The words that name what the one exchange operation runs: the identification, the input state,
// the reset, and the register scripts.
inline constexpr std::string_view kModeWords[] = {"check", "stav", "reset", "read", "write"};

// A mode word, checked where it is written: a mistyped word does not compile. The default is no
// word yet, which runs nothing and says so loudly.
class ModeWord {
 public:
  ModeWord() = default;
  consteval ModeWord(const char* word) : word_(word) {  // NOLINT(google-explicit-constructor)
    if (std::find(std::begin(kModeWords), std::end(kModeWords), word_) == std::end(kModeWords))
      throw "not a mode word";  // in a constant expression: the program does not compile
  }
  bool operator==(std::string_view word) const { return word_ == word; }
  bool Same(const ModeWord& other) const { return word_ == other.word_; }
  friend std::ostream& operator<<(std::ostream& out, const ModeWord& mode) { return out << mode.word_; }

 private:
  std::string_view word_;
};

// The scripts that need nothing but the mode word: "check", "stav", "reset"; empty for the others.
std::vector<std::string> ShortScript(ModeWord mode);

// Reply line n of a log, empty past the end.
std::string LineAt(const std::vector<std::string>& lines, std::size_t n);

// What one run of a script gave: whether every line got its reply, and the replies of this
// script that arrived, in order (over USB a failure's identification later refills the log, but
// not this list).
//
// Out of step: a line came that no command asked for, or a reply has the form of another
// command's, so the pairing of replies with commands by order cannot be trusted. The script
// stopped there and its replies are withheld (the log keeps them for the debug page).
struct ExchangeResult {
  bool completed = false;
  bool outOfStep = false;
  bool interrupted = false;  // stopped between two lines from outside
  // A line was waiting before the first command: it came after the script before this one, which
  // is out of step too (seen here when that script was not watched after its last reply).
  bool lineBeforeFirst = false;
  std::vector<std::string> replies;
};

class CommandExchange {
 public:
  static constexpr std::size_t kMaxLine = 255;

  CommandExchange(ExchangeHost& host, Transport& serial);

  // The USB link, once there is one; until then every exchange goes over the serial line.
  void SetUsbTransport(Transport* usb) { usb_ = usb; }
  void SetReplyTimeoutMs(uint32_t ms) { replyTimeoutMs_ = ms; }
  // Set from outside (Ctrl-C): a script stops before its next line, quietly, and is not run again.
  void SetInterruption(const std::atomic<bool>* interrupted) { interrupted_ = interrupted; }
  // Set from outside when the line is being closed (the window closes): a reply awaited is given
  // up at once, and the script stops there as an interrupted one does.
  void SetAbandon(const std::atomic<bool>* abandon) { abandon_ = abandon; }
  // The line the next script goes over hung up or went away; Reopen opens it again by its name.
  bool LineGone() { return LinkNow().Gone(); }
  bool ReopenLine() { return LinkNow().Reopen(); }
  uint32_t ReplyTimeoutMs() const { return replyTimeoutMs_; }
  // The least time the line is watched after a script's last reply, above the cap that otherwise
  // bounds the watch. A unit of its own answers with a steady pace and the default suits it; one
  // that shares the processor with its caller (the virtual unit in a test on a busy machine) may
  // be kept from answering for many time slices.
  void SetQuietFloor(std::chrono::microseconds floor) { quietFloor_ = floor; }
  // Off: no watch after the last reply. For scripts that follow one another at once, where the
  // next one's first command finds what a watch would have (ExchangeResult::lineBeforeFirst), and
  // the caller holds each script's values until the next one has run.
  void SetWatchAfterScript(bool watch) { watchAfterScript_ = watch; }

  // Runs the script; after a reply that did not come, the failure path has run. A script that only
  // asks and is out of step runs once more on a line drained quiet; out of step again, the host
  // is told. A script that changes the unit is never repeated: out of step, it stops and the
  // caller decides what to say.
  ExchangeResult Run(const std::vector<std::string>& script);

  const std::vector<std::string>& Script() const { return script_; }
  const std::vector<std::string>& Replies() const { return replies_; }
  std::string Reply(std::size_t n) const { return LineAt(replies_, n); }

  // An exchange, or the failure message of one, is in progress (a message box lets timer ticks
  // through while it is open).
  bool Busy() const { return depth_ > 0; }
  // Every line of the last script got its reply, in step.
  bool LastRunCompleted() const { return lastRunCompleted_; }

  // How long the line must stay quiet before a script runs again after it was out of step.
  static constexpr uint32_t kDrainQuietMs = 250;

 private:
  ExchangeResult RunOnce(const std::vector<std::string>& script);
  // Drops what arrives until the line has been quiet for kDrainQuietMs (bounded).
  void Drain(Transport& link);
  Transport& LinkNow();
  bool Interrupted() const { return (interrupted_ && interrupted_->load()) || Abandoned(); }
  bool Abandoned() const { return abandon_ && abandon_->load(); }

  ExchangeHost& host_;
  Transport& serial_;
  Transport* usb_ = nullptr;
  uint32_t replyTimeoutMs_ = 0;
  std::chrono::microseconds quietFloor_{200};
  bool watchAfterScript_ = true;
  const std::atomic<bool>* interrupted_ = nullptr;
  const std::atomic<bool>* abandon_ = nullptr;
  std::vector<std::string> script_, sent_, replies_;
  int depth_ = 0;
  bool identifyingAfterFailure_ = false;
  bool lastRunCompleted_ = false;
};
