// Arbitrary bytes as the replies of a read: each line of the input is one reply, decoded into a
// set of controls kept in maps (checked on the way in). Only conversion errors may come out, never a crash or
// a read out of bounds; selections stay inside their lists. The same replies as the settings the
// unit holds: each a value the window knows or a value of its own, and when every reply fits its
// register, writing back the values a file may hold changes no register. Each reply's form is
// judged against every command: a write's acknowledgement never fits a question (a write takes any
// reply's form; whether it succeeded is its first character's).
// A save's review over them that chooses nothing writes each register as it is.
#include "protocol/RegisterMap.h"
#include "protocol/ReplyForm.h"
#include "protocol/SettingsModel.h"
#include "protocol/settings/Settings.h"

#include <cstdlib>
#include <map>
#include <string>
#include <vector>

namespace {

class Controls : public SettingsModel {
 public:
  std::map<std::string, int> items;
  std::map<std::string, std::string> texts;
  std::map<std::string, bool> checked;
  std::map<std::pair<int, int>, std::string> cells;
  int ItemIndex(const std::string& c) override { return items[c]; }
  void SelectItem(const std::string& c, int item) override {
    if (item < 0 || item > 8) std::abort();
    items[c] = item;
  }
  std::string Text(const std::string& c) override { return texts[c]; }
  void SetText(const std::string& c, const std::string& t) override { texts[c] = t; }
  bool Checked(const std::string& b) override { return checked[b]; }
  void SetChecked(const std::string& b, bool on) override { checked[b] = on; }
  std::string Cell(int column, int row) override { return cells[{column, row}]; }
  void SetCell(int column, int row, const std::string& t) override {
    if (row < 1 || row > 10 || (t != "0" && t != "1")) std::abort();
    cells[{column, row}] = t;
  }
  int32_t AcceptedBreakDelay() override { return 10; }
  void StartNumSelected() override {}
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<std::string> replies(1);
  for (size_t i = 0; i < size; ++i) {
    if (data[i] == '\n')
      replies.emplace_back();
    else if (replies.back().size() < 255)
      replies.back() += static_cast<char>(data[i]);
  }
  Controls controls;
  try {
    DecodeReadReplies(replies, controls, true);
  } catch (const ConversionError&) {
  }
  for (const Register& reg : RegisterTable()) {
    try {
      DecodeRegister(reg, replies.front(), controls);
    } catch (const ConversionError&) {
    }
  }
  (void)BuildWriteScript(controls, true);
  for (const Register& reg : RegisterTable())
    for (const std::string& reply : replies) {
      if (reply == "0" && ReplyFitsCommand(reg.read, reply)) std::abort();
      if (!ReplyFitsCommand(std::string(reg.writePrefix) + "00", reply)) std::abort();
    }

  const UnitSettings held = SettingsAsHeld(replies, true);
  UnitSettings fileable;
  for (const auto& [name, value] : held.Values()) {
    const SettingDef* def = FindSetting(name);
    const bool accepted = ValueAccepted(*def, value);
    const bool word = def->kind != SettingKind::Number && def->kind != SettingKind::BreakDelay;
    if (word && !accepted && !value.starts_with("? (")) std::abort();
    if (accepted) fileable.Set(name, value);
  }
  const auto lines = RegisterLines(true);
  bool allFit = replies.size() >= lines.size();
  for (std::size_t n = 0; allFit && n < lines.size(); ++n) allFit = ReplyFitsRegister(lines[n], replies[n]);
  if (allFit) {
    const WritePlan plan = PlanWrites(fileable, replies, true);
    if (!plan.tooLong && !UnverifiedRegisters(plan.writes, replies, replies, true).empty()) std::abort();
  }
  // The window's settings saved onto that unit: a review that chooses nothing changes no register.
  const UnitSettings window = WithoutInputNames(SettingsOf(controls, true));
  SettingSources sources;
  sources.Consequences(window);
  const SaveReview review = ReviewSave(window, sources, held);
  if (!review.rows.empty() && !review.needed) std::abort();  // nobody chose any of them
  if (allFit) {
    const WritePlan unchosen = PlanWrites(ChosenWrites(window, review.rows), replies, true);
    if (!unchosen.tooLong && unchosen.untouched.empty() &&
        !UnverifiedRegisters(unchosen.writes, replies, replies, true).empty())
      std::abort();
  }
  return 0;
}
