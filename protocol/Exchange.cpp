#include "protocol/Exchange.h"

#include "link/Async.h"
#include "link/UniUSB.h"
#include "protocol/ReplyForm.h"
#include "protocol/UnitProtocol.h"

#include <algorithm>

#include <chrono>
#include <thread>

SerialTransport::SerialTransport() : link_(TheSerialLink()) {}

void SerialTransport::Send(const std::string& framed) { link_.SendLine(framed); }

bool SerialTransport::Receive(uint32_t timeLimitMs, std::string& reply, const std::atomic<bool>* abandon) {
  return link_.ReceiveLine(timeLimitMs, reply, CommandExchange::kMaxLine, abandon);
}

std::string SerialTransport::TakeWaiting(std::chrono::microseconds wait) { return link_.TakeWaiting(wait); }

bool SerialTransport::Gone() const { return link_.Gone(); }

bool SerialTransport::Reopen() { return link_.Reopen(); }

void UsbTransport::Send(const std::string& framed) {
  // A reply that came after its limit would be taken for the reply to this command, and every
  // later reply of the script would shift by one.
  TakeWaiting({});
  std::string line = framed + '\r';
  if (line.size() > CommandExchange::kMaxLine) line.resize(CommandExchange::kMaxLine);
  if (link_)
    link_->Write(line);
  else
    Write_USB(line);
}

bool UsbTransport::Receive(uint32_t timeLimitMs, std::string& reply, const std::atomic<bool>* abandon) {
  return link_ ? link_->Read(timeLimitMs, reply, CommandExchange::kMaxLine, abandon)
               : Read_USB(timeLimitMs, reply, CommandExchange::kMaxLine, abandon);
}

bool UsbTransport::Gone() const { return link_ ? link_->Gone() : Gone_USB(); }

bool UsbTransport::Reopen() { return link_ ? link_->Reopen() : Reopen_USB(); }

std::string UsbTransport::TakeWaiting(std::chrono::microseconds wait) {
  return link_ ? link_->TakeInput(wait) : TakeInput_USB(wait);
}

void UsbTransport::DropLateReply(const std::atomic<bool>* abandon) {
  // Long enough for a reply that missed its limit by a little; the identification that follows
  // a failure would otherwise take it for the reply to "Q", and every later reply would shift.
  constexpr auto kLateReplyWait = std::chrono::milliseconds(250);
  constexpr auto kLook = std::chrono::milliseconds(10);
  const auto end = std::chrono::steady_clock::now() + kLateReplyWait;
  while (std::chrono::steady_clock::now() < end && !(abandon && abandon->load()))
    std::this_thread::sleep_for(kLook);
  TakeWaiting({});
}

std::vector<std::string> ShortScript(ModeWord mode) {
  if (mode == "check") return {kIdentifierCommand, kVersionCommand};
  if (mode == "stav") return {std::begin(kInputCommands), std::end(kInputCommands)};
  if (mode == "reset") return {"j"};
  return {};
}

std::string LineAt(const std::vector<std::string>& lines, std::size_t n) {
  return n < lines.size() ? lines[n] : std::string();
}

CommandExchange::CommandExchange(ExchangeHost& host, Transport& serial) : host_(host), serial_(serial) {}

