#include "window/ControlTable.h"

#include "entry/NumericFields.h"
#include "protocol/RegisterMap.h"
#include "protocol/flows/UnitFlows.h"

#include <QGroupBox>
#include <QLineEdit>
#include <QRadioButton>

namespace {

std::string Joined(const std::vector<std::string>& parts) {
  std::string text;
  for (const std::string& part : parts) text += (text.empty() ? "" : ", ") + part;
  return text;
}

}  // namespace

MissingControls::MissingControls(const std::vector<std::string>& problems)
    : std::runtime_error("the window lacks controls the tables name: " + Joined(problems)) {}

ControlTable::ControlTable(QWidget& window) {
  std::vector<std::string> problems;
  const auto find = [&](const std::string& name, const char* type, auto& map) {
    using Control = std::remove_pointer_t<typename std::remove_reference_t<decltype(map)>::mapped_type>;
    if (map.contains(name)) return;
    auto* control = window.findChild<Control*>(QString::fromStdString(name));
    if (!control)
      problems.push_back(name + " (" + type + ")");
    else
      map.emplace(name, control);
  };
  const auto addGroup = [&](const std::string& name, std::size_t items) {
    if (groupByName_.contains(name)) return;
    auto* box = window.findChild<QGroupBox*>(QString::fromStdString(name));
    if (!box) {
      problems.push_back(name + " (QGroupBox)");
      return;
    }
    auto group = std::make_unique<RadioGroup>(box);
    if (static_cast<std::size_t>(group->Count()) != items)
      problems.push_back(name + "Item0 … " + name + "Item" + std::to_string(items - 1) + " (QRadioButton)");
    groupByName_.emplace(name, group.get());
    groups_.push_back(std::move(group));
  };

  for (const Register& reg : RegisterTable()) {
    switch (reg.kind) {
      case RegisterKind::ListCode:
        if (std::string_view(reg.control) != "StartNum") addGroup(reg.control, reg.codes.size());
        break;
      case RegisterKind::BreakDelay:
      case RegisterKind::Number: find(reg.control, "QLineEdit", edits_); break;
      case RegisterKind::PolarityByte:
        for (const char* name : kAxisPolarityGroups) addGroup(name, 2);
        find(kClockNormalButton, "QRadioButton", radios_);
        find(kClockInvertedButton, "QRadioButton", radios_);
        break;
      case RegisterKind::InputBitsLow:
      case RegisterKind::InputBitsHigh: break;  // grid columns, not controls
    }
  }
  for (const NumericField& field : kNumericFields) find(field.name, "QLineEdit", edits_);
  for (const FactorySetting& setting : FactorySettings()) {
    const std::string name = setting.control;
    if (setting.set == FactorySetting::Set::Text)
      find(name, "QLineEdit", edits_);
    else if (!groupByName_.contains(name) && name != "StartNum")
      find(name, "QRadioButton", radios_);
  }
  for (const MpgModeRule& rule : kMpgModeRules)
    for (const char* name : rule.names)
      if (name) find(name, "QWidget", widgets_);
  for (const char* name : kMpgOnlyControls) find(name, "QWidget", widgets_);
  for (const char* name : kOutputControls) find(name, "QWidget", widgets_);
  for (const char* name : kLoLimits) find(name, "QWidget", widgets_);
  if (!problems.empty()) throw MissingControls(problems);
}

template <class T>
T& ControlTable::Find(const std::map<std::string, T*, std::less<>>& map, std::string_view name) const {
  const auto it = map.find(name);
  // A name outside the tables is a fault of the program, not of the form.
  if (it == map.end()) throw std::logic_error("no control in the table is named " + std::string(name));
  return *it->second;
}

QLineEdit& ControlTable::Edit(std::string_view name) const { return Find(edits_, name); }
QRadioButton& ControlTable::Radio(std::string_view name) const { return Find(radios_, name); }
RadioGroup& ControlTable::Group(std::string_view name) const { return Find(groupByName_, name); }
QWidget& ControlTable::Widget(std::string_view name) const { return Find(widgets_, name); }
