#pragma once
#include <string>

class QFileDevice;

// Why a settings file could not be written or read.
struct FileFault {
  enum class Kind { None, NotRegular, TooLarge, System } kind = Kind::None;
  int error = 0;  // the system's error number (System)
  explicit operator bool() const { return kind != Kind::None; }
};

// RegularOnly: a path that exists and is no regular file (a FIFO, a device) is refused, as the
// window must not block on it; AnyFile writes such a path as it is (vorkactl -o /dev/stdout).
enum class FileTarget { RegularOnly, AnyFile };
// Writes the text atomically: the old file stays whole until the new one is complete and flushed.
FileFault SaveSettingsFile(const std::string& path, const std::string& text, FileTarget target);
// Reads a regular file of at most a megabyte; AnyFile also reads a pipe or a device to its end,
// and "-" is standard input (vorkactl write -).
FileFault LoadSettingsFile(const std::string& path, std::string& text,
                           FileTarget target = FileTarget::RegularOnly);
// The fault of a failed call of a file object: the system's error number when it gave one (0 when
// not), else the nearest one the file's error kind names.
FileFault FileDeviceFault(const QFileDevice& file, int error);
