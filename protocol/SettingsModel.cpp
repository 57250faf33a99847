#include "protocol/SettingsModel.h"

#include "entry/NumericFields.h"
#include "entry/Validation.h"

// The window's start-up state: first items (StartNum none), normal clock, the form's texts, the
// grid's names. A test holds it to the window's own.
SettingsModel::SettingsModel() {
  for (const Register& reg : RegisterTable())
    if (reg.kind == RegisterKind::ListCode) items_[reg.control] = 0;
  items_["StartNum"] = -1;  // the window opens with no item and the list's name in its edit
  for (const char* axis : kAxisPolarityGroups) items_[axis] = 0;
  checked_ = {{kClockNormalButton, true}, {kClockInvertedButton, false}};
  for (const NumericField& field : kNumericFields)
    texts_[field.name] = field.kind == FieldKind::Gear ? "1.000000" : "1";
  for (const char* lo : {"LoLimitX", "LoLimitY", "LoLimitZ"}) texts_[lo] = "0";
  texts_["TimeOver"] = "100";
  texts_["BreakDelay"] = "0";
  for (int row = 1; row <= kInputRows; ++row) {
    cells_[{3, row}] = cells_[{4, row}] = "0";
    names_[static_cast<std::size_t>(row)] = kStartupInputNames[row - 1];
  }
}

int SettingsModel::ItemIndex(const std::string& control) {
  const auto it = items_.find(control);
  return it == items_.end() ? -1 : it->second;
}

void SettingsModel::SelectItem(const std::string& control, int item) {
  int& selected = items_[control];
  if (selected == item) return;  // as a radio group: the same item is no click
  selected = item;
  if (control == "MpgUsage") StartNumFollowsMpgUsage(*this);  // as the window's click handler
}

std::string SettingsModel::Text(const std::string& control) {
  const auto it = texts_.find(control);
  return it == texts_.end() ? std::string() : it->second;
}

void SettingsModel::SetText(const std::string& control, const std::string& text) {
  if (control != "BreakDelay") {
    texts_[control] = text;
    return;
  }
  const BreakDelayEntry entry = AcceptBreakDelay(text, breakDelay_);
  texts_[control] = entry.text;
  breakDelay_ = entry.value;
}

bool SettingsModel::Checked(const std::string& radioButton) {
  const auto it = checked_.find(radioButton);
  return it != checked_.end() && it->second;
}

void SettingsModel::SetChecked(const std::string& radioButton, bool checked) {
  checked_[radioButton] = checked;
}

std::string SettingsModel::Cell(int column, int row) {
  const auto it = cells_.find({column, row});
  return it == cells_.end() ? std::string() : it->second;
}

void SettingsModel::SetCell(int column, int row, const std::string& text) { cells_[{column, row}] = text; }

std::string SettingsModel::InputName(int row) {
  return row >= 1 && row <= kInputRows ? names_[static_cast<std::size_t>(row)] : std::string();
}

void SettingsModel::SetInputName(int row, const std::string& name) {
  if (row >= 1 && row <= kInputRows) names_[static_cast<std::size_t>(row)] = name;
}
