#pragma once
#include "entry/Validation.h"
#include "protocol/UnitProtocol.h"

#include <cstdint>
#include <iterator>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

// The unit's settings registers: one table that both the "read" and "write" scripts walk and the
// decoder of the read replies walks again. Every register has one home control in the window.

// The window's setting controls, by name, as the register map sees them. The numeric fields'
// texts are also there in UTF-8 for the validation pass (FieldTexts).
class SettingsControls : public FieldTexts {
 public:
  // List controls (radio groups and the StartNum combo box): -1 when no item is selected.
  virtual int ItemIndex(const std::string& control) = 0;
  // Selecting an item behaves as the operator's choice (MpgUsage runs its click handler).
  virtual void SelectItem(const std::string& control, int item) = 0;
  virtual std::string Text(const std::string& control) = 0;
  // Setting a text runs the edit's change handler (BreakDelay).
  virtual void SetText(const std::string& control, const std::string& text) = 0;
  virtual bool Checked(const std::string& radioButton) = 0;
  virtual void SetChecked(const std::string& radioButton, bool checked) = 0;
  // Input grid cells; each character of a cell's text is one byte here.
  virtual std::string Cell(int column, int row) = 0;
  virtual void SetCell(int column, int row, const std::string& text) = 0;
  // The last brake-release delay the window accepted (not the edit's text).
  virtual int32_t AcceptedBreakDelay() = 0;
  // StartNum was set by the program: mark the start input beside the grid.
  virtual void StartNumSelected() = 0;
  // The name of the input in grid row 1 to 10 (UTF-8); it lives in no register.
  virtual std::string InputName(int row) = 0;
  virtual void SetInputName(int row, const std::string& name) = 0;
};

// With the MPG unused (its first item) the reference run has no start input: StartNum shows its
// first item, as the window's MpgUsage handler sets it.
void StartNumFollowsMpgUsage(SettingsControls& controls);

enum class RegisterKind {
  ListCode,       // a list control's item as a two-digit code
  BreakDelay,     // BreakDelayValue as two decimal digits
  PolarityByte,   // the four axis directions and the clock polarity
  Number,         // an edit's text, unchanged
  InputBitsLow,   // grid column, inputs 0 to 7
  InputBitsHigh,  // grid column, inputs 14 and 15 at bits 6 and 7
};

struct Register {
  const char* read;         // read command, e.g. "ER01"
  const char* writePrefix;  // write command up to the value, e.g. "EW01,"
  const char* control;      // home control, or the grid column's name for input bits
  RegisterKind kind;
  std::span<const char* const> codes;  // list controls: code of each item
  int gridColumn;                      // input bits: 3 "Polarita", 4 "Povoleno"
  std::span<const char* const> items;  // list controls: each item as the window shows it (UTF-8)
  const char* caption;                 // the setting as the window names it (UTF-8)
};

// The polarity byte's controls: the axis groups of bits 0 to 3 (item 0 sets the bit) and the
// clock's two radio buttons (the normal one sets bit 4).
inline constexpr const char* kAxisPolarityGroups[] = {"XAxisPolarity", "YAxisPolarity", "ZAxisPolarity",
                                                      "AAxisPolarity"};
inline constexpr const char* kClockNormalButton = "RadioPolarityNormal";
inline constexpr const char* kClockInvertedButton = "RadioPolarityInverze";
// The clock's bit; bits 5 to 7 are always set, so the register holds E0 to FF.
inline constexpr int kClockNormalBitNumber = 4;
inline constexpr uint8_t kClockNormalBit = 1u << kClockNormalBitNumber;
inline constexpr uint8_t kPolarityAlwaysSet = 0xE0;
// The polarity byte's bit of an axis group (bits 0 to 3 in table order), -1 for another control.
int AxisPolarityBit(const std::string& control);

// The table in script order; lines 0 to 5 always, 6 to 28 only for a unit with MPG firmware.
std::span<const Register> RegisterTable();
inline constexpr std::size_t kRegistersWithoutMpg = 6;
inline constexpr std::size_t kRegistersWithMpg = 29;
// The lines a unit with or without MPG firmware is read and written by.
std::span<const Register> RegisterLines(bool mpgCapable);

