#include "entry/InputNames.h"

#include <algorithm>

namespace {

bool IsControl(char c) { return static_cast<unsigned char>(c) < 32 || c == 127; }

}  // namespace

bool InputNameAccepted(const std::string& name) {
  return name.size() <= kMaxInputNameBytes && std::none_of(name.begin(), name.end(), IsControl);
}

std::string CleanInputName(const std::string& name) {
  std::string clean = name;
  std::replace_if(clean.begin(), clean.end(), IsControl, ' ');
  if (clean.size() > kMaxInputNameBytes) {
    std::size_t cut = kMaxInputNameBytes;
    // Back to the first byte of the character that does not fit whole.
    while (cut > 0 && (static_cast<unsigned char>(clean[cut]) & 0xC0) == 0x80) --cut;
    clean.resize(cut);
  }
  return clean;
}