namespace {

using Clock = std::chrono::steady_clock;

// How long the line is watched after a script's last reply: at most what a USB converter's
// latency timer may hold a reply back (at least the floor: a few byte times at the fastest speed).
constexpr std::chrono::microseconds kQuietCap{50'000};

// Bytes that no command asked for: anything but the line feed a unit may put after its CR.
bool Surplus(const std::string& bytes) { return bytes.find_first_not_of('\n') != std::string::npos; }

// A reply is printable text: a byte of anything else (noise, a NUL) is no part of a value.
bool Printable(const std::string& reply) {
  return std::all_of(reply.begin(), reply.end(), [](char c) { return c >= 0x20 && c <= 0x7E; });
}

}  // namespace

Transport& CommandExchange::LinkNow() {
  return usb_ && host_.CurrentLinkKind() == LinkKind::Usb ? *usb_ : serial_;
}

void CommandExchange::Drain(Transport& link) {
  const auto end = Clock::now() + std::chrono::milliseconds(std::max(replyTimeoutMs_, 2 * kDrainQuietMs));
  // Watched in short looks, so that a line being closed is not held for a whole quiet time.
  constexpr auto kLook = std::chrono::milliseconds(25);
  auto quietSince = Clock::now();
  while (Clock::now() < end && !Abandoned() &&
         Clock::now() - quietSince < std::chrono::milliseconds(kDrainQuietMs))
    if (!link.TakeWaiting(kLook).empty()) quietSince = Clock::now();
}

ExchangeResult CommandExchange::Run(const std::vector<std::string>& script) {
  struct Depth {
    int& d;
    explicit Depth(int& depth) : d(depth) { ++d; }
    ~Depth() { --d; }
  } depth(depth_);
  ExchangeResult result = RunOnce(script);
  if (!result.outOfStep || Interrupted()) return result;
  const bool lineBeforeFirst = result.lineBeforeFirst;
  Transport& link = LinkNow();
  Drain(link);
  if (!OnlyAsks(script)) return result;
  result = RunOnce(script);
  result.lineBeforeFirst = result.lineBeforeFirst || lineBeforeFirst;
  if (result.outOfStep) {
    Drain(link);
    host_.ReportOutOfStep();
  }
  return result;
}

ExchangeResult CommandExchange::RunOnce(const std::vector<std::string>& script) {
  replies_.clear();
  sent_.clear();
  host_.LogsCleared();
  script_ = script;
  host_.ScriptShown(script_);
  const auto start = Clock::now();
  ExchangeResult result;
  lastRunCompleted_ = false;
  if (script_.empty()) {
    host_.LogsWritten(sent_, replies_);
    result.completed = lastRunCompleted_ = true;
    return result;
  }
  const auto outOfStep = [&] {
    host_.LogsWritten(sent_, replies_);
    result.outOfStep = true;
    result.replies.clear();
    return result;
  };

  // The longest a reply took after its command: a line that takes a command's place is followed by
  // the real reply within about that time.
  Clock::duration longestReply{};
  Clock::time_point lastSent;
  for (const std::string& line : script) {
    if (Interrupted()) {
      host_.LogsWritten(sent_, replies_);
      result.interrupted = true;
      return result;
    }
    Transport& link = LinkNow();
    const bool usb = &link == usb_;
    // Whatever waits now came after the last reply: a second reply, or a late one.
    if (Surplus(link.TakeWaiting({}))) {
      result.lineBeforeFirst = sent_.empty();
      return outOfStep();
    }
    sent_.push_back(line);
    std::string framed = host_.CommandPrefix() + line;
    if (framed.size() > kMaxLine) framed.resize(kMaxLine);
    lastSent = Clock::now();
    link.Send(framed);
    std::string reply;
    if (!link.Receive(replyTimeoutMs_, reply, abandon_)) {
      host_.LogsWritten(sent_, replies_);
      // The line is being closed: nobody waits for the failure's box any more.
      if (Abandoned()) {
        result.interrupted = true;
        return result;
      }
      // A failure inside the identification that follows a USB failure starts no other one and
      // is not reported apart: the failure that started it is, once.
      if (identifyingAfterFailure_) {
        lastRunCompleted_ = false;
        return result;
      }
      // Over USB the unit is identified afresh first (it refills the log, so the script's own
      // replies are returned apart).
      if (usb) {
        link.DropLateReply(abandon_);
        identifyingAfterFailure_ = true;
        host_.IdentifyAfterUsbFailure();
        identifyingAfterFailure_ = false;
      }
      host_.ReportFailure();
      lastRunCompleted_ = false;  // the identification above ran a script of its own
      return result;
    }
    longestReply = std::max(longestReply, Clock::now() - lastSent);
    if (!reply.empty() && reply.back() == '\r') reply.pop_back();
    // The line feed of a unit that ends its lines with CR LF, come late.
    reply.erase(0, std::min(reply.find_first_not_of('\n'), reply.size()));
    if (reply.size() > kMaxLine) reply.resize(kMaxLine);
    replies_.push_back(reply);
    result.replies.push_back(reply);
    // Two lines in one read (the USB link returns all it got), noise, or another command's reply:
    // out of step, which a script that only asks repeats on a drained line.
    if (!Printable(reply) || !ReplyFitsCommand(line, reply)) return outOfStep();
  }
  const auto us = std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - start);
  // A line that took the last command's place leaves that command's real reply to come: it does so
  // within about the longest a reply took, counted from the last command (half as much again for
  // jitter).
  const auto quiet = std::chrono::duration_cast<std::chrono::microseconds>(lastSent + longestReply +
                                                                           longestReply / 2 - Clock::now());
  if (watchAfterScript_ && Surplus(LinkNow().TakeWaiting(std::max(quietFloor_, std::min(quiet, kQuietCap)))))
    return outOfStep();
  host_.LogsWritten(sent_, replies_);
  host_.ExchangeTimed(us.count());
  host_.LogsToEnd();
  result.completed = lastRunCompleted_ = true;
  return result;
}
