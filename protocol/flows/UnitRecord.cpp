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
                    RecordWords(Said::GridPolarity), RecordWords(Said::GridEnabled)}}};
  grid.paired = true;
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
    case RecordedWrite::Result::NotSent: return RecordWords(Said::WriteNothingSent);
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

std::vector<std::string> StandardRecordFields() {
  return {RecordWords(Said::FieldCustomer), RecordWords(Said::FieldMachine),
          RecordWords(Said::FieldMachineSerial), RecordWords(Said::FieldTechnician),
          RecordWords(Said::FieldNote)};
}

void SetRecordField(UnitRecord& record, const std::string& name, const std::string& text) {
  for (auto& [fieldName, fieldText] : record.fields)
    if (fieldName == name) {
      fieldText = text;
      return;
    }
  record.fields.emplace_back(name, text);
}

std::vector<RecordPart> RecordParts(const UnitRecord& record) {
  std::vector<RecordPart> parts;
  RecordPart unit{RecordWords(Said::UnitPart),
                  {{RecordWords(Said::Identifier), record.unit.id},
                   {RecordWords(Said::Firmware), record.unit.version},
                   {RecordWords(Said::MpgFirmware), Yes(record.unit.mpg)},
                   {RecordWords(Said::ReadAt), RecordTime(record.taken, false)},
                   {RecordWords(Said::ReadAtUtc), RecordTime(record.taken, true)},
                   {RecordWords(Said::Program), record.program},
                   {RecordWords(Said::Computer), record.computer}}};
  unit.paired = true;
  parts.push_back(std::move(unit));

  // The standard fields first, blank ones to fill in by hand, then any other in its order.
  RecordPart fields{RecordWords(Said::FieldsPart)};
  fields.form = true;
  const std::vector<std::string> standard = StandardRecordFields();
  for (const std::string& name : standard) fields.rows.push_back({name, {}});
  for (const auto& [name, text] : record.fields) {
    const auto known = std::find(standard.begin(), standard.end(), name);
    if (known != standard.end())
      fields.rows[static_cast<std::size_t>(known - standard.begin())].value = text;
    else
      fields.rows.push_back({name, text});
  }
  parts.push_back(std::move(fields));

  for (const char* page : kSettingPages) {
    RecordPart part{RecordWords(Said::SettingsPart, {{"page", page}})};
    part.paired = true;
    for (const SettingDef& def : SettingDefs())
      if (std::strcmp(PageOf(def), page) == 0 && SettingForUnit(def, record.unit.mpg) &&
          def.kind != SettingKind::Bit && def.kind != SettingKind::InputName)
        part.rows.push_back({def.caption, Setting(record.held, def.name)});
    if (!part.rows.empty()) parts.push_back(std::move(part));
  }
  if (record.unit.mpg)
    parts.push_back(InputGridPart(record));
  else
    parts.push_back({RecordWords(Said::GridPart), {}, {}, {RecordWords(Said::NoGridWithoutMpg)}});

  RecordPart write{RecordWords(Said::WritePart)};
  if (!record.write) {
    write.lines.emplace_back(RecordWords(Said::NothingWritten));
  } else {
    write.rows.push_back({RecordWords(Said::Result), WriteResultText(*record.write)});
    write.rows.push_back({RecordWords(Said::When), record.write->when});
    if (!record.write->detail.empty())
      write.rows.push_back({RecordWords(Said::Details), record.write->detail});
    if (record.write->backupPath.empty())
      write.rows.push_back({RecordWords(Said::BackupBeforeWrite), RecordWords(Said::NoBackupKept)});
    else
      write.rows.push_back({RecordWords(Said::BackupBeforeWrite), record.write->backupPath, true});
  }
  parts.push_back(std::move(write));

  RecordPart wiring{RecordWords(Said::WiringPart)};
  if (record.wiring.empty()) {
    wiring.lines.emplace_back(RecordWords(Said::WiringNotRun));
  } else {
    wiring.rows.push_back({RecordWords(Said::WiringRun), record.wiringWhen});
    wiring.lines = record.wiring;
  }
  parts.push_back(std::move(wiring));
  // Three cells side by side, each left blank under its name.
  RecordPart signature{
      RecordWords(Said::SignaturePart),
      {},
      {{RecordWords(Said::SignatureBy), RecordWords(Said::SignatureSigned), RecordWords(Said::SignatureDate)},
       {{}, {}, {}}}};
  signature.form = true;
  parts.push_back(std::move(signature));
  return parts;
}

