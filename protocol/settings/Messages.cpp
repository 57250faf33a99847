#include "protocol/settings/Messages.h"

#include "common/Wording.h"

#include <cerrno>
#include <cstdio>

namespace {

// How much of a value from a file a message repeats.
constexpr std::size_t kShownValueChars = 40;

}  // namespace

std::string ShownText(const std::string& text) {
  std::string shown;
  std::size_t characters = 0;
  for (const char byte : text) {
    const auto c = static_cast<unsigned char>(byte);
    if ((c & 0xC0) != 0x80 && ++characters > kShownValueChars) {
      shown += "…";
      break;
    }
    if (c < 32 || c == 127) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\x%02X", c);
      shown += escaped;
    } else {
      shown += byte;
    }
  }
  return shown;
}

namespace {

// Each kind of file error, after its line ("Řádek 3: ", "line 3: ").
Said FileErrorText(SettingsFileError::Kind kind) {
  using Kind = SettingsFileError::Kind;
  switch (kind) {
    case Kind::NotText: return Said::FileNotText;
    case Kind::Malformed: return Said::FileMalformed;
    case Kind::Unknown: return Said::FileUnknown;
    case Kind::Duplicate: return Said::FileDuplicate;
    case Kind::BadValue: return Said::FileBadValue;
    case Kind::NoSettings: return Said::FileNoSettings;
  }
  return Said::FileMalformed;
}

std::string FileErrorIn(const SettingsFileError& e, Language language) {
  const std::string at = e.kind == SettingsFileError::Kind::NoSettings
                             ? std::string()
                             : Words(Said::FileErrorAt, language, {{"line", std::to_string(e.line)}});
  return at +
         Words(FileErrorText(e.kind), language, {{"name", ShownText(e.name)}, {"value", ShownText(e.value)}});
}

}  // namespace

std::string CzechText(const SettingsFileError& e) { return FileErrorIn(e, Language::Czech); }

std::string EnglishText(const SettingsFileError& e) { return FileErrorIn(e, Language::English); }

namespace {

struct SystemErrorWords {
  int error;
  Said said;
};
// The reasons an operator meets; others by their number.
const SystemErrorWords kSystemErrors[] = {
    {ENOSPC, Said::DiskFull},
#ifdef EDQUOT  // quotas are Unix's
    {EDQUOT, Said::QuotaExceeded},
#endif
    {EFBIG, Said::FileTooLarge},      {EACCES, Said::PermissionDenied}, {EPERM, Said::PermissionDenied},
    {EROFS, Said::ReadOnlyDisk},      {ENOENT, Said::NoSuchFile},       {ENOTDIR, Said::NotAFolder},
    {EISDIR, Said::IsAFolder},        {EEXIST, Said::FileInTheWay},     {ENAMETOOLONG, Said::NameTooLong},
    {EBUSY, Said::FileHeld},          {EINVAL, Said::InvalidName},      {EIO, Said::InputOutputError},
    {EBADF, Said::NotOpenForWriting}, {EPIPE, Said::ReaderGone},
};

}  // namespace

std::string TextIn(const FileFault& fault, Language language) {
  switch (fault.kind) {
    case FileFault::Kind::None: return {};
    case FileFault::Kind::NotRegular: return Words(Said::FaultNotRegular, language);
    case FileFault::Kind::TooLarge: return Words(Said::FaultTooLarge, language);
    case FileFault::Kind::System: break;
  }
  for (const SystemErrorWords& text : kSystemErrors)
    if (text.error == fault.error) return Words(text.said, language);
  return Words(Said::FaultSystem, language, {{"number", std::to_string(fault.error)}});
}

std::string CzechText(const FileFault& fault) { return TextIn(fault, Language::Czech); }

std::string EnglishText(const FileFault& fault) { return TextIn(fault, Language::English); }
