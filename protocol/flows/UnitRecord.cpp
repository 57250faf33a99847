#include "protocol/flows/UnitRecord.h"

#include "common/Wording.h"
#include "protocol/RegisterMap.h"
#include "protocol/settings/Acceptance.h"
#include "protocol/settings/Catalogue.h"

#include <QString>
#include <QSysInfo>
#include <QTimeZone>

#include <algorithm>
#include <cctype>
#include <cstring>

namespace {

// In the record's language.
std::string RecordWords(Said said, Fills values = {}) { return Words(said, kRecordLanguage, values); }

std::string Yes(bool yes) { return RecordWords(yes ? Said::Yes : Said::No); }

// A value as the record shows it: a value of its own says what it is, nothing read is a dash.
std::string RecordedValue(const std::optional<std::string>& value) {
  if (!value) return "–";
  if (const auto reply = UnknownReply(*value)) return RecordWords(Said::OwnValue, {{"reply", *reply}});
  return *value;
}

std::string Setting(const UnitSettings& held, const std::string& name) {
  return RecordedValue(held.Get(name));
}

RecordPart InputGridPart(const UnitRecord& record) {
  RecordPart grid{RecordWords(Said::GridPart),
                  {},
                  {{RecordWords(Said::GridInput), RecordWords(Said::GridName),
                    RecordWords(Said::GridPolarity), RecordWords(Said::GridEnabled)}},
                  {},
                  RecordPart::Column::Left};
  for (int row = 1; row <= kInputRows; ++row) {
    const std::string input = std::to_string(kInputOfRow[row - 1]);
    const auto name = record.held.Get("Jmeno." + input);
    grid.table.push_back({input, name && !name->empty() ? *name : "-",
                          Setting(record.held, "Polarita." + input),
                          Setting(record.held, "Povoleno." + input)});
  }
  return grid;
}

std::string WriteResultText(const RecordedWrite& write) {
  switch (write.result) {
    case RecordedWrite::Result::Verified: return RecordWords(Said::WrittenVerified);
    case RecordedWrite::Result::Differs: return RecordWords(Said::WrittenDiffers);
    case RecordedWrite::Result::Failed: return RecordWords(Said::WriteFailed);
  }
  return {};
}

// Cells padded to the widest of their column, counted in characters, not bytes.
std::string Padded(const std::string& text, int width) {
  const QString shown = QString::fromStdString(text);
  return text + std::string(static_cast<std::size_t>(std::max<qsizetype>(0, width - shown.size())), ' ');
}
int Width(const std::string& text) { return static_cast<int>(QString::fromStdString(text).size()); }

std::string Html(const std::string& text) {
  return QString::fromStdString(text).toHtmlEscaped().toStdString();
}

}  // namespace

UnitRecord NewRecord(const Identity& unit, const UnitSettings& held, std::string program) {
  UnitRecord record;
  record.unit = unit;
  record.taken = QDateTime::currentDateTime();
  record.program = std::move(program);
  record.computer = QSysInfo::machineHostName().toStdString();
  record.held = held;
  return record;
}

std::string UnitFileName(const std::string& unitId, const std::string& suffix) {
  std::string name = unitId;
  for (char& c : name)
    if (!std::isalnum(static_cast<unsigned char>(c)) && c != '-' && c != '_') c = '_';
  return (name.empty() ? std::string("unit") : name) + suffix;
}

std::string RecordTime(const QDateTime& time, bool utc) {
  const QDateTime shown = utc ? time.toTimeZone(QTimeZone::utc()) : time.toLocalTime();
  return shown.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")).toStdString();
}

