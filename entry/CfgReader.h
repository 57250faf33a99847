#pragma once
#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <stdexcept>
#include <string>

// The reader of TORVEL configuration files: key=value lines in code page 1250, from which the
// MPG fields and the input definitions are taken.

// What the imports have gathered; the window keeps it for as long as the program runs.
struct CfgTables {
  std::array<std::string, 16> names;  // CP1250 bytes, at most 20 each; kept from earlier imports
  uint16_t enableMask = 0;
  uint16_t polarityMask = 0;
  uint16_t namedMask = 0;  // the inputs the last file has a line for
};

struct CfgLine {
  bool hasValue = false;  // a line without "=" sets nothing
  std::string key;        // upper case (a to z), leading blanks removed
  std::string value;      // upper case (a to z), cut at its first blank
};

// Splits one line (at most 255 characters of it are looked at) at its first "=".
CfgLine SplitCfgLine(const std::string& line);

// An input/output failure while reading; code is in the numbering the operator's messages use.
class CfgIoError : public std::runtime_error {
 public:
  explicit CfgIoError(int code);
  int code;
};

// The operator's message for an input/output failure code: "File not found" (2), "Invalid
// filename" (3), "Too many open files" (4), "File access denied" (5), "Read beyond end of file"
// (100), "Disk full" (101), "Invalid numeric input" (106), "I/O error %d" for any other.
std::string IoErrorMessage(int code);
// The message code of a system error (errno): the numbering the file format's home system uses.
int IoErrorCode(int systemError);

// Receives a field's new text (CP1250 bytes): the field's control name and the value.
using CfgFieldSink = std::function<void(const char* field, const std::string& value)>;

// Reads the file: false when no file exists at the path (nothing changed); a path the system cannot
// look into throws. Otherwise the three masks
// start at 0, every line takes effect in file order, and true is returned. Lines end at CR, CR LF
// or LF; Ctrl-Z ends the file. Throws CfgIoError when the file cannot be opened or read; what
// was set before keeps its new value.
bool ReadCfgFile(const std::filesystem::path& path, CfgTables& tables, const CfgFieldSink& setField);

// Applies one line to the tables and fields (exposed for tests).
void ApplyCfgLine(const CfgLine& line, CfgTables& tables, const CfgFieldSink& setField);
