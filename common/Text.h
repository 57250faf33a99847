#pragma once
#include <cstddef>
#include <string>

// Text from the unit (its identifier, its firmware) as data: every byte that is no printable ASCII
// character as "\xNN", so that it never breaks a line of a file or reaches a terminal as a control.
std::string EscapedText(const std::string& text);

// Characters `from` to `to` of a text, counted from 1 and both included, as the unit's replies are
// described; fewer when the text is shorter.
std::string CharsFromTo(const std::string& text, std::size_t from, std::size_t to);
