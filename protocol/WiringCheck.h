#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The commissioning check of the grid's inputs: each enabled input is asked for in turn, and the
// operator actuates it and lets it go. At rest an input's level is its polarity's (Polarita 0:
// level 0 at rest, 1 when active; Polarita 1 the other way round).
struct WiringInput {
  int row;           // grid row, 1 to 10
  int input;         // the input's number (0 … 7, 14, 15)
  std::string name;  // from the grid's "Jméno" column
  bool polarity;     // its "Polarita" setting
};

enum class WiringVerdict { Pending, Good, WrongPolarity, Swapped, NeverSeen };

struct WiringResult {
  WiringInput input;
  WiringVerdict verdict = WiringVerdict::Pending;
  bool restLevel = false;                   // the level seen at rest when it was asked for
  std::optional<WiringInput> movedInstead;  // another input that changed while this one was asked for
};

class WiringCheck {
 public:
  explicit WiringCheck(std::vector<WiringInput> inputs);

  // A poll's input word.
  void Sample(uint16_t word);
  // The operator gives up on the input asked for: it was not seen.
  void Skip();
  bool Done() const { return asked_ >= results_.size(); }
  // What the operator is asked to do now ("Sepněte a uvolněte vstup 3 – RefZ"); empty when done.
  std::string Instruction() const;
  const std::vector<WiringResult>& Results() const { return results_; }
  // One line per input, for the window's list and the saved text.
  static std::string Line(const WiringResult& result);

 private:
  void Next();

  std::vector<WiringResult> results_;
  std::size_t asked_ = 0;
  std::optional<uint16_t> rest_;  // the word when the current input was asked for
  bool active_ = false;           // the asked input left its rest level
};

// "vstup 3 – RefZ" (the name left out when it is "-" or empty).
std::string InputCaption(const WiringInput& input);
