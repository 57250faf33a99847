#pragma once
#include "common/Language.h"
#include "protocol/Identity.h"
#include "protocol/flows/WriteAndVerify.h"
#include "protocol/settings/UnitSettings.h"

#include <QDateTime>

#include <optional>
#include <string>
#include <vector>

// The commissioning record of a unit ("Protokol o nastavení"): what it holds, read once, with who
// set it, where and when, to print, sign and keep with the machine's papers. Written as plain text
// and HTML here; the PDF is the HTML laid out on pages (record/).

// What was written into the unit in this session, as the record reports it.
struct RecordedWrite {
  enum class Result {
    Verified,  // the record's reading found every written setting as it was written
    Differs,   // the unit now holds other values for some (detail names them)
    Failed,    // the write did not go through (detail says why)
    NotSent,   // nothing was written: the unit holds what it held (detail says why)
  };
  Result result = Result::Verified;
  std::string when;        // local time of the write
  std::string detail;      // Czech, for the operator; may be empty for Verified
  std::string backupPath;  // the backup taken before the write; empty when none was kept
};

struct UnitRecord {
  Identity unit;
  QDateTime taken;       // when the unit was read for the record
  std::string program;   // "vorka_config 1.3"
  std::string computer;  // the host's name
  // As the unit holds its settings (one reading), the input names beside them.
  UnitSettings held;
  std::optional<RecordedWrite> write;  // nothing: nothing was written in this session
  // The last wiring check's lines and when it ran; empty when none was run.
  std::vector<std::string> wiring;
  std::string wiringWhen;
  // What the technician filled in (name, text), in order: the standard fields and any other.
  std::vector<std::pair<std::string, std::string>> fields;
};

// The fields every record offers, in order (blank ones are left to fill in by hand).
std::vector<std::string> StandardRecordFields();
// Fills a field: the one of that name, or a new one after the others.
void SetRecordField(UnitRecord& record, const std::string& name, const std::string& text);

// A record of the unit read now on this computer; the input names are added by the caller.
UnitRecord NewRecord(const Identity& unit, const UnitSettings& held, std::string program);
// Where a program files a unit's record or settings by its identifier in a folder: the identifier
// with the characters a file name cannot hold replaced ("VK12345.pdf").
std::string UnitFileName(const std::string& unitId, const std::string& suffix);

// The record's content, in order: each part a heading with label and value rows, a table or lines.
struct RecordRow {
  std::string label = {}, value = {};
  bool path = false;  // a file's path: its name, the folder below it
};
struct RecordPart {
  std::string heading = {};
  std::vector<RecordRow> rows = {};
  std::vector<std::vector<std::string>> table = {};  // first row: the column heads
  std::vector<std::string> lines = {};
  // Short rows two to a line of the page.
  bool paired = false;
  // Rows left blank to fill in by hand.
  bool form = false;
};
std::vector<RecordPart> RecordParts(const UnitRecord& record);
// The record is a document in Czech, whichever program makes it.
inline constexpr Language kRecordLanguage = Language::Czech;
std::string RecordTitle();

std::string RecordText(const UnitRecord& record);
// Parts (by their index in RecordParts) can be put on a new page, so that none is split.
std::string RecordHtml(const UnitRecord& record, const std::vector<std::size_t>& newPageBefore = {});
// Each page's foot: the unit, the date it was read and the page's number of all.
std::string RecordFooter(const UnitRecord& record, int page, int pages);
// The name a record is offered under: "VK12345-2026-12-09.pdf".
std::string RecordFileName(const UnitRecord& record, const std::string& suffix);

// The record's formats, by a file name's suffix (".pdf", ".html" or ".htm", ".txt"); "-" is text.
enum class RecordFormat { Pdf, Html, Text };
std::optional<RecordFormat> RecordFormatOf(const std::string& path);

// The record of a unit a write went into: what the record's reading found compared with what
// was written (the settings the write chose, as the unit acknowledged them).
RecordedWrite WriteAsRead(const UnitSettings& written, const UnitSettings& read, std::string when,
                          std::string backupPath);

// The record of a write that WriteAndVerify made: verified against the record's own reading
// (`read`, nothing when the unit did not answer it), or why it failed, in Czech.
RecordedWrite RecordOfWrite(const WriteReport& report, const std::optional<UnitSettings>& read,
                            const UnitSettings& wanted, std::string when);

// A record's date and time in the one form it writes, local or UTC.
std::string RecordTime(const QDateTime& time, bool utc);
