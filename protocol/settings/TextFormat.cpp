#include "protocol/settings/TextFormat.h"

#include "common/Text.h"
#include "entry/Validation.h"
#include "protocol/settings/Acceptance.h"

#include <QStringDecoder>

#include <cstring>

namespace {

// The header lines that name the unit and a backup's time.
constexpr const char* kUnitHeader = "# Jednotka: ";
constexpr const char* kUnitVersionSeparator = ", ";
constexpr const char* kTakenUtcHeader = "# Záloha (UTC): ";

std::string Trimmed(const std::string& text) {
  const auto begin = text.find_first_not_of(" \t");
  if (begin == std::string::npos) return {};
  return text.substr(begin, text.find_last_not_of(" \t") - begin + 1);
}

bool ValidUtf8(const std::string& text) {
  // Stateless: a sequence cut off at the end of the file is an error, not a wait for more bytes.
  QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
  const QString decoded = decoder.decode(QByteArrayView(text.data(), static_cast<qsizetype>(text.size())));
  return !decoder.hasError() && text.find('\0') == std::string::npos;
}

}  // namespace

std::string WriteSettingsText(const UnitSettings& settings, const SettingsFileHeader& header) {
  std::string text = "# Nastavení jednotky VORKA\n";
  if (!header.unitId.empty() || !header.unitVersion.empty())
    text += kUnitHeader + EscapedText(header.unitId) +
            (header.unitVersion.empty() ? "" : kUnitVersionSeparator + EscapedText(header.unitVersion)) +
            "\n";
  else if (header.windowValues)
    text += "# Hodnoty: z okna programu, nepřečtené z jednotky\n";
  if (!header.savedAt.empty()) text += "# Uloženo: " + header.savedAt + "\n";
  if (!header.takenUtc.empty()) text += kTakenUtcHeader + EscapedText(header.takenUtc) + "\n";
  if (!header.program.empty()) text += "# Program: " + header.program + "\n";
  for (const auto& [name, value] : settings.Values())
    text.append(name).append(" = ").append(value).append("\n");
  return text;
}

SettingsFileLoad ParseSettingsText(const std::string& text, SettingsReader reader) {
  SettingsFileLoad load;
  const auto fail = [&](SettingsFileError::Kind kind, int line, const std::string& name = {},
                        const std::string& value = {}) {
    load.error = {kind, line, name, value};
    return load;
  };
  UnitSettings settings;
  std::size_t start = 0;
  for (int number = 1; start < text.size(); ++number) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    start = end + 1;
    if (!ValidUtf8(line)) return fail(SettingsFileError::Kind::NotText, number);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (number == 1 && line.starts_with("\xEF\xBB\xBF")) line.erase(0, 3);  // a byte-order mark
    const std::string trimmed = Trimmed(line);
    if (trimmed.empty() || trimmed.front() == '#') continue;
    const auto eq = trimmed.find('=');
    if (eq == std::string::npos) return fail(SettingsFileError::Kind::Malformed, number);
    const std::string name = Trimmed(trimmed.substr(0, eq));
    const std::string value = Trimmed(trimmed.substr(eq + 1));
    if (name.empty()) return fail(SettingsFileError::Kind::Malformed, number);
    const SettingDef* def = FindSetting(name);
    if (!def) return fail(SettingsFileError::Kind::Unknown, number, name);
    if (settings.Get(name)) return fail(SettingsFileError::Kind::Duplicate, number, name);
    // Kept in its plain form: "$10" is 16 wherever it goes next.
    std::optional<std::string> accepted = AcceptedValue(*def, value);
    if (reader == SettingsReader::Unit && def->reg) {
      // A backup puts back what the unit held: a value of its own as it stands, a number in the
      // unit's own text.
      if (!accepted && UnknownReply(value)) accepted = value;
      if (accepted && def->kind == SettingKind::Number && ExactDecimal(value)) accepted = value;
    }
    if (!accepted) return fail(SettingsFileError::Kind::BadValue, number, name, value);
    settings.Set(name, *accepted);
  }
  if (settings.Empty()) return fail(SettingsFileError::Kind::NoSettings, 0);
  load.settings = settings;
  return load;
}

SettingsFileHeader ParseSettingsHeader(const std::string& text) {
  SettingsFileHeader header;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = Trimmed(text.substr(start, end - start));
    start = end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty()) continue;
    if (line.front() != '#') break;  // the header ends at the first setting
    if (line.starts_with(kUnitHeader)) {
      const std::string unit = line.substr(std::strlen(kUnitHeader));
      const auto separator = unit.find(kUnitVersionSeparator);
      header.unitId = EscapedText(unit.substr(0, separator));
      if (separator != std::string::npos)
        header.unitVersion = EscapedText(unit.substr(separator + std::strlen(kUnitVersionSeparator)));
    } else if (line.starts_with(kTakenUtcHeader)) {
      header.takenUtc = EscapedText(line.substr(std::strlen(kTakenUtcHeader)));
    }
  }
  return header;
}
