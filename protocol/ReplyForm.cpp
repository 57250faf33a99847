#include "protocol/ReplyForm.h"

#include "protocol/RegisterMap.h"
#include "protocol/UnitProtocol.h"

#include <algorithm>
#include <cctype>
#include <iterator>

namespace {

bool StartsWith(const std::string& text, const char* head) { return text.rfind(head, 0) == 0; }

bool IsHexDigit(char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; }

constexpr const char* kRegisterHead = "0,";
// A write's acknowledgement, alone on its line.
constexpr const char* kAcknowledgement = "0";
// The family mark that opens the reply to "?".
constexpr const char* kVersionHead = "0,TK20";

bool TwoHexDigits(const std::string& value) {
  return value.size() == 2 && IsHexDigit(value[0]) && IsHexDigit(value[1]);
}

// As the input monitor reads a word's half: one or more digits, below 2 to the power 32.
bool HexDigits(const std::string& value) {
  return !value.empty() && value.size() <= 8 && std::all_of(value.begin(), value.end(), IsHexDigit);
}

}  // namespace

CommandForm FormOfCommand(const std::string& command) {
  if (command == kIdentifierCommand) return CommandForm::Identifier;
  if (command == kVersionCommand) return CommandForm::Version;
  if (std::find(std::begin(kInputCommands), std::end(kInputCommands), command) != std::end(kInputCommands))
    return CommandForm::InputWord;
  for (const Register& reg : RegisterTable()) {
    if (command == reg.read)
      return reg.kind == RegisterKind::Number ? CommandForm::NumberRead : CommandForm::ByteRead;
    if (StartsWith(command, reg.writePrefix)) return CommandForm::Write;
  }
  return CommandForm::Other;
}

bool ReplyFitsCommand(const std::string& command, const std::string& reply) {
  const CommandForm form = FormOfCommand(command);
  if (form == CommandForm::Other || form == CommandForm::Write) return true;
  // Every question is answered with a value: an acknowledgement answers a write.
  if (reply == kAcknowledgement) return false;
  if (form == CommandForm::Version) return true;
  if (StartsWith(reply, kVersionHead)) return false;
  if (!StartsWith(reply, kRegisterHead)) return true;
  const std::string value = reply.substr(2);
  switch (form) {
    case CommandForm::ByteRead: return TwoHexDigits(value) || !UnitNumber(value);
    case CommandForm::InputWord: return HexDigits(value) || !UnitNumber(value);
    case CommandForm::NumberRead:
      return !(TwoHexDigits(value) && std::any_of(value.begin(), value.end(), [](char c) {
                 return std::isalpha(static_cast<unsigned char>(c));
               }));
    default: return true;
  }
}

bool OnlyAsks(std::span<const std::string> script) {
  return std::all_of(script.begin(), script.end(), [](const std::string& line) {
    const CommandForm form = FormOfCommand(line);
    return form != CommandForm::Write && form != CommandForm::Other;
  });
}
