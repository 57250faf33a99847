#include "entry/CfgReader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#ifdef _WIN32
#include <io.h>
#endif

namespace {

constexpr std::size_t kMaxLine = 255;
constexpr std::size_t kMaxName = 20;
constexpr char kCtrlZ = 26;
constexpr int kAccessDenied = 5;

// Keys with a field of their own, as the file writes them.
struct FieldKey {
  const char* key;
  const char* field;
};
constexpr FieldKey kFieldKeys[] = {
    {"KRNAMMX", "GearX"},   {"KRNAMMY", "GearY"},    {"KRNAMMZ", "GearZ"},     {"VREFX", "RefSpeedX"},
    {"VREFY", "RefSpeedY"}, {"VREFZ", "RefSpeedZ"},  {"LIMITX", "HiLimitX"},   {"LIMITY", "HiLimitY"},
    {"LIMITZ", "HiLimitZ"}, {"VMAX", "MpgMaxSpeed"}, {"AKCELERACE", "MpgAcc"},
};

std::string UpperAscii(std::string text) {
  for (char& c : text)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return text;
}

// The input number of an "INTR" key: "INTR0" … "INTR15" exactly, -1 otherwise.
int InputOfKey(const std::string& key) {
  for (int n = 0; n < 16; ++n)
    if (key == "INTR" + std::to_string(n)) return n;
  return -1;
}

class LineSplitter {
 public:
  explicit LineSplitter(const std::function<void(const std::string&)>& onLine) : onLine_(onLine) {}

  // Feeds bytes; false once Ctrl-Z has ended the file.
  bool Feed(const char* data, std::size_t size) {
    for (std::size_t i = 0; i < size; ++i) {
      const char c = data[i];
      if (c == kCtrlZ) {
        Finish();
        return false;
      }
      if (c == '\n' && afterCr_) {  // CR LF is one line end
        afterCr_ = false;
        continue;
      }
      afterCr_ = c == '\r';
      if (c == '\r' || c == '\n') {
        onLine_(line_);
        line_.clear();
        pending_ = false;
      } else {
        if (line_.size() < kMaxLine) line_ += c;
        pending_ = true;
      }
    }
    return true;
  }

  // The last line, when the file does not end with a line end.
  void Finish() {
    if (pending_) onLine_(line_);
    line_.clear();
    pending_ = false;
  }

 private:
  const std::function<void(const std::string&)>& onLine_;
  std::string line_;
  bool afterCr_ = false;
  bool pending_ = false;
};

}  // namespace

// The codes of the operator's messages are those of the system the file format comes from.
int IoErrorCode(int error) {
  switch (error) {
    case ENOENT: return 2;
    case ENOTDIR:
    case ENAMETOOLONG: return 3;
    case EMFILE:
    case ENFILE: return 4;
    case EACCES:
    case EPERM:
    case EISDIR: return kAccessDenied;
    case ENOSPC: return 101;
    case EIO: return 30;  // read fault
    default: return error;
  }
}

CfgIoError::CfgIoError(int c) : std::runtime_error(IoErrorMessage(c)), code(c) {}

std::string IoErrorMessage(int code) {
  switch (code) {
    case 2: return "File not found";
    case 3: return "Invalid filename";
    case 4: return "Too many open files";
    case 5: return "File access denied";
    case 100: return "Read beyond end of file";
    case 101: return "Disk full";
    case 106: return "Invalid numeric input";
    default: return "I/O error " + std::to_string(code);
  }
}

CfgLine SplitCfgLine(const std::string& line) {
  const std::string text = line.substr(0, kMaxLine);
  CfgLine result;
  const auto eq = text.find('=');
  if (eq == std::string::npos) return result;
  result.hasValue = true;
  const std::string key = text.substr(0, eq);
  result.key = UpperAscii(key.substr(std::min(key.size(), key.find_first_not_of(' '))));
  std::string value = UpperAscii(text.substr(eq + 1));
  // "VrefX= 50" means 50: blanks and tabs around the value go before the cut at a blank.
  value.erase(0, std::min(value.size(), value.find_first_not_of(" \t")));
  if (const auto blank = value.find(' '); blank != std::string::npos) value.resize(blank);
  value.erase(value.find_last_not_of('\t') + 1);
  result.value = value;
  return result;
}

