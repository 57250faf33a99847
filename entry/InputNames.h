#pragma once
#include <cstddef>
#include <string>

// The one rule for input names (the grid's "Jméno" column, settings files): UTF-8 text of at most
// 255 bytes without control characters, so that a name always fits one "name = value" line.
inline constexpr std::size_t kMaxInputNameBytes = 255;

bool InputNameAccepted(const std::string& name);
// A name as it may enter the window: control characters (a tab from a TORVEL file) become blanks
// and the text is cut to the limit at the start of a character.
std::string CleanInputName(const std::string& name);
