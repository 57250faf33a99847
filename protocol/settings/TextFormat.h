#pragma once
#include "protocol/settings/UnitSettings.h"

#include <optional>
#include <string>

// The suffix of settings files, without its dot: the dialogs' filters and the backups' names.
inline constexpr const char* kSettingsFileSuffix = "vorka";

// The settings file: UTF-8, "name = value" lines in SettingDefs order, "#" comments.
struct SettingsFileHeader {
  std::string unitId, unitVersion;  // empty when not known; escaped (EscapedText) when written
  std::string savedAt;              // local date and time, "2026-12-07 11:40"
  std::string program;              // "vorka_config 1.3"
  // No unit named: the values are the window's, not read from a unit (or edited since).
  bool windowValues = false;
  // A backup's time, UTC to the millisecond ("2026-12-07T16:23:05.120Z"): its place among the
  // unit's backups, whatever the clock's zone or its jumps.
  std::string takenUtc = {};
};
std::string WriteSettingsText(const UnitSettings& settings, const SettingsFileHeader& header);
// The unit and the backup time a file's header names (comment lines before the first setting).
SettingsFileHeader ParseSettingsHeader(const std::string& text);

struct SettingsFileError {
  enum class Kind { NotText, Malformed, Unknown, Duplicate, BadValue, NoSettings } kind;
  int line = 0;  // from 1; 0 for the file as a whole
  std::string name, value;
};
// Strict and all-or-nothing: the settings, or the first error with its line.
struct SettingsFileLoad {
  std::optional<UnitSettings> settings;
  SettingsFileError error;
};
// Window: only values the window can show. Unit: also a value of its own whose reply fits the
// setting's register, as a backup holds it, which a write puts back as it was.
enum class SettingsReader { Window, Unit };
SettingsFileLoad ParseSettingsText(const std::string& text, SettingsReader reader = SettingsReader::Window);
