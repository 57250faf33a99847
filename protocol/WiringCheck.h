#pragma once
#include <array>
#include <cstdint>
#include <deque>
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

// Chatters: the input changes by itself (bouncing contacts, noise), faster than a hand moves a
// switch or while nobody was asked to move it.
enum class WiringVerdict { Pending, Good, WrongPolarity, Swapped, NeverSeen, Chatters };

struct WiringResult {
  WiringInput input;
  WiringVerdict verdict = WiringVerdict::Pending;
  bool restLevel = false;                   // the level seen at rest when it was asked for
  std::optional<WiringInput> movedInstead;  // another input that changed while this one was asked for
};

class WiringCheck {
 public:
  // An input that starts away from its rest and changes settles this long before it is judged:
  // it was held when asked (and rests where its polarity says), or it rests the other way round.
  static constexpr int64_t kSettleMs = 1500;
  // More changes than this within kHandMs is faster than a hand presses and lets go a switch; more
  // than kUnaskedEdges of an input while another one is asked is more than a swapped wire gives
  // (five presses of the switch the operator was asked for, waiting for it to count).
  static constexpr int kHandEdges = 6;
  static constexpr int64_t kHandMs = 1000;
  static constexpr int kUnaskedEdges = 10;
  // A switch let go is judged once it has rested this long.
  static constexpr int64_t kQuietMs = 400;

  // `inputs` are asked in turn; `grid` names every input of the grid (enabled or not) when it moves
  // instead; empty: the inputs asked.
  explicit WiringCheck(std::vector<WiringInput> inputs, std::vector<WiringInput> grid = {});

  // A poll's input word at ms.
  void Sample(int64_t ms, uint16_t word);
  // The input that changed last while the check ran, to show live which one moved.
  const std::optional<WiringInput>& LastMoved() const { return lastMoved_; }
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
  void Judge(WiringResult& asked, bool restLevel);

  std::vector<WiringResult> results_;
  std::vector<WiringInput> grid_;
  std::size_t asked_ = 0;
  std::optional<uint16_t> rest_;  // the word when the current input was asked for
  bool active_ = false;           // the asked input left the level it had when asked
  bool lastLevel_ = false;        // of the asked input, and when it last changed
  int64_t lastEdgeMs_ = 0;
  std::optional<uint16_t> lastWord_;
  std::optional<WiringInput> lastMoved_;
  // Per input number: its recent changes, its changes while the input now asked was asked, and
  // whether it was seen changing by itself.
  std::array<std::deque<int64_t>, 16> recentEdges_;
  std::array<int, 16> unaskedEdges_{};
  std::array<bool, 16> chatters_{};
};

// "vstup 3 – RefZ" (the name left out when it is "-" or empty).
std::string InputCaption(const WiringInput& input);
