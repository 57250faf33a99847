#pragma once
#include "protocol/flows/UnitRecord.h"
#include "protocol/settings/FileIo.h"

#include <string>

// The record of a unit as a file. The PDF is laid out by Qt's own text engine on A4 pages and so
// needs a QGuiApplication (the offscreen platform serves where there is no display).

// Whether a record's pages can carry text: Qt found a font to lay it out in. Without one every
// text run would be a bar and the file would hold no text.
bool RecordFontsFound();
// The record as a PDF document's bytes.
std::string RecordPdf(const UnitRecord& record);
// The record in the format's bytes.
std::string RecordBytes(const UnitRecord& record, RecordFormat format);
// Writes it atomically, as settings files are written: the old file stays whole on a failure.
FileFault SaveRecord(const UnitRecord& record, RecordFormat format, const std::string& path,
                     FileTarget target);
