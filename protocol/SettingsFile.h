#pragma once
#include "protocol/RegisterMap.h"

#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

// One unit's settings as a value: every setting by name, as settings files hold them and the
// comparison lists them. The names and their order come from the register table: one setting per
// list control or edit, the four axis directions and the clock of the polarity register, one bit
// per input in the grid's "Povoleno" and "Polarita" columns, and the input names, which live in
// no register.

enum class SettingKind { Item, AxisDirection, Clock, BreakDelay, Number, Bit, InputName };

struct SettingDef {
  std::string name;     // "OUT1", "XAxisPolarity", "ClockPolarity", "Povoleno.14", "Jmeno.3"
  std::string caption;  // as the window names it (UTF-8)
  SettingKind kind;
  const Register* reg;  // the register that carries it; nullptr for an input name
  std::string control;  // the control it lives in
  int row = 0;          // grid row (bits and names)
};

// Every setting, in the file's order (register-table order, then the input names).
std::span<const SettingDef> SettingDefs();
const SettingDef* FindSetting(const std::string& name);
// The settings the window saves for a unit with or without MPG firmware.
bool SettingForUnit(const SettingDef& def, bool mpgCapable);

// Settings by name, in SettingDefs order; a subset is allowed (a template of the outputs, say).
class UnitSettings {
 public:
  void Set(const std::string& name, const std::string& value);
  std::optional<std::string> Get(const std::string& name) const;
  const std::vector<std::pair<std::string, std::string>>& Values() const { return values_; }
  bool Empty() const { return values_.empty(); }
  bool HasMpgSettings() const;

 private:
  std::vector<std::pair<std::string, std::string>> values_;
};

// The settings the controls hold (a list without item is left out).
UnitSettings SettingsOf(SettingsControls& controls, bool mpgCapable);
// Puts the settings present into the controls, as the operator would set them.
void ApplySettings(const UnitSettings& settings, SettingsControls& controls);
// Whether a value is one the window accepts for the setting (its words, its range table).
bool ValueAccepted(const SettingDef& def, const std::string& value);
// The value in its plain form when the window accepts it: numbers as plain decimals ("$10" 16,
// "200*16/5" 640.000000), words and bits as they are.
std::optional<std::string> AcceptedValue(const SettingDef& def, const std::string& value);

// A setting the unit holds in a form the window cannot show, such as an output code no item has:
// a value of its own ("? (0,07)") that equals nothing a file or the window can hold.
std::string UnknownValue(const std::string& reply);
// The settings as the unit holds them, from the replies of a whole read: the one reading that the
// settings files, the comparison, the verification of a write and the backups share. Words as the
// window names them, numbers in the unit's own text ("1.23456789" stays so). A register the window
// cannot show as it stands (a code no item has, a number outside its field's range or form, a
// reply that does not parse, bits of inputs the grid does not show) gives each of its settings a
// value of its own, which a write puts back as it was. Nothing is corrected.
UnitSettings SettingsAsHeld(std::span<const std::string> replies, bool mpgCapable);
// The reply inside a value of its own ("? (0,07)" holds "0,07"), if the value is one.
std::optional<std::string> UnknownReply(const std::string& value);
// Whether two values of a setting are the same: numbers by their exact decimal value ("100" and
// "100.000000"), everything else by its text.
bool SameSettingValue(const SettingDef& def, const std::string& a, const std::string& b);

// The first setting of the controls that no register or file could carry as it stands: a list
// without an item, a grid cell other than "0" or "1", an input name the files refuse (withNames).
const SettingDef* FirstUnwritableSetting(SettingsControls& controls, bool mpgCapable, bool withNames);

// The same settings as a save would send them: through a model and the validation pass, quietly.
UnitSettings AsSaved(const UnitSettings& settings);

// The settings the unit keeps: all but the input names.
UnitSettings WithoutInputNames(const UnitSettings& settings);

struct SettingDifference {
  const SettingDef* def;
  std::optional<std::string> left, right;
};
// The settings whose values differ, in SettingDefs order; a setting only one side holds counts.
std::vector<SettingDifference> Differences(const UnitSettings& left, const UnitSettings& right);