void ApplyCfgLine(const CfgLine& line, CfgTables& tables, const CfgFieldSink& setField) {
  if (!line.hasValue) return;
  if (const int n = InputOfKey(line.key); n >= 0) {
    const std::string& v = line.value;
    const auto bit = static_cast<uint16_t>(1u << n);
    if (v.size() > 0 && v[0] == '1') tables.enableMask |= bit;
    if (v.size() > 2 && v[2] == '1') tables.polarityMask |= bit;
    tables.namedMask |= bit;
    tables.names[static_cast<std::size_t>(n)] = v.size() > 4 ? v.substr(4, kMaxName) : std::string();
    return;
  }
  for (const FieldKey& k : kFieldKeys) {
    if (line.key != k.key) continue;
    std::string value = line.value;
    // The file writes the Z limit as a negative travel; only its minus sign is dropped.
    if (line.key == "LIMITZ" && !value.empty() && value[0] == '-') value.erase(0, 1);
    setField(k.field, value);
  }
}

// Not handed to child processes, and (Unix) not waiting for a pipe's writer; Windows reads the
// bytes as they are, and opens by the wide path, which holds any letter the ANSI code page lacks.
namespace {
#ifdef _WIN32
constexpr int kOpenFlags = O_RDONLY | O_BINARY | O_NOINHERIT;
using FileStatus = struct _stat64;
int StatusOf(const std::filesystem::path& path, FileStatus& info) { return ::_wstat64(path.c_str(), &info); }
int StatusOf(int fd, FileStatus& info) { return ::_fstat64(fd, &info); }
int OpenForReading(const std::filesystem::path& path) { return ::_wopen(path.c_str(), kOpenFlags); }
#else
constexpr int kOpenFlags = O_RDONLY | O_CLOEXEC | O_NONBLOCK;
using FileStatus = struct stat;
int StatusOf(const std::filesystem::path& path, FileStatus& info) { return ::stat(path.c_str(), &info); }
int StatusOf(int fd, FileStatus& info) { return ::fstat(fd, &info); }
int OpenForReading(const std::filesystem::path& path) { return ::open(path.c_str(), kOpenFlags); }
#endif
}  // namespace

bool ReadCfgFile(const std::filesystem::path& path, CfgTables& tables, const CfgFieldSink& setField) {
  FileStatus info{};
  if (StatusOf(path, info) != 0) {
    // No file there: nothing happens. A path the system cannot look into is told, not passed over.
    if (errno == ENOENT || errno == ENOTDIR) return false;
    throw CfgIoError(IoErrorCode(errno));
  }
  // A pipe or a device typed into the dialog would block the window for good: regular files only.
  // The open does not wait for a pipe's writer, and the check is made again on what was opened.
  if (!S_ISREG(info.st_mode)) throw CfgIoError(kAccessDenied);
  const int fd = OpenForReading(path);
  if (fd < 0) throw CfgIoError(IoErrorCode(errno));
  struct Closer {
    int fd;
    ~Closer() { ::close(fd); }
  } closer{fd};
  if (StatusOf(fd, info) != 0 || !S_ISREG(info.st_mode)) throw CfgIoError(kAccessDenied);
  tables.enableMask = 0;
  tables.polarityMask = 0;
  tables.namedMask = 0;
  const std::function<void(const std::string&)> onLine = [&](const std::string& line) {
    ApplyCfgLine(SplitCfgLine(line), tables, setField);
  };
  LineSplitter splitter(onLine);
  char buffer[4096];
  for (;;) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0) {
      if (errno == EINTR) continue;
      throw CfgIoError(IoErrorCode(errno));
    }
    if (n == 0) break;
    if (!splitter.Feed(buffer, static_cast<std::size_t>(n))) return true;
  }
  splitter.Finish();
  return true;
}
