#pragma once
#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>

// The operator's language: the window speaks Czech, vorkactl English. The catalogue
// (common/Wording.h) keeps each message's texts side by side, so that neither is forgotten when the
// other changes.
enum class Language { Czech, English };

struct Twin {
  const char* czech;
  const char* english;
  const char* In(Language language) const { return language == Language::Czech ? czech : english; }
};

// The values of a text's "{name}"s.
using Fills = std::initializer_list<std::pair<std::string_view, std::string>>;

// The text with each "{name}" replaced by its value, in one pass: a value is never read again.
inline std::string Filled(std::string_view text, Fills values) {
  std::string filled;
  for (std::size_t at = 0; at < text.size();) {
    bool replaced = false;
    if (text[at] == '{')
      for (const auto& [name, value] : values)
        if (text.substr(at + 1, name.size()) == name && text.substr(at + 1 + name.size(), 1) == "}") {
          filled += value;
          at += name.size() + 2;
          replaced = true;
          break;
        }
    if (!replaced) filled += text[at++];
  }
  return filled;
}
