#include "protocol/WiringCheck.h"

namespace {

bool Level(uint16_t word, int input) { return (word >> input) & 1; }

}  // namespace

std::string InputCaption(const WiringInput& input) {
  std::string caption = "vstup " + std::to_string(input.input);
  if (!input.name.empty() && input.name != "-") caption += " – " + input.name;
  return caption;
}

WiringCheck::WiringCheck(std::vector<WiringInput> inputs) {
  for (WiringInput& input : inputs) {
    WiringResult result;
    result.input = std::move(input);
    results_.push_back(std::move(result));
  }
}

void WiringCheck::Sample(uint16_t word) {
  if (Done()) return;
  WiringResult& asked = results_[asked_];
  if (!rest_) {  // the first word after asking: the inputs at rest
    rest_ = word;
    asked.restLevel = Level(word, asked.input.input);
    return;
  }
  const bool level = Level(word, asked.input.input);
  if (!active_) {
    if (level != asked.restLevel) active_ = true;
  } else if (level == asked.restLevel) {
    asked.verdict =
        asked.restLevel == asked.input.polarity ? WiringVerdict::Good : WiringVerdict::WrongPolarity;
    Next();
    return;
  }
  // Another checked input that leaves its rest level while this one is asked for.
  if (!asked.movedInstead)
    for (const WiringResult& other : results_)
      if (&other != &asked && Level(word, other.input.input) != Level(*rest_, other.input.input))
        asked.movedInstead = other.input;
}

void WiringCheck::Skip() {
  if (Done()) return;
  WiringResult& asked = results_[asked_];
  asked.verdict = asked.movedInstead ? WiringVerdict::Swapped : WiringVerdict::NeverSeen;
  Next();
}

void WiringCheck::Next() {
  ++asked_;
  rest_.reset();
  active_ = false;
}

std::string WiringCheck::Instruction() const {
  if (Done()) return {};
  return "Sepněte a uvolněte " + InputCaption(results_[asked_].input);
}

std::string WiringCheck::Line(const WiringResult& r) {
  std::string caption = InputCaption(r.input);
  switch (r.verdict) {
    case WiringVerdict::Pending: return caption + ": nezkontrolováno";
    case WiringVerdict::Good:
      return caption + ": v pořádku" +
             (r.movedInstead ? " (mezitím se změnil i " + InputCaption(*r.movedInstead) + ")" : "");
    case WiringVerdict::WrongPolarity:
      return caption + ": v klidu je " + (r.restLevel ? "1" : "0") + ", Polarita je " +
             (r.input.polarity ? "1" : "0") + " – zkontrolujte polaritu";
    case WiringVerdict::Swapped:
      return caption + ": nezměnil se, změnil se " + InputCaption(*r.movedInstead) +
             " – možná prohozené vodiče";
    case WiringVerdict::NeverSeen: return caption + ": změna nebyla zjištěna";
  }
  return caption;
}
