#pragma once
#include <span>
#include <string>

// The unit's replies carry no command: they are paired with their commands by order alone. What
// each command's reply looks like lets a reply that belongs to another command be told apart (a
// write's bare "0" in a read, a number in a byte register, the family mark in the identifier), so
// that a line the unit sent twice, or noise split into two lines, never shifts a value.

// A command's form by the register table and the short scripts' commands.
enum class CommandForm {
  Write,       // a register's write: any reply beginning "0" acknowledges it, any other refuses
  ByteRead,    // a byte register's read: "0," and two hexadecimal digits
  InputWord,   // "I1", "I2": "0," and one or more hexadecimal digits
  NumberRead,  // a number register's read: "0," and a number
  Identifier,  // "Q": "0," and the identifier
  Version,     // "?": "0,TK20…"
  Other,       // the reset, and anything else: whatever comes
};
CommandForm FormOfCommand(const std::string& command);

// False when the reply has the form of another command's reply. A reply of no known form
// (garbled, a refusal) fits: its command's own decoding decides what it means. A write's reply
// always fits: whatever begins with "0" acknowledges it, so a reply of another command's cannot be
// told from it; the line count and the read back after every write catch that.
bool ReplyFitsCommand(const std::string& command, const std::string& reply);

// Whether a script asks and changes nothing, so that running it again is harmless.
bool OnlyAsks(std::span<const std::string> script);
