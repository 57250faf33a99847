#pragma once
#include "protocol/settings/Catalogue.h"

#include <optional>
#include <string>

// Whether a value is one the window accepts for the setting (its words, its range table).
bool ValueAccepted(const SettingDef& def, const std::string& value);
// The value in its plain form when the window accepts it: numbers as plain decimals ("$10" 16,
// "200*16/5" 640.000000), words and bits as they are.
std::optional<std::string> AcceptedValue(const SettingDef& def, const std::string& value);

// A setting the unit holds in a form the window cannot show, such as an output code no item has:
// a value of its own ("? (0,07)") that equals nothing a file or the window can hold.
std::string UnknownValue(const std::string& reply);
// The reply inside a value of its own ("? (0,07)" holds "0,07"), if the value is one.
std::optional<std::string> UnknownReply(const std::string& value);
