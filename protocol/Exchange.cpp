#include "protocol/Exchange.h"

#include "link/Async.h"
#include "link/UniUSB.h"
#include "protocol/UnitProtocol.h"

#include <chrono>
#include <thread>

void SerialTransport::Send(const std::string& framed) { ComSendLine(framed); }

bool SerialTransport::Receive(uint32_t timeLimitMs, std::string& reply) {
  return ComReceiveLine(timeLimitMs, reply, CommandExchange::kMaxLine);
}

void UsbTransport::Send(const std::string& framed) {
  // A reply that came after its limit would be taken for the reply to this command, and every
  // later reply of the script would shift by one.
  DiscardInput_USB();
  std::string line = framed + '\r';
  if (line.size() > CommandExchange::kMaxLine) line.resize(CommandExchange::kMaxLine);
  Write_USB(line);
}

bool UsbTransport::Receive(uint32_t timeLimitMs, std::string& reply) {
  return Read_USB(timeLimitMs, reply, CommandExchange::kMaxLine);
}

void UsbTransport::DropLateReply() {
  // Long enough for a reply that missed its limit by a little; the identification that follows
  // a failure would otherwise take it for the reply to "Q", and every later reply would shift.
  constexpr auto kLateReplyWait = std::chrono::milliseconds(250);
  std::this_thread::sleep_for(kLateReplyWait);
  DiscardInput_USB();
}

std::vector<std::string> ShortScript(ModeWord mode) {
  if (mode == "check") return {kIdentifierCommand, kVersionCommand};
  if (mode == "stav") return {"I1", "I2"};
  if (mode == "reset") return {"j"};
  return {};
}

std::string LineAt(const std::vector<std::string>& lines, std::size_t n) {
  return n < lines.size() ? lines[n] : std::string();
}

CommandExchange::CommandExchange(ExchangeHost& host, Transport& serial) : host_(host), serial_(serial) {}

ExchangeResult CommandExchange::Run(const std::vector<std::string>& script) {
  struct Depth {
    int& d;
    explicit Depth(int& depth) : d(depth) { ++d; }
    ~Depth() { --d; }
  } depth(depth_);
  using Clock = std::chrono::steady_clock;

  replies_.clear();
  sent_.clear();
  host_.LogsCleared();
  script_ = script;
  host_.ScriptShown(script_);
  const auto start = Clock::now();
  ExchangeResult result;
  lastRunCompleted_ = false;
  if (script_.empty()) {
    result.completed = lastRunCompleted_ = true;
    return result;
  }

  for (const std::string& line : script) {
    sent_.push_back(line);
    std::string framed = host_.CommandPrefix() + line;
    if (framed.size() > kMaxLine) framed.resize(kMaxLine);
    const bool usb = usb_ && host_.CurrentLinkKind() == LinkKind::Usb;
    Transport& link = usb ? *usb_ : serial_;
    link.Send(framed);
    std::string reply;
    if (!link.Receive(replyTimeoutMs_, reply)) {
      host_.LogsWritten(sent_, replies_);
      // A failure inside the identification that follows a USB failure starts no other one and
      // is not reported apart: the failure that started it is, once.
      if (identifyingAfterFailure_) {
        lastRunCompleted_ = false;
        return result;
      }
      // Over USB the unit is identified afresh first (it refills the log, so the script's own
      // replies are returned apart).
      if (usb) {
        link.DropLateReply();
        identifyingAfterFailure_ = true;
        host_.IdentifyAfterUsbFailure();
        identifyingAfterFailure_ = false;
      }
      host_.ReportFailure();
      lastRunCompleted_ = false;  // the identification above ran a script of its own
      return result;
    }
    if (!reply.empty() && reply.back() == '\r') reply.pop_back();
    if (reply.size() > kMaxLine) reply.resize(kMaxLine);
    replies_.push_back(reply);
    result.replies.push_back(reply);
  }
  const auto us = std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - start);
  host_.LogsWritten(sent_, replies_);
  host_.ExchangeTimed(us.count());
  host_.LogsToEnd();
  result.completed = lastRunCompleted_ = true;
  return result;
}
