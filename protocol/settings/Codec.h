#pragma once
#include "protocol/settings/UnitSettings.h"

#include <span>
#include <string>
#include <vector>

// The settings in the unit's registers: read from a whole read's replies, written as the lines
// that put them there.

// settings files, the comparison, the verification of a write and the backups share. Words as the
// window names them, numbers in the unit's own text ("1.23456789" stays so). A register the window
// cannot show as it stands (a code no item has, a number outside its field's range or form, a
// reply that does not parse, bits of inputs the grid does not show) gives each of its settings a
// value of its own, which a write puts back as it was. Nothing is corrected.
UnitSettings SettingsAsHeld(std::span<const std::string> replies, bool mpgCapable);

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
// The replies a read would give after the writes went through: each written register's its
// written value, the others' as before.
std::vector<std::string> RepliesAfter(std::span<const WriteLine> writes, std::vector<std::string> before);
// The registers whose value read after the writes differs from what was written or, for a register
// not written, from what it held before.
std::vector<const Register*> UnverifiedRegisters(std::span<const WriteLine> writes,
                                                 std::span<const std::string> before,
                                                 std::span<const std::string> after, bool mpgCapable);