std::vector<std::string> BuildReadScript(bool mpgCapable);
// The register's line in the table, and so in the read script and its replies.
std::size_t LineOfRegister(const Register& reg);
// What the register holds after the factory settings, as its reply gives it after "0,".
std::string FactoryValue(const Register& reg);
// The reply to a register in the replies of a whole read (empty where none came).
std::string ReplyOfRegister(const Register& reg, std::span<const std::string> replies);

// One line of the "write" script and the register it writes.
struct WriteLine {
  const Register* reg;
  std::string command;
};
std::vector<std::string> CommandsOf(std::span<const WriteLine> lines);
// The registers whose write the unit refused: their reply does not begin with "0". Lines without
// a reply (the exchange failed there) are not counted.
std::vector<const Register*> RefusedWrites(std::span<const WriteLine> lines,
                                           std::span<const std::string> replies);

// A reply value that should be a number and is not: the read stops at it.
class ConversionError : public std::runtime_error {
 public:
  explicit ConversionError(const std::string& text)
      : std::runtime_error("'" + text + "' is not a valid integer value") {}
  std::size_t line = 0;  // the read script's line whose reply it was: the lines before it were decoded
};

// Decodes reply n into the control of table line n, for each reply given (the replies of the read
// script that arrived). An empty first reply stops after the four output lines: the result is
// then false, and true otherwise. Throws ConversionError at a break-delay or input-word reply
// that is not a number; the controls decoded before it keep their new values.
bool DecodeReadReplies(std::span<const std::string> replies, SettingsControls& controls, bool mpgCapable);
// Whether a reply names a value of its control: a list reply one of its codes, a polarity reply
// "0,E0" to "0,FF". Other kinds are judged by their conversion or the validation pass.
bool ReplyNamesAValue(const Register& reg, const std::string& reply);
// One line of the table.
void DecodeRegister(const Register& reg, const std::string& reply, SettingsControls& controls);

// Whether a reply has the form its register's reads give: "0," and two hexadecimal digits for a
// byte register, "0," and a number for the others. A reply of another form belongs to another
// command (a unit answering twice, noise on the line).
bool ReplyFitsRegister(const Register& reg, const std::string& reply);
// A number as the unit writes it (a reply's value): decimal, sign and fraction optional.
std::optional<long double> UnitNumber(const std::string& text);
// The exact value of such a number as a canonical text (digits without the zeros that do not count,
// and a power of ten): equal for "100" and "100.000000", unequal for "1.23456789" and "1.234568".
std::optional<std::string> ExactDecimal(const std::string& text);
// Whether two value texts of a register (what follows "0,") hold the same value: byte registers
// by their hexadecimal digits, numbers by their exact value ("100" and "100.000000").
bool SameRegisterValue(const Register& reg, const std::string& a, const std::string& b);

// A numeric edit's text as the unit gets it: the plain decimal of its value ("$10" 16).
std::string PlainNumberText(const std::string& control, const std::string& text);
// The unit's input in grid row 1 to 10 (its bit of the input word): inputs 0 to 7, 14 and 15.
inline constexpr int kInputOfRow[] = {0, 1, 2, 3, 4, 5, 6, 7, 14, 15};
inline constexpr int kInputRows = static_cast<int>(std::size(kInputOfRow));
// Their names in the window at start-up.
inline constexpr const char* kStartupInputNames[kInputRows] = {"RefX", "RefY", "RefZ", "-",       "-",
                                                               "-",    "-",    "-",    "Tl.Sens", "Sensor"};
// The bit of grid row 1 to 10 in its register: rows 1 to 8 bits 0 to 7 of the low byte, rows 9
// and 10 bits 6 and 7 of the high byte.
int InputBitOfRow(int row);
// The bits of the high byte that grid rows show (inputs 14 and 15).
inline constexpr unsigned kInputBitsOfHighRows = 0xC0;
// The grid rows whose bits the low byte and the high byte hold.
inline constexpr int kLastLowByteRow = 8;

// Codecs, exposed for their own tests.
std::string BreakDelayDigits(int32_t value);