std::string RecordFooter(const UnitRecord& record, int page, int pages) {
  return RecordWords(Said::RecordFooter, {{"id", record.unit.id},
                                          {"date", RecordTime(record.taken, false).substr(0, 10)},
                                          {"page", std::to_string(page)},
                                          {"pages", std::to_string(pages)}});
}

std::string RecordFileName(const UnitRecord& record, const std::string& suffix) {
  return UnitFileName(record.unit.id, "-" + RecordTime(record.taken, false).substr(0, 10) + suffix);
}

std::string RecordText(const UnitRecord& record) {
  std::string text = RecordTitle() + "\n";
  for (const RecordPart& part : RecordParts(record)) {
    text += "\n" + part.heading + "\n";
    int labelWidth = 0;
    for (const RecordRow& row : part.rows) labelWidth = std::max(labelWidth, Width(row.label));
    for (const RecordRow& row : part.rows)
      text.append("  ")
          .append(Padded(row.label + ":", labelWidth + 2))
          .append(part.form && row.value.empty() ? std::string(30, '_') : row.value)
          .append("\n");
    std::vector<int> widths;
    for (const auto& row : part.table)
      for (std::size_t c = 0; c < row.size(); ++c) {
        if (widths.size() <= c) widths.push_back(0);
        widths[c] = std::max(widths[c], Width(row[c]));
      }
    if (part.form && !part.table.empty()) {
      std::string line = " ";
      for (const std::string& name : part.table.front()) line += " " + name + ": " + std::string(22, '_');
      text += line + "\n";
      continue;
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

// Tables with rules: a label's cell shaded, a long value wrapping inside its own cell.
constexpr const char* kTable =
    "<table width=\"100%\" border=\"1\" cellspacing=\"0\" cellpadding=\"2\" "
    "style=\"border-collapse:collapse;border-color:#8c8c8c;border-style:solid\">\n";

std::string LabelCell(const std::string& label, int widthPercent) {
  return "<td width=\"" + std::to_string(widthPercent) + R"(%" bgcolor="#eeeeee">)" + Html(label) + "</td>";
}

std::string ValueCell(const RecordRow& row, bool form, int widthPercent) {
  std::string value;
  if (row.path) {
    // The file's name, and the folder below it, smaller: a long path breaks at its separators.
    const std::size_t slash = row.value.find_last_of("/\\");
    const std::string name = slash == std::string::npos ? row.value : row.value.substr(slash + 1);
    value = Html(name);
    if (slash != std::string::npos)
      value += "<br/><span style=\"font-size:7pt;color:#444444\">" + Html(row.value.substr(0, slash + 1)) +
               "</span>";
  } else if (form && row.value.empty()) {
    value = "&nbsp;<br/>&nbsp;";  // room to write by hand
  } else {
    value = Html(row.value);
  }
  return "<td width=\"" + std::to_string(widthPercent) + "%\">" + value + "</td>";
}

std::string PartHtml(const RecordPart& part, bool breakBefore) {
  // A paragraph, not a heading element: Qt's rich text enlarges a heading by its level whatever
  // its style says.
  std::string html =
      std::string("<p style=\"font-size:10.5pt;font-weight:bold;margin-top:8pt;margin-bottom:2pt") +
      (breakBefore ? ";page-break-before:always" : "") + "\">" + Html(part.heading) + "</p>\n";
  if (!part.rows.empty()) {
    html += kTable;
    if (part.paired) {
      // Two settings to a line, in reading order.
      for (std::size_t r = 0; r < part.rows.size(); r += 2) {
        html += "<tr>" + LabelCell(part.rows[r].label, 28) + ValueCell(part.rows[r], part.form, 22);
        if (r + 1 < part.rows.size())
          html += LabelCell(part.rows[r + 1].label, 28) + ValueCell(part.rows[r + 1], part.form, 22);
        else
          html += R"(<td width="28%"></td><td width="22%"></td>)";
        html += "</tr>\n";
      }
    } else {
      for (const RecordRow& row : part.rows)
        html += "<tr>" + LabelCell(row.label, 30) + ValueCell(row, part.form, 70) + "</tr>\n";
    }
    html += "</table>\n";
  }
  if (!part.table.empty()) {
    // Paired: the rows in two halves side by side, each under the column heads.
    const std::size_t body = part.table.size() - 1, lines = part.paired ? (body + 1) / 2 : body;
    const auto cells = [&](std::size_t r) {
      std::string row;
      for (const std::string& text : part.table[r])
        row += std::string(r == 0 ? "<th align=\"left\">" : "<td>") +
               (part.form && text.empty() ? "&nbsp;<br/>&nbsp;<br/>&nbsp;" : Html(text)) +
               (r == 0 ? "</th>" : "</td>");
      return row;
    };
    html += kTable;
    html += "<tr bgcolor=\"#eeeeee\">" + cells(0) + (part.paired ? cells(0) : "") + "</tr>\n";
    for (std::size_t r = 1; r <= lines; ++r) {
      html += "<tr>" + cells(r);
      if (part.paired) {
        if (r + lines <= body)
          html += cells(r + lines);
        else
          for (std::size_t c = 0; c < part.table.front().size(); ++c) html += "<td></td>";
      }
      html += "</tr>\n";
    }
    html += "</table>\n";
  }
  if (!part.lines.empty()) {
    if (part.rows.empty()) {
      for (const std::string& line : part.lines) html += "<p>" + Html(line) + "</p>\n";
    } else {
      html += kTable;
      for (const std::string& line : part.lines) html += "<tr><td>" + Html(line) + "</td></tr>\n";
      html += "</table>\n";
    }
  }
  return html;
}

}  // namespace

std::string RecordHtml(const UnitRecord& record, const std::vector<std::size_t>& newPageBefore) {
  std::string html = "<!DOCTYPE html>\n<html lang=\"cs\"><head><meta charset=\"utf-8\"><title>" +
                     Html(RecordTitle()) + " " + Html(record.unit.id) +
                     "</title>\n<style>body{font-family:sans-serif;font-size:9pt} "
                     "h1{font-size:15pt;margin-bottom:2pt} "
                     "p{margin:0} p.unit{font-size:11pt;margin-bottom:4pt} "
                     "td,th{text-align:left;vertical-align:top}</style></head>\n<body>\n<h1>" +
                     Html(RecordTitle()) + "</h1>\n";
  // The title block: which unit, which firmware, when.
  html += "<p class=\"unit\"><b>" + Html(record.unit.id) + "</b> &nbsp;·&nbsp; " + Html(record.unit.version) +
          " &nbsp;·&nbsp; " + Html(RecordTime(record.taken, false)) + "</p>\n";
  const std::vector<RecordPart> parts = RecordParts(record);
  for (std::size_t n = 0; n < parts.size(); ++n)
    html +=
        PartHtml(parts[n], std::find(newPageBefore.begin(), newPageBefore.end(), n) != newPageBefore.end());
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
  // The backup has its own row in the record.
  return {NothingSent(report) ? RecordedWrite::Result::NotSent : RecordedWrite::Result::Failed,
          std::move(when),
          WriteReportText(report, {kRecordLanguage, captions, std::to_string(report.planned), {}}),
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
