#include "common/Wording.h"

#include <cstddef>
#include <iterator>

namespace {

struct Wording {
  Said said;
  Twin words;
};

// In the order of Said, checked below.
constexpr Wording kWordings[] = {
    {Said::NoPortOpen, {"Není otevřen žádný port", "No port is open"}},
    {Said::NotVorka, {"Jednotka nekomunikuje nebo není VORKA", "The unit does not answer or is not a VORKA"}},
    {Said::NotSaved, {"Neuloženo", "Not saved"}},
    {Said::NotSavedBecause, {"Neuloženo: {why}", "Not saved: {why}"}},
    {Said::Saved, {"Uložení proběhlo v pořádku", "Saved"}},
    {Said::OutOfStep,
     {"Jednotka odpovídá mimo pořadí – rušení na vedení?",
      "The unit answers out of step – noise on the line?"}},
    {Said::WriteStopped, {"Zápis byl zastaven.", "The write was stopped."}},
    {Said::UnitHoldsWindowsValues,
     {"Nové čtení ukázalo, že jednotka drží hodnoty okna.",
      "A new read showed the unit holding the window's values."}},
    {Said::UnitHoldsOtherValues,
     {"Jednotka drží jiné hodnoty než okno: {settings}.",
      "The unit holds other values than the window: {settings}."}},
    {Said::BackupBefore,
     {"Předchozí nastavení jednotky je v záloze: {path}",
      "The unit's settings before are in the backup: {path}"}},
    {Said::TooLongForLine,
     {"hodnota „{setting}“ se nevejde do jednoho řádku k jednotce",
      "the value of \"{setting}\" does not fit one line to the unit"}},
    {Said::NotInParts,
     {"„{setting}“ nelze zapsat po částech: jednotka v něm drží nečitelnou hodnotu. Zvolte všechna jeho "
      "nastavení.",
      "\"{setting}\" cannot be written in parts: the unit holds an unreadable value in it. Choose all of its "
      "settings."}},
    {Said::NothingChosen, {"k zápisu nebylo nic zvoleno", "nothing was chosen to write"}},
    {Said::SaveWithoutBackup,
     {"Zálohu nastavení jednotky nelze uložit: {reason}. Uložit do jednotky bez zálohy?",
      "The unit's settings cannot be backed up: {reason}. Save into the unit without a backup?"}},
    {Said::UnitRefusedSave, {"jednotka odmítla {settings}", "the unit refused {settings}"}},
    {Said::UnitDidNotKeep,
     {"jednotka zápis potvrdila, ale drží jiné hodnoty: {settings}",
      "the unit acknowledged the writes but holds other values: {settings}"}},
    {Said::HeldInUnit, {"„{setting}“ (v jednotce {value})", "\"{setting}\" (the unit holds {value})"}},
    {Said::SaveNotVerified,
     {"Uložení nelze ověřit: jednotka po zápisu neodpověděla celé čtení.",
      "The save cannot be verified: the unit did not answer the whole read after the writes."}},
    {Said::MustBeBit, {"„{setting}“ musí být 0 nebo 1", "\"{setting}\" must be 0 or 1"}},
    {Said::NameNotAllowed,
     {"„{setting}“ smí mít nejvýše 255 bajtů a nesmí obsahovat řídicí znaky",
      "\"{setting}\" may have at most 255 bytes and no control characters"}},
    {Said::NoValidValue, {"„{setting}“ nemá platnou hodnotu", "\"{setting}\" has no valid value"}},
    {Said::NoItemChosen, {"„{setting}“ nemá vybranou položku", "\"{setting}\" has no item chosen"}},

    {Said::RepliesOutOfStep,
     {"odpovědi jednotky mimo pořadí (rušení na vedení?)",
      "the unit's replies are out of step with the commands (noise on the line?)"}},
    {Said::SettingsBeforeIn, {"; předchozí nastavení je v {path}", "; its settings before are in {path}"}},
    {Said::BackupKept, {"; záloha: {path}", "; backup: {path}"}},
    {Said::WriteVerified,
     {"zapsáno a ověřeno, registrů: {registers}{left}{backup}",
      "written and verified: {registers}{left}{backup}"}},
    {Said::LeftAsHeld,
     {"; ponecháno, jak je jednotka drží, jak soubor žádá: {settings}",
      "; left as the unit holds them, as the file asks: {settings}"}},
    {Said::WriteDryRun, {"nic nezapsáno", "nothing was sent"}},
    {Said::WriteNoMpgFirmware,
     {"soubor má nastavení MPG a jednotka nemá MPG firmware; nic nezapsáno",
      "the file holds MPG settings and the unit has no MPG firmware; nothing was sent"}},
    {Said::WriteReadFailed,
     {"jednotka neodpověděla čtení před zápisem; nic nezapsáno", "the unit did not answer"}},
    {Said::WriteReadOutOfStep,
     {"{outOfStep} při čtení před zápisem; nic nezapsáno", "{outOfStep}; nothing was sent"}},
    {Said::WriteTooLong,
     {"hodnota {settings} je příliš dlouhá na jeden řádek do jednotky (nejvýše {max} znaků i s příkazem); "
      "nic nezapsáno",
      "the value of {settings} is too long for one line to the unit ({max} characters with its command); "
      "nothing was sent"}},
    {Said::WriteBackupFailed,
     {"zálohu jednotky nelze uložit: {reason}; nic nezapsáno",
      "cannot keep a backup of the unit: {reason}; nothing was sent"}},
    {Said::WriteNotStarted,
     {"přerušeno před prvním zápisem; nic nezapsáno{backup}",
      "interrupted before the first write; nothing was sent{backup}"}},
    {Said::WriteInterrupted,
     {"přerušeno po {answered} z {count} zápisů; jednotka může držet část souboru{backup}",
      "interrupted after {answered} of {count} writes; the unit may now hold part of the file{backup}"}},
    {Said::WriteUnitStopped,
     {"jednotka přestala odpovídat, když potvrdila {acknowledged} z {count} zápisů; může držet část "
      "souboru{backup}",
      "the unit stopped answering after acknowledging {acknowledged} of {count} writes; it may now hold part "
      "of "
      "the file{backup}"}},
    {Said::WriteRefused, {"jednotka odmítla: {settings}{backup}", "the unit refused: {settings}{backup}"}},
    {Said::WriteReadBackFailed,
     {"jednotka neodpověděla čtení po zápisu; neověřeno", "the unit did not answer the read-back"}},
    {Said::WriteReadBackOutOfStep,
     {"{outOfStep} při čtení po zápisu, které nelze ověřit; jednotka může držet část souboru{backup}",
      "{outOfStep} in the read after the writes, which cannot be checked; the unit may now hold part of the "
      "file{backup}"}},
    {Said::WriteNotVerified,
     {"neověřeno, jednotka drží jiné hodnoty pro: {settings}{backup}",
      "not verified, the unit holds other values for: {settings}{backup}"}},
    {Said::WriteNotWritten,
     {"zapsáno a ověřeno, registrů: {registers}; nezapsáno, hodnotu jednotky nelze přečíst: "
      "{settings}{backup}",
      "written and verified: {registers}; not written, as the unit's value cannot be read: "
      "{settings}{backup}"}},
    {Said::WriteNotChecked,
     {"přerušeno při čtení po zápisu: všech {count} zápisů potvrzeno, žádný neověřen{backup}",
      "interrupted in the read after the writes: all {count} writes were acknowledged, none "
      "verified{backup}"}},
    {Said::WriteOutOfStep,
     {"{outOfStep}: zápis zastaven u zápisu {next} z {count} a jednotka přečtena znovu; {held}{backup}",
      "{outOfStep}: the write stopped at write {next} of {count} and the unit was read again; "
      "{held}{backup}"}},
    {Said::HoldsFileSettings, {"drží nastavení souboru", "it holds the file's settings"}},
    {Said::HoldsOtherValuesFor,
     {"drží jiné hodnoty pro: {settings}", "it holds other values for: {settings}"}},
    {Said::VerifiedUnread,
     {"ověřeno, ale jednotka neodpověděla čtení protokolu",
      "verified, but the unit did not answer the record's read"}},

    {Said::RecordTitle, {"Protokol o nastavení jednotky VORKA", "Settings record of the VORKA unit"}},
    {Said::Yes, {"ano", "yes"}},
    {Said::No, {"ne", "no"}},
    {Said::OwnValue,
     {"? ({reply}) – hodnota, kterou program neumí zobrazit; ponechána",
      "? ({reply}) – a value the program cannot show; left as it is"}},
    {Said::UnitPart, {"Jednotka", "Unit"}},
    {Said::Identifier, {"Identifikátor", "Identifier"}},
    {Said::Firmware, {"Firmware", "Firmware"}},
    {Said::MpgFirmware, {"MPG firmware", "MPG firmware"}},
    {Said::ReadAt, {"Přečteno", "Read"}},
    {Said::ReadAtUtc, {"Přečteno (UTC)", "Read (UTC)"}},
    {Said::Program, {"Program", "Program"}},
    {Said::Computer, {"Počítač", "Computer"}},
    {Said::SettingsPart, {"Nastavení – {page}", "Settings – {page}"}},
    {Said::GridPart, {"Vstupy – tabulka", "Inputs – grid"}},
    {Said::GridInput, {"Vstup", "Input"}},
    {Said::GridName, {"Jméno", "Name"}},
    {Said::GridPolarity, {"Polarita", "Polarity"}},
    {Said::GridEnabled, {"Povoleno", "Enabled"}},
    {Said::NoGridWithoutMpg,
     {"Jednotka bez MPG firmwaru vstupy nenastavuje.", "A unit without MPG firmware sets no inputs."}},
    {Said::WritePart, {"Zápis v této relaci", "Writing in this session"}},
    {Said::NothingWritten,
     {"Do jednotky se v této relaci nezapisovalo.", "Nothing was written into the unit in this session."}},
    {Said::Result, {"Výsledek", "Result"}},
    {Said::When, {"Kdy", "When"}},
    {Said::Details, {"Podrobnosti", "Details"}},
    {Said::BackupBeforeWrite, {"Záloha před zápisem", "Backup before the write"}},
    {Said::NoBackupKept, {"nepořízena", "none kept"}},
    {Said::WrittenVerified,
     {"zapsáno a ověřeno čtením jednotky", "written and verified by reading the unit"}},
    {Said::WrittenDiffers,
     {"zapsáno, ale jednotka nyní drží jiné hodnoty", "written, but the unit now holds other values"}},
    {Said::WriteFailed, {"zápis neproběhl celý", "the write did not go through"}},
    {Said::WriteNothingSent, {"nic nezapsáno", "nothing was written"}},
    {Said::UnitHoldsNow, {"jednotka drží {settings}", "the unit holds {settings}"}},
    {Said::HeldWritten, {"{setting} {held} (zapsáno {written})", "{setting} {held} (written {written})"}},
    {Said::WiringPart, {"Kontrola zapojení", "Wiring check"}},
    {Said::WiringNotRun, {"Neprovedena.", "Not run."}},
    {Said::WiringRun, {"Provedena", "Run"}},
    {Said::SignaturePart, {"Podpis", "Signature"}},
    {Said::SignatureBy, {"Nastavil", "Set by"}},
    {Said::SignatureSigned, {"Podpis", "Signature"}},
    {Said::SignatureDate, {"Datum", "Date"}},
    {Said::FieldsPart, {"Stroj a zákazník", "Machine and customer"}},
    {Said::FieldCustomer, {"Zákazník", "Customer"}},
    {Said::FieldMachine, {"Stroj", "Machine"}},
    {Said::FieldMachineSerial, {"Výrobní číslo stroje", "Machine serial number"}},
    {Said::FieldTechnician, {"Technik", "Technician"}},
    {Said::FieldNote, {"Poznámka", "Note"}},
    {Said::RecordFooter,
     {"VORKA {id} · {date} · Strana {page} z {pages}", "VORKA {id} · {date} · Page {page} of {pages}"}},

    {Said::SeriesVerified, {"zapsáno a ověřeno", "written and verified"}},
    {Said::SeriesFailed, {"chyba: {why}", "error: {why}"}},
    {Said::SeriesEnded,
     {"Série ukončena. Zapsáno a ověřeno: {verified}; chyba: {failed}; ponecháno, hotové už dříve: "
      "{leftAlone}",
      "the series ended: written and verified: {verified}; failed: {failed}; left alone, done already: "
      "{leftAlone}"}},

    {Said::RecordingTitle, {"Záznam vstupů jednotky VORKA", "Inputs of the VORKA unit recorded"}},
    {Said::RecordingUnit, {"Jednotka: {id}, {version}", "Unit: {id}, {version}"}},
    {Said::RecordingStart, {"Začátek: {time}", "Start: {time}"}},
    {Said::RecordingProgram, {"Program: {program}", "Program: {program}"}},
    {Said::RecordingInputs, {"Vstupy:", "Inputs:"}},
    {Said::RecordingPeriod, {"Snímáno po {period} ms", "Sampled every {period} ms"}},
    {Said::RecordingPeriodFrom,
     {"Od {ms} ms snímáno po {period} ms", "From {ms} ms sampled every {period} ms"}},
    {Said::RecordingPause, {"Bez čtení od {ms} ms", "Not read from {ms} ms"}},
    {Said::RecordingFaster,
     {"Vstup {input} se mění rychleji, než je snímán (po {period} ms), od {ms} ms: jeho počty jsou dolní mez",
      "Input {input} changes faster than it is sampled (every {period} ms), from {ms} ms: its counts are a "
      "lower bound"}},
    {Said::RecordingLost, {"Spojení s jednotkou ztraceno v {ms} ms", "The unit was lost at {ms} ms"}},
    {Said::RecordingEnds,
     {"Záznam končí v {ms} ms: jednotka neodpovídá",
      "The recording ends at {ms} ms: the unit does not answer"}},
    {Said::RecordingSummarised,
     {"Do {ms} ms je uchován jen souhrn, ne jednotlivé změny; změn do té doby: {counts}",
      "Up to {ms} ms only a summary is kept, not each change; changes until then: {counts}"}},

    {Said::BadNumber, {"Špatné číslo: {number}", "not a number: {number}"}},

    {Said::FileErrorAt, {"Řádek {line}: ", "line {line}: "}},
    {Said::FileNotText, {"text není v kódování UTF-8.", "not UTF-8 text"}},
    {Said::FileMalformed, {"očekáváno „název = hodnota“.", "expected \"name = value\""}},
    {Said::FileUnknown, {"neznámé nastavení „{name}“.", "unknown setting \"{name}\""}},
    {Said::FileDuplicate,
     {"nastavení „{name}“ je v souboru podruhé.", "setting \"{name}\" appears a second time"}},
    {Said::FileBadValue,
     {"hodnota „{value}“ nepatří k nastavení „{name}“.", R"(value "{value}" is not allowed for "{name}")"}},
    {Said::FileNoSettings, {"Soubor neobsahuje žádné nastavení.", "the file holds no settings"}},
    {Said::FaultNotRegular, {"není to obyčejný soubor", "not a regular file"}},
    {Said::FaultTooLarge,
     {"soubor je větší, než soubor nastavení může být", "the file is larger than a settings file can be"}},
    {Said::FaultSystem, {"systémová chyba {number}", "system error {number}"}},
    {Said::DiskFull, {"disk je plný", "no space left on the disk"}},
    {Said::QuotaExceeded, {"disk je plný (kvóta)", "disk quota exceeded"}},
    {Said::FileTooLarge, {"soubor je příliš velký", "file too large"}},
    {Said::PermissionDenied, {"přístup odepřen", "permission denied"}},
    {Said::ReadOnlyDisk, {"disk je jen pro čtení", "read-only file system"}},
    {Said::NoSuchFile, {"soubor nebo složka neexistuje", "no such file or folder"}},
    {Said::NotAFolder, {"cesta vede přes soubor, ne složku", "a part of the path is not a folder"}},
    {Said::IsAFolder, {"je to složka", "is a folder"}},
    {Said::FileInTheWay,
     {"v cestě stojí soubor, kde má být složka", "a file stands where a folder should be"}},
    {Said::NameTooLong, {"název je příliš dlouhý", "name too long"}},
    {Said::FileHeld, {"soubor drží jiný program", "another program holds the file"}},
    {Said::InvalidName, {"neplatný název souboru nebo složky", "invalid file or folder name"}},
    {Said::InputOutputError, {"chyba vstupu/výstupu", "input/output error"}},
    {Said::NotOpenForWriting, {"soubor není otevřen pro zápis", "not open for writing"}},
    {Said::ReaderGone, {"kdo četl, skončil (přerušená roura)", "its reader went away (broken pipe)"}},

    {Said::PortNoDevice,
     {"Port {port} nelze otevřít: takové zařízení není (převodník není připojen?).",
      "cannot open {port}: no such device"}},
    {Said::UsbNotAttached,
     {"Převodník FTDI \"{port}\" není připojen.", "the FTDI device \"{port}\" is not attached"}},
    {Said::PortGroupMayOpen,
     {"Port {port} nelze otevřít: přístup odepřen.\n"
      "Přidejte se do skupiny {group} příkazem\n    sudo usermod -aG {group} $USER\na přihlaste se znovu.",
      "cannot open {port}: permission denied; "
      "join the group with `sudo usermod -aG {group} $USER`, then log in again"}},
    {Said::UsbGroupMayOpen,
     {"Přístup k převodníku FTDI odepřen: je třeba pravidlo udev 99-vorka-ftdi.rules (instaluje ho balíček) "
      "a členství ve skupině {group}:\n    sudo usermod -aG {group} $USER\npak se přihlaste znovu.",
      "permission denied: install the udev rule 99-vorka-ftdi.rules (the package does) "
      "and join the group with `sudo usermod -aG {group} $USER`, then log in again"}},
    {Said::PortOwnerOnly,
     {"Port {port} nelze otevřít: přístup odepřen.\nOtevřít ho smí jen jeho vlastník ({owner}).",
      "cannot open {port}: permission denied; only its owner ({owner}) may open it"}},
// Who holds a port, as each system has it.
#ifdef _WIN32
    {Said::PortInUse,
     {"Port {port} nelze otevřít: používá ho jiný program (terminál, program výrobce převodníku).",
      "cannot open {port}: another program is using it"}},
#else
    {Said::PortInUse,
     {"Port {port} nelze otevřít: používá ho jiný program (terminál, ModemManager).",
      "cannot open {port}: another program is using it"}},
#endif
    {Said::UsbInUse, {"Převodník FTDI používá jiný program.", "another program is using the FTDI device"}},
    {Said::PortNoLibrary,
     {"Port {port} nelze otevřít: chybí knihovna ovladače.",
      "cannot open {port}: a driver library is missing"}},
    {Said::UsbNoLibrary,
     {"Ovladač FTDI (ftd2xx.dll) není nainstalován, převodník USB nelze použít.\n"
      "Sériové porty COM fungují i bez něj; ovladač D2XX nabízí výrobce převodníku (FTDI).",
      "the FTDI driver (ftd2xx.dll) is not installed, so no USB converter can be used; "
      "the COM ports work without it"}},
    {Said::PortOther, {"Port {port} nelze otevřít: {detail}", "cannot open {port}: {detail}"}},
    {Said::UsbOther, {"Převodník FTDI nelze otevřít: {detail}", "the FTDI device did not open: {detail}"}},
    {Said::ReasonNoDevice, {"takové zařízení není", "no such device"}},
    {Said::ReasonOwnerOnly,
     {"přístup odepřen (jen vlastník {owner})", "permission denied (only its owner {owner})"}},
    {Said::ReasonGroup, {"přístup odepřen (skupina {group})", "permission denied (group {group})"}},
    {Said::ReasonInUse, {"používá ho jiný program", "another program is using it"}},
    {Said::ReasonNoLibrary,
     {"ovladač FTDI (ftd2xx.dll) není nainstalován", "the FTDI driver (ftd2xx.dll) is not installed"}},
};

constexpr bool InOrder() {
  for (std::size_t i = 0; i < std::size(kWordings); ++i)
    if (static_cast<std::size_t>(kWordings[i].said) != i) return false;
  return static_cast<std::size_t>(kLastSaid) + 1 == std::size(kWordings);
}
static_assert(InOrder(), "an entry is missing or out of place: keep the catalogue in the order of Said");

}  // namespace

std::string Words(Said said, Language language, Fills values) {
  return Filled(kWordings[static_cast<std::size_t>(said)].words.In(language), values);
}