// The writes that put the given settings (each as a file holds it) into a unit whose registers
// answered `replies` (a whole read): only the registers that hold one of the settings, in table
// order. A register shared with settings left out (the polarity byte, the input words) keeps the
// unit's other bits exactly as read.
struct WritePlan {
  std::vector<WriteLine> writes;
  // Registers the settings name that are left as the unit holds them: a value of its own that no
  // write can put back (its reply did not parse), or a shared register whose other bits could not
  // be read and which the settings do not fill whole.
  std::vector<const Register*> untouched;
  // The first write that would not fit one line to the unit: then nothing may be sent.
  const Register* tooLong = nullptr;
};
WritePlan PlanWrites(const UnitSettings& settings, std::span<const std::string> replies, bool mpgCapable);
// The registers whose value read after the writes differs from what was written or, for a register
// not written, from what it held before.
std::vector<const Register*> UnverifiedRegisters(std::span<const WriteLine> writes,
                                                 std::span<const std::string> before,
                                                 std::span<const std::string> after, bool mpgCapable);
// The settings a register carries.
std::vector<const SettingDef*> SettingsOfRegister(const Register& reg);

// The settings file: UTF-8, "name = value" lines in SettingDefs order, "#" comments.
struct SettingsFileHeader {
  std::string unitId, unitVersion;  // empty when not known; escaped (EscapedText) when written
  std::string savedAt;              // local date and time, "2026-12-07 11:40"
  std::string program;              // "vorka_config 1.3"
  // No unit named: the values are the window's, not read from a unit (or edited since).
  bool windowValues = false;
  // A backup's time, UTC to the millisecond ("2026-12-07T16:23:05.120Z"): its place among the
  // unit's backups, whatever the clock's zone or its jumps.
  std::string takenUtc = {};
};
std::string WriteSettingsText(const UnitSettings& settings, const SettingsFileHeader& header);
// The unit and the backup time a file's header names (comment lines before the first setting).
SettingsFileHeader ParseSettingsHeader(const std::string& text);
// Text from the unit (its identifier, its firmware) as data: every byte that is no printable ASCII
// character as "\xNN", so that it never breaks a line of a file or reaches a terminal as a control.
std::string EscapedText(const std::string& text);

struct SettingsFileError {
  enum class Kind { NotText, Malformed, Unknown, Duplicate, BadValue, NoSettings } kind;
  int line = 0;  // from 1; 0 for the file as a whole
  std::string name, value;
};
// Strict and all-or-nothing: the settings, or the first error with its line.
struct SettingsFileLoad {
  std::optional<UnitSettings> settings;
  SettingsFileError error;
};
// Window: only values the window can show. Unit: also a value of its own whose reply fits the
// setting's register, as a backup holds it, which a write puts back as it was.
enum class SettingsReader { Window, Unit };
SettingsFileLoad ParseSettingsText(const std::string& text, SettingsReader reader = SettingsReader::Window);

// Messages for the operator; text from the file is repeated with control characters escaped and
// long values shortened (ShownText).
std::string CzechText(const SettingsFileError& error);
std::string EnglishText(const SettingsFileError& error);
std::string ShownText(const std::string& text);

// Why a settings file could not be written or read.
struct FileFault {
  enum class Kind { None, NotRegular, TooLarge, System } kind = Kind::None;
  int error = 0;  // the system's error number (System)
  explicit operator bool() const { return kind != Kind::None; }
};
std::string CzechText(const FileFault& fault);
std::string EnglishText(const FileFault& fault);

// RegularOnly: a path that exists and is no regular file (a FIFO, a device) is refused, as the
// window must not block on it; AnyFile writes such a path as it is (vorkactl -o /dev/stdout).
enum class FileTarget { RegularOnly, AnyFile };
// Writes the text atomically: the old file stays whole until the new one is complete and flushed.
FileFault SaveSettingsFile(const std::string& path, const std::string& text, FileTarget target);
// Reads a regular file of at most a megabyte; AnyFile also reads a pipe or a device to its end,
// and "-" is standard input (vorkactl write -).
FileFault LoadSettingsFile(const std::string& path, std::string& text,
                           FileTarget target = FileTarget::RegularOnly);
