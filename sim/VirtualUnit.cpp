#include "sim/VirtualUnit.h"

#include "protocol/RegisterMap.h"
#include "protocol/UnitProtocol.h"

#include <cctype>
#include <utility>

namespace {

bool IsHexDigit(char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; }

std::string Upper(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

bool IsNumberText(const std::string& text) {
  if (text.empty()) return false;
  std::size_t i = (text[0] == '-' || text[0] == '+') ? 1 : 0;
  bool digit = false, point = false;
  for (; i < text.size(); ++i) {
    if (std::isdigit(static_cast<unsigned char>(text[i])))
      digit = true;
    else if (text[i] == '.' && !point)
      point = true;
    else
      return false;
  }
  return digit;
}

}  // namespace

VirtualUnit::VirtualUnit() : VirtualUnit(Options{}) {}

VirtualUnit::VirtualUnit(Options options) : options_(std::move(options)) { ResetRegisters(); }

void VirtualUnit::ResetRegisters() {
  std::lock_guard lock(mutex_);
  bytes_.clear();
  floats_.clear();
  unsigneds_.clear();
  // The registers the unit knows, each with its factory contents; a read command is
  // E[F|U]R and the address.
  for (const Register& reg : RegisterTable()) {
    const std::string read = reg.read;
    const std::string address = read.substr(read.size() - 2);
    const std::string value = FactoryValue(reg);
    if (read[1] == 'F')
      floats_[address] = value;
    else if (read[1] == 'U')
      unsigneds_[address] = value;
    else
      bytes_[address] = static_cast<uint8_t>(std::stoi(value, nullptr, 16));
  }
}

std::optional<std::string> VirtualUnit::Respond(const std::string& line) {
  std::lock_guard lock(mutex_);
  received_.push_back(line);
  receivedAt_.push_back(std::chrono::steady_clock::now());
  if (closeOnNth_ > 0 && --closeOnNth_ == 0) {
    closeRequest_ = true;
    return std::nullopt;
  }
  if (restartOnNth_ > 0 && --restartOnNth_ == 0) {
    restartRequest_ = true;
    return std::nullopt;
  }
  if (silentOnNth_ > 0 && --silentOnNth_ == 0) return std::nullopt;
  if (line == std::string(kUnitPrefix) + "I1" && silentOnPoll_ > 0 && --silentOnPoll_ == 0)
    return std::nullopt;
  if (!silentFromCommand_.empty() && line == std::string(kUnitPrefix) + silentFromCommand_) {
    silentFromCommand_.clear();
    silent_ = true;
  }
  if (silent_) return std::nullopt;
  if (line.compare(0, 2, kUnitPrefix) != 0) return std::nullopt;
  const std::string command = line.substr(2);
  if (!silentOnCommand_.empty() && command == silentOnCommand_) return std::nullopt;
  auto reply = [&]() -> std::optional<std::string> {
    if (auto it = overrides_.find(command); it != overrides_.end()) return it->second;
    return Answer(command);
  }();
  if (!reply) return reply;
  // A fault counts its turns down; one at -1 never runs out.
  const auto due = [](int& times) {
    if (times == 0) return false;
    if (times > 0) --times;
    return true;
  };
  if (auto it = strayCr_.find(command); it != strayCr_.end() && due(it->second.times))
    reply->insert(std::min(it->second.position, reply->size()), 1, '\r');
  if (auto it = noise_.find(command); it != noise_.end() && due(it->second.times))
    reply->insert(0, it->second.bytes);
  if (auto it = twice_.find(command); it != twice_.end() && due(it->second.times))
    repeat_ = Repeat{it->second.ms, *reply};
  return reply;
}

std::optional<VirtualUnit::Repeat> VirtualUnit::TakeRepeat() {
  std::lock_guard lock(mutex_);
  return std::exchange(repeat_, std::nullopt);
}

void VirtualUnit::SetAnswerTwice(const std::string& command, int ms, int times) {
  std::lock_guard lock(mutex_);
  twice_[command] = {ms, times};
}

void VirtualUnit::SetStrayCr(const std::string& command, std::size_t position, int times) {
  std::lock_guard lock(mutex_);
  strayCr_[command] = {position, times};
}

void VirtualUnit::SetWriteAlsoChanges(const std::string& written, const std::string& other,
                                      const std::string& value) {
  std::lock_guard lock(mutex_);
  alsoChanges_[Upper(written)] = {Upper(other), value};
}

void VirtualUnit::SetWriteAcknowledgement(const std::string& ack) {
  std::lock_guard lock(mutex_);
  acknowledgement_ = ack;
}

void VirtualUnit::SetShortInputReplies(bool shortReplies) {
  std::lock_guard lock(mutex_);
  shortInputReplies_ = shortReplies;
}

void VirtualUnit::SetNoise(const std::string& command, const std::string& noise, int times) {
  std::lock_guard lock(mutex_);
  noise_[command] = {noise, times};
}

void VirtualUnit::SetWriteStoredAs(const std::string& address, std::optional<std::string> stored) {
  std::lock_guard lock(mutex_);
  if (stored)
    storedAs_[Upper(address)] = *stored;
  else
    storedAs_.erase(Upper(address));
}

std::optional<std::string> VirtualUnit::Answer(const std::string& command) {
  if (command == "Q") return "0," + options_.id;
  if (command == "?") return std::string("0,TK20") + (options_.mpg ? "MPG" : "") + options_.version;
  const auto inputByte = [this](uint8_t value) {
    if (!shortInputReplies_) return "0," + Hex2(value);
    const std::string digits = Hex2(value);
    return "0," + (digits[0] == '0' ? digits.substr(1) : digits);
  };
  if (command == "I1") {
    if (inputWordAtNextPoll_) inputWord_ = *std::exchange(inputWordAtNextPoll_, std::nullopt);
    return inputByte(static_cast<uint8_t>(InputsNow() & 0xFF));
  }
  if (command == "I2") return inputByte(static_cast<uint8_t>(InputsNow() >> 8));
  if (command == "j") {
    restartRequest_ = true;
    return std::nullopt;
  }
  // Register commands: E[F|U](R|W) + two-digit address [+ "," + value].
  if (command.size() >= 4 && command[0] == 'E') {
    char kind = 'B';
    std::size_t at = 1;
    if (command[1] == 'F' || command[1] == 'U') {
      kind = command[1];
      at = 2;
    }
    const char op = command[at];
    const std::string rest = command.substr(at + 1);
    if (rest.size() >= 2 && IsHexDigit(rest[0]) && IsHexDigit(rest[1])) {
      const std::string address = rest.substr(0, 2);
      if (op == 'R' && rest.size() == 2) {
        if (auto value = ReadRegister(kind, address)) return "0," + *value;
      } else if (op == 'W' && rest.size() > 3 && rest[2] == ',') {
        if (WriteRegister(kind, address, rest.substr(3))) {
          if (const auto also = alsoChanges_.find(address); also != alsoChanges_.end()) {
            if (auto byte = bytes_.find(also->second.other); byte != bytes_.end())
              byte->second = static_cast<uint8_t>(std::stoi(also->second.value, nullptr, 16));
            for (auto* texts : {&floats_, &unsigneds_})
              if (auto text = texts->find(also->second.other); text != texts->end())
                text->second = also->second.value;
          }
          return acknowledgement_;
        }
      }
    }
  }
  return "1";
}

std::optional<std::string> VirtualUnit::ReadRegister(char kind, const std::string& address) const {
  if (kind == 'B') {
    auto it = bytes_.find(address);
    if (it != bytes_.end()) return Hex2(it->second);
    return std::nullopt;
  }
  const auto& texts = kind == 'F' ? floats_ : unsigneds_;
  auto it = texts.find(address);
  if (it != texts.end()) return it->second;
  return std::nullopt;
}

bool VirtualUnit::WriteRegister(char kind, const std::string& address, const std::string& sent) {
  const auto storedAs = storedAs_.find(address);
  // Acknowledged and kept otherwise (or not at all): what a unit with a fault in its store does.
  if (storedAs != storedAs_.end() && storedAs->second.empty()) return ReadRegister(kind, address).has_value();
  const std::string& value = storedAs != storedAs_.end() ? storedAs->second : sent;
  if (kind == 'B') {
    auto it = bytes_.find(address);
    if (it == bytes_.end() || value.size() != 2 || !IsHexDigit(value[0]) || !IsHexDigit(value[1]))
      return false;
    it->second = static_cast<uint8_t>(std::stoi(value, nullptr, 16));
    return true;
  }
  auto& texts = kind == 'F' ? floats_ : unsigneds_;
  auto it = texts.find(address);
  if (it == texts.end() || !IsNumberText(value)) return false;
  if (kind == 'U' && (value[0] == '-' || value.find('.') != std::string::npos)) return false;
  it->second = value;
  return true;
}

std::optional<uint8_t> VirtualUnit::ByteRegister(const std::string& address) const {
  std::lock_guard lock(mutex_);
  auto it = bytes_.find(Upper(address));
  if (it == bytes_.end()) return std::nullopt;
  return it->second;
}

void VirtualUnit::SetByteRegister(const std::string& address, uint8_t value) {
  std::lock_guard lock(mutex_);
  bytes_[Upper(address)] = value;
}

std::optional<std::string> VirtualUnit::TextRegister(const std::string& address) const {
  std::lock_guard lock(mutex_);
  const std::string a = Upper(address);
  if (auto it = floats_.find(a); it != floats_.end()) return it->second;
  if (auto it = unsigneds_.find(a); it != unsigneds_.end()) return it->second;
  return std::nullopt;
}

void VirtualUnit::SetTextRegister(const std::string& address, const std::string& text) {
  std::lock_guard lock(mutex_);
  const std::string a = Upper(address);
  if (auto it = unsigneds_.find(a); it != unsigneds_.end())
    it->second = text;
  else
    floats_[a] = text;
}

void VirtualUnit::SetInputWord(uint16_t word) {
  std::lock_guard l(mutex_);
  inputWord_ = word;
  inputWordAtNextPoll_.reset();
}
void VirtualUnit::SetToggle(int input, double hz) {
  std::lock_guard l(mutex_);
  if (hz > 0)
    toggles_[input] = {hz, std::chrono::steady_clock::now()};
  else
    toggles_.erase(input);
}

uint16_t VirtualUnit::InputsNow() const {
  uint16_t word = inputWord_;
  const auto now = std::chrono::steady_clock::now();
  for (const auto& [input, toggle] : toggles_) {
    const double halves = std::chrono::duration<double>(now - toggle.from).count() * 2 * toggle.hz;
    const auto bit = static_cast<uint16_t>(1U << input);
    word = static_cast<uint16_t>(static_cast<long long>(halves) % 2 ? word | bit : word & ~bit);
  }
  return word;
}

void VirtualUnit::SetSilentOnPoll(int n) {
  std::lock_guard l(mutex_);
  silentOnPoll_ = n;
}

void VirtualUnit::SetInputWordAtNextPoll(uint16_t word) {
  std::lock_guard l(mutex_);
  inputWordAtNextPoll_ = word;
}
uint16_t VirtualUnit::InputWord() const {
  std::lock_guard l(mutex_);
  return inputWord_;
}
void VirtualUnit::SetId(const std::string& id) {
  std::lock_guard l(mutex_);
  options_.id = id;
}
void VirtualUnit::SetMpg(bool mpg) {
  std::lock_guard l(mutex_);
  options_.mpg = mpg;
}
void VirtualUnit::SetSilent(bool silent) {
  std::lock_guard l(mutex_);
  silent_ = silent;
}
void VirtualUnit::SetSilentOnNth(int n) {
  std::lock_guard l(mutex_);
  silentOnNth_ = n;
}
void VirtualUnit::SetSilentOnCommand(const std::string& command) {
  std::lock_guard l(mutex_);
  silentOnCommand_ = command;
}
void VirtualUnit::SetSilentFromCommand(const std::string& command) {
  std::lock_guard l(mutex_);
  silentFromCommand_ = command;
}
void VirtualUnit::SetReplyOverride(const std::string& command, const std::string& reply) {
  std::lock_guard l(mutex_);
  overrides_[command] = reply;
}
void VirtualUnit::ClearReplyOverrides() {
  std::lock_guard l(mutex_);
  overrides_.clear();
  twice_.clear();
  strayCr_.clear();
  noise_.clear();
  alsoChanges_.clear();
  storedAs_.clear();
}
void VirtualUnit::SetCrLf(bool crlf) {
  std::lock_guard l(mutex_);
  crlf_ = crlf;
}
bool VirtualUnit::CrLf() const {
  std::lock_guard l(mutex_);
  return crlf_;
}
void VirtualUnit::SetDelayMs(int ms) {
  std::lock_guard l(mutex_);
  delayMs_ = ms;
}
void VirtualUnit::SetLateOnCommand(const std::string& command, int ms) {
  std::lock_guard l(mutex_);
  if (ms > 0)
    lateOn_[command] = ms;
  else
    lateOn_.erase(command);
}
int VirtualUnit::DelayFor(const std::string& line) const {
  std::lock_guard l(mutex_);
  const auto late = line.size() > 2 ? lateOn_.find(line.substr(2)) : lateOn_.end();
  return delayMs_ + (late == lateOn_.end() ? 0 : late->second);
}
void VirtualUnit::SetLineSpeed(int baud) {
  const std::lock_guard lock(mutex_);
  lineSpeed_ = baud;
}
int VirtualUnit::LineSpeed() const {
  const std::lock_guard lock(mutex_);
  return lineSpeed_;
}
void VirtualUnit::SetBaud(int baud) {
  std::lock_guard l(mutex_);
  baud_ = baud;
}
int VirtualUnit::Baud() const {
  std::lock_guard l(mutex_);
  return baud_;
}
void VirtualUnit::SetCloseOnNth(int n) {
  std::lock_guard l(mutex_);
  closeOnNth_ = n;
}
void VirtualUnit::SetRestartOnNth(int n) {
  std::lock_guard l(mutex_);
  restartOnNth_ = n;
}
int VirtualUnit::RestartMs() const {
  std::lock_guard l(mutex_);
  return options_.restartMs;
}

bool VirtualUnit::TakeCloseRequest() {
  std::lock_guard l(mutex_);
  return std::exchange(closeRequest_, false);
}
bool VirtualUnit::TakeRestartRequest() {
  std::lock_guard l(mutex_);
  return std::exchange(restartRequest_, false);
}

std::vector<std::string> VirtualUnit::Received() const {
  std::lock_guard l(mutex_);
  return received_;
}

std::vector<std::chrono::steady_clock::time_point> VirtualUnit::ReceivedTimes() const {
  std::lock_guard lock(mutex_);
  return receivedAt_;
}

void VirtualUnit::ClearReceived() {
  std::lock_guard l(mutex_);
  received_.clear();
  receivedAt_.clear();
}