std::vector<RecordPart> RecordParts(const UnitRecord& record) {
  std::vector<RecordPart> parts;
  parts.push_back({RecordWords(Said::UnitPart),
                   {{RecordWords(Said::Identifier), record.unit.id},
                    {RecordWords(Said::Firmware), record.unit.version},
                    {RecordWords(Said::MpgFirmware), Yes(record.unit.mpg)},
                    {RecordWords(Said::ReadAt), RecordTime(record.taken, false)},
                    {RecordWords(Said::ReadAtUtc), RecordTime(record.taken, true)},
                    {RecordWords(Said::Program), record.program},
                    {RecordWords(Said::Computer), record.computer}},
                   {},
                   {},
                   RecordPart::Column::Left});
  for (const char* page : kSettingPages) {
    RecordPart part{
        RecordWords(Said::SettingsPart, {{"page", page}}),
        {},
        {},
        {},
        std::strcmp(page, kSettingPages[1]) == 0 ? RecordPart::Column::Right : RecordPart::Column::Left};
    for (const SettingDef& def : SettingDefs())
      if (std::strcmp(PageOf(def), page) == 0 && SettingForUnit(def, record.unit.mpg) &&
          def.kind != SettingKind::Bit && def.kind != SettingKind::InputName)
        part.rows.emplace_back(def.caption, Setting(record.held, def.name));
    if (!part.rows.empty()) parts.push_back(std::move(part));
  }
  if (record.unit.mpg)
    parts.push_back(InputGridPart(record));
  else
    parts.push_back({RecordWords(Said::GridPart),
                     {},
                     {},
                     {RecordWords(Said::NoGridWithoutMpg)},
                     RecordPart::Column::Left});

  RecordPart write{RecordWords(Said::WritePart), {}, {}, {}, RecordPart::Column::Right};
  if (!record.write) {
    write.lines.emplace_back(RecordWords(Said::NothingWritten));
  } else {
    write.rows.emplace_back(RecordWords(Said::Result), WriteResultText(*record.write));
    write.rows.emplace_back(RecordWords(Said::When), record.write->when);
    if (!record.write->detail.empty())
      write.rows.emplace_back(RecordWords(Said::Details), record.write->detail);
    write.rows.emplace_back(RecordWords(Said::BackupBeforeWrite), record.write->backupPath.empty()
                                                                      ? RecordWords(Said::NoBackupKept)
                                                                      : record.write->backupPath);
  }
  parts.push_back(std::move(write));

  RecordPart wiring{RecordWords(Said::WiringPart), {}, {}, {}, RecordPart::Column::Right};
  if (record.wiring.empty()) {
    wiring.lines.emplace_back(RecordWords(Said::WiringNotRun));
  } else {
    wiring.rows.emplace_back(RecordWords(Said::WiringRun), record.wiringWhen);
    wiring.lines = record.wiring;
  }
  parts.push_back(std::move(wiring));
  parts.push_back({RecordWords(Said::SignaturePart),
                   {},
                   {},
                   {RecordWords(Said::SignatureLine)},
                   RecordPart::Column::Both});
  return parts;
}

std::string RecordText(const UnitRecord& record) {
  std::string text = RecordTitle() + "\n";
  for (const RecordPart& part : RecordParts(record)) {
    text += "\n" + part.heading + "\n";
    int labelWidth = 0;
    for (const auto& [label, value] : part.rows) labelWidth = std::max(labelWidth, Width(label));
    for (const auto& [label, value] : part.rows)
      text.append("  ").append(Padded(label + ":", labelWidth + 2)).append(value).append("\n");
    std::vector<int> widths;
    for (const auto& row : part.table)
      for (std::size_t c = 0; c < row.size(); ++c) {
        if (widths.size() <= c) widths.push_back(0);
        widths[c] = std::max(widths[c], Width(row[c]));
      }
    for (const auto& row : part.table) {
      std::string line = " ";
      for (std::size_t c = 0; c < row.size(); ++c) line += " " + Padded(row[c], widths[c] + 1);
      while (!line.empty() && line.back() == ' ') line.pop_back();
      text += line + "\n";
    }
    for (const std::string& line : part.lines) text += "  " + line + "\n";
  }
  return text;
}

namespace {

std::string PartHtml(const RecordPart& part) {
  std::string html = "<h2>" + Html(part.heading) + "</h2>\n";
  if (!part.rows.empty()) {
    html += "<table cellspacing=\"0\" cellpadding=\"1\">\n";
    for (const auto& [label, value] : part.rows)
      html += "<tr><td>" + Html(label) + "&nbsp;&nbsp;</td><td>" + Html(value) + "</td></tr>\n";
    html += "</table>\n";
  }
  if (!part.table.empty()) {
    html += "<table cellspacing=\"0\" cellpadding=\"1\">\n";
    for (std::size_t r = 0; r < part.table.size(); ++r) {
      const char* cell = r == 0 ? "th" : "td";
      html += "<tr>";
      for (const std::string& text : part.table[r])
        html += std::string("<") + cell + ">" + Html(text) + "&nbsp;&nbsp;</" + cell + ">";
      html += "</tr>\n";
    }
    html += "</table>\n";
  }
  for (const std::string& line : part.lines) html += "<p>" + Html(line) + "</p>\n";
  return html;
}

}  // namespace

