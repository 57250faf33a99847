#pragma once
#include "window/RadioGroup.h"

#include <QString>

#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

class QLineEdit;
class QRadioButton;
class QWidget;

// What the MPG mode does to a control, per item of MpgUsage.
enum class MpgMode { Off, On, OnInDebug, OffInDebug };
struct MpgModeRule {
  const char* names[3];
  MpgMode item[3];
};
inline constexpr MpgModeRule kMpgModeRules[] = {
    {{"GearX", "GearY", "GearZ"}, {MpgMode::Off, MpgMode::On, MpgMode::On}},
    {{"LoLimitX", "LoLimitY", "LoLimitZ"}, {MpgMode::Off, MpgMode::OnInDebug, MpgMode::OffInDebug}},
    {{"HiLimitX", "HiLimitY", "HiLimitZ"}, {MpgMode::Off, MpgMode::On, MpgMode::Off}},
    {{"RefSpeedX", "RefSpeedY", "RefSpeedZ"}, {MpgMode::Off, MpgMode::On, MpgMode::On}},
    {{"MpgMaxSpeed", "MpgAcc", nullptr}, {MpgMode::Off, MpgMode::On, MpgMode::On}},
    {{"DefSpinSpeed", "TimeOver", nullptr}, {MpgMode::Off, MpgMode::On, MpgMode::On}},
    {{"StrGridVstupy", "StartNum", nullptr}, {MpgMode::Off, MpgMode::On, MpgMode::On}},
};
// The MPG controls that the mode rules leave alone.
inline constexpr const char* kMpgOnlyControls[] = {"TabSheet2", "TabSheet3", "MpgUsage", "ReadCFG",
                                                   "AxisLink"};
// What a unit without MPG firmware may still set: the outputs and the axis signals.
inline constexpr const char* kOutputControls[] = {"BreakDelay",
                                                  "PWM",
                                                  "OUT1",
                                                  "OUT2",
                                                  "OUT3",
                                                  "RadioPolarityInverze",
                                                  "RadioPolarityNormal",
                                                  "XAxisPolarity",
                                                  "YAxisPolarity",
                                                  "ZAxisPolarity",
                                                  "AAxisPolarity",
                                                  "AxisLink"};
inline constexpr const char* kLoLimits[] = {"LoLimitX", "LoLimitY", "LoLimitZ"};

// A control the tables name is not in the window, or not of the kind they use it as. Its text
// names every such control.
class MissingControls : public std::runtime_error {
 public:
  explicit MissingControls(const std::vector<std::string>& problems);
};

// The main window's controls by the names the register table, the numeric fields, the factory
// settings and the enabling rules use, found once when the window is made. A control renamed in
// the form is found missing there, never at its first use.
class ControlTable {
 public:
  // Throws MissingControls.
  explicit ControlTable(QWidget& window);

  QLineEdit& Edit(std::string_view name) const;
  QRadioButton& Radio(std::string_view name) const;
  RadioGroup& Group(std::string_view name) const;
  QWidget& Widget(std::string_view name) const;

 private:
  template <class T>
  T& Find(const std::map<std::string, T*, std::less<>>& map, std::string_view name) const;

  std::map<std::string, QLineEdit*, std::less<>> edits_;
  std::map<std::string, QRadioButton*, std::less<>> radios_;
  std::map<std::string, RadioGroup*, std::less<>> groupByName_;
  std::map<std::string, QWidget*, std::less<>> widgets_;
  std::vector<std::unique_ptr<RadioGroup>> groups_;
};
