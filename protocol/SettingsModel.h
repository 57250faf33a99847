#pragma once
#include "protocol/RegisterMap.h"

#include <array>
#include <map>
#include <string>

// The setting controls without a window: items, texts, checks and grid cells kept in maps,
// starting as the window starts. A read, a settings file or the factory settings go into it, and
// the write script comes out of it, through the same register table the window uses.
class SettingsModel : public SettingsControls {
 public:
  SettingsModel();

  int ItemIndex(const std::string& control) override;
  void SelectItem(const std::string& control, int item) override;
  std::string Text(const std::string& control) override;
  // BreakDelay is accepted as its change handler accepts it (0 to 50; a malformed text is refused).
  void SetText(const std::string& control, const std::string& text) override;
  bool Checked(const std::string& radioButton) override;
  void SetChecked(const std::string& radioButton, bool checked) override;
  std::string Cell(int column, int row) override;
  void SetCell(int column, int row, const std::string& text) override;
  int32_t AcceptedBreakDelay() override { return breakDelay_; }
  void StartNumSelected() override {}
  std::string InputName(int row) override;
  void SetInputName(int row, const std::string& name) override;
  std::string FieldText(const std::string& field) override { return Text(field); }
  void SetFieldText(const std::string& field, const std::string& text) override { SetText(field, text); }

 private:
  std::map<std::string, int> items_;
  std::map<std::string, std::string> texts_;
  std::map<std::string, bool> checked_;
  std::map<std::pair<int, int>, std::string> cells_;
  std::array<std::string, kInputRows + 1> names_;  // by grid row, from 1
  int32_t breakDelay_ = 0;
};