std::string RecordHtml(const UnitRecord& record) {
  std::string html = "<!DOCTYPE html>\n<html lang=\"cs\"><head><meta charset=\"utf-8\"><title>" +
                     Html(RecordTitle()) + " " + Html(record.unit.id) +
                     "</title>\n<style>body{font-family:sans-serif;font-size:9pt} h1{font-size:13pt} "
                     "h2{font-size:10pt;margin-top:8pt;margin-bottom:2pt} p{margin:0} "
                     "td,th{padding:0 8pt 0 0;text-align:left;vertical-align:top} "
                     "th{font-weight:bold}</style></head>\n<body>\n<h1>" +
                     Html(RecordTitle()) + "</h1>\n";
  // Two columns, so that a unit fits one page: the unit, its outputs and inputs on the left, the
  // machine's settings, the write and the wiring check on the right; the signature below both.
  std::string columns[2], below;
  for (const RecordPart& part : RecordParts(record))
    (part.column == RecordPart::Column::Both ? below
                                             : columns[part.column == RecordPart::Column::Left ? 0 : 1]) +=
        PartHtml(part);
  html += "<table width=\"100%\" cellspacing=\"0\"><tr><td width=\"50%\" valign=\"top\">\n" + columns[0] +
          "</td><td width=\"50%\" valign=\"top\">\n" + columns[1] + "</td></tr></table>\n" + below;
  return html + "</body></html>\n";
}

std::optional<RecordFormat> RecordFormatOf(const std::string& path) {
  if (path == "-") return RecordFormat::Text;
  const QString suffix = QString::fromStdString(path).section(QLatin1Char('.'), -1).toLower();
  if (!QString::fromStdString(path).contains(QLatin1Char('.'))) return std::nullopt;
  if (suffix == QLatin1String("pdf")) return RecordFormat::Pdf;
  if (suffix == QLatin1String("html") || suffix == QLatin1String("htm")) return RecordFormat::Html;
  if (suffix == QLatin1String("txt")) return RecordFormat::Text;
  return std::nullopt;
}

RecordedWrite RecordOfWrite(const WriteReport& report, const std::optional<UnitSettings>& read,
                            const UnitSettings& wanted, std::string when) {
  if (report.outcome == WriteReport::Outcome::Verified) {
    if (read) return WriteAsRead(wanted, *read, std::move(when), report.backupPath);
    return {RecordedWrite::Result::Failed, std::move(when), RecordWords(Said::VerifiedUnread),
            report.backupPath};
  }
  const auto captions = [](const std::vector<const SettingDef*>& defs) {
    std::string named;
    for (const SettingDef* def : defs) named += (named.empty() ? "" : ", ") + def->caption;
    return named;
  };
  return {
      RecordedWrite::Result::Failed, std::move(when),
      WriteReportText(report, {kRecordLanguage, captions, std::to_string(report.planned), report.backupPath}),
      report.backupPath};
}

RecordedWrite WriteAsRead(const UnitSettings& written, const UnitSettings& read, std::string when,
                          std::string backupPath) {
  RecordedWrite write{RecordedWrite::Result::Verified, std::move(when), {}, std::move(backupPath)};
  std::string differing;
  for (const SettingDifference& d : Changes(WithoutInputNames(written), read))
    differing += (differing.empty() ? "" : ", ") +
                 RecordWords(Said::HeldWritten, {{"setting", d.def->caption},
                                                 {"held", RecordedValue(d.left)},
                                                 {"written", RecordedValue(d.right)}});
  if (!differing.empty()) {
    write.result = RecordedWrite::Result::Differs;
    write.detail = RecordWords(Said::UnitHoldsNow, {{"settings", differing}});
  }
  return write;
}

std::string RecordTitle() { return RecordWords(Said::RecordTitle); }
