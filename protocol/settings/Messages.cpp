#include "protocol/settings/Messages.h"

#include "common/Language.h"

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

// Each kind of file error in both languages, after its line ("Řádek 3: ", "line 3: ").
const Twin kFileErrorAt{"Řádek {line}: ", "line {line}: "};
Twin FileErrorText(SettingsFileError::Kind kind) {
  using Kind = SettingsFileError::Kind;
  switch (kind) {
    case Kind::NotText: return {"text není v kódování UTF-8.", "not UTF-8 text"};
    case Kind::Malformed: return {"očekáváno „název = hodnota“.", "expected \"name = value\""};
    case Kind::Unknown: return {"neznámé nastavení „{name}“.", "unknown setting \"{name}\""};
    case Kind::Duplicate:
      return {"nastavení „{name}“ je v souboru podruhé.", "setting \"{name}\" appears a second time"};
    case Kind::BadValue:
      return {"hodnota „{value}“ nepatří k nastavení „{name}“.",
              R"(value "{value}" is not allowed for "{name}")"};
    case Kind::NoSettings: return {"Soubor neobsahuje žádné nastavení.", "the file holds no settings"};
  }
  return {"", ""};
}

std::string FileErrorIn(const SettingsFileError& e, Language language) {
  const std::string at = e.kind == SettingsFileError::Kind::NoSettings
                             ? std::string()
                             : Filled(kFileErrorAt.In(language), {{"line", std::to_string(e.line)}});
  return at + Filled(FileErrorText(e.kind).In(language),
                     {{"name", ShownText(e.name)}, {"value", ShownText(e.value)}});
}

}  // namespace

std::string CzechText(const SettingsFileError& e) { return FileErrorIn(e, Language::Czech); }

std::string EnglishText(const SettingsFileError& e) { return FileErrorIn(e, Language::English); }

namespace {

struct SystemErrorWords {
  int error;
  const char* czech;
  const char* english;
};
// The reasons an operator meets, in both languages; others by their number.
const SystemErrorWords kSystemErrors[] = {
    {ENOSPC, "disk je plný", "no space left on the disk"},
#ifdef EDQUOT  // quotas are Unix's
    {EDQUOT, "disk je plný (kvóta)", "disk quota exceeded"},
#endif
    {EFBIG, "soubor je příliš velký", "file too large"},
    {EACCES, "přístup odepřen", "permission denied"},
    {EPERM, "přístup odepřen", "permission denied"},
    {EROFS, "disk je jen pro čtení", "read-only file system"},
    {ENOENT, "soubor nebo složka neexistuje", "no such file or folder"},
    {ENOTDIR, "cesta vede přes soubor, ne složku", "a part of the path is not a folder"},
    {EISDIR, "je to složka", "is a folder"},
    {EEXIST, "v cestě stojí soubor, kde má být složka", "a file stands where a folder should be"},
    {ENAMETOOLONG, "název je příliš dlouhý", "name too long"},
    {EBUSY, "soubor drží jiný program", "another program holds the file"},
    {EINVAL, "neplatný název souboru nebo složky", "invalid file or folder name"},
    {EIO, "chyba vstupu/výstupu", "input/output error"},
    {EBADF, "soubor není otevřen pro zápis", "not open for writing"},
};

}  // namespace

namespace {

// The fault's text in both languages; nothing for a system error the table does not name.
const SystemErrorWords* FaultText(const FileFault& fault) {
  static const SystemErrorWords kNotRegular{0, "není to obyčejný soubor", "not a regular file"};
  static const SystemErrorWords kTooLarge{0, "soubor je větší, než soubor nastavení může být",
                                          "the file is larger than a settings file can be"};
  switch (fault.kind) {
    case FileFault::Kind::None: return nullptr;
    case FileFault::Kind::NotRegular: return &kNotRegular;
    case FileFault::Kind::TooLarge: return &kTooLarge;
    case FileFault::Kind::System: break;
  }
  for (const SystemErrorWords& text : kSystemErrors)
    if (text.error == fault.error) return &text;
  return nullptr;
}

std::string Numbered(const FileFault& fault, const char* words) {
  return fault ? words + std::to_string(fault.error) : std::string();
}

}  // namespace

std::string CzechText(const FileFault& fault) {
  const SystemErrorWords* text = FaultText(fault);
  return text ? text->czech : Numbered(fault, "systémová chyba ");
}

std::string EnglishText(const FileFault& fault) {
  const SystemErrorWords* text = FaultText(fault);
  return text ? text->english : Numbered(fault, "system error ");
}

std::string TextIn(const FileFault& fault, Language language) {
  return language == Language::Czech ? CzechText(fault) : EnglishText(fault);
}
