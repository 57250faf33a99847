#pragma once
#include "common/Language.h"

#include <string>

// What the program tells its operator about the unit, in one catalogue: the flows report an outcome
// by its name here, and the window, vorkactl and the records word it in their language. Each entry
// keeps its words in every language side by side; another language is another column.
//
// A "{name}" in a text is filled by whoever words it; an entry names what it expects.
enum class Said {
  // The boxes of the flows.
  NoPortOpen,
  NotVorka,
  NotSaved,
  NotSavedBecause,  // {why}
  Saved,
  OutOfStep,
  WriteStopped,
  UnitHoldsWindowsValues,
  UnitHoldsOtherValues,  // {settings}
  BackupBefore,          // {path}
  TooLongForLine,        // {setting}
  NotInParts,            // {setting}
  NothingChosen,
  SaveWithoutBackup,  // {reason}
  UnitRefusedSave,    // {settings}
  UnitDidNotKeep,     // {settings}: HeldInUnit, one after another
  HeldInUnit,         // {setting} {value}
  SaveNotVerified,
  MustBeBit,       // {setting}
  NameNotAllowed,  // {setting}
  NoValidValue,    // {setting}
  NoItemChosen,    // {setting}
  // A write of settings and its outcome; {outOfStep} is RepliesOutOfStep, {backup} SettingsBeforeIn
  // or nothing, {settings} the settings the outcome names, {count} the writes planned.
  RepliesOutOfStep,
  SettingsBeforeIn,  // {path}
  BackupKept,        // {path}
  WriteVerified,     // {registers} {left} {backup}
  LeftAsHeld,        // {settings}
  WriteDryRun,
  WriteNoMpgFirmware,
  WriteReadFailed,
  WriteReadOutOfStep,
  WriteTooLong,       // {settings} {max}
  WriteBackupFailed,  // {reason}
  WriteNotStarted,
  WriteInterrupted,  // {answered}
  WriteUnitStopped,  // {acknowledged}
  WriteRefused,
  WriteReadBackFailed,
  WriteReadBackOutOfStep,
  WriteNotVerified,
  WriteNotWritten,  // {registers}
  WriteNotChecked,
  WriteOutOfStep,  // {next} {held}
  HoldsFileSettings,
  HoldsOtherValuesFor,  // {settings}
  VerifiedUnread,
  // The record of a unit.
  RecordTitle,
  Yes,
  No,
  OwnValue,  // {reply}
  UnitPart,
  Identifier,
  Firmware,
  MpgFirmware,
  ReadAt,
  ReadAtUtc,
  Program,
  Computer,
  SettingsPart,  // {page}
  GridPart,
  GridInput,
  GridName,
  GridPolarity,
  GridEnabled,
  NoGridWithoutMpg,
  WritePart,
  NothingWritten,
  Result,
  When,
  Details,
  BackupBeforeWrite,
  NoBackupKept,
  WrittenVerified,
  WrittenDiffers,
  WriteFailed,
  WriteNothingSent,
  UnitHoldsNow,  // {settings}
  HeldWritten,   // {setting} {held} {written}
  WiringPart,
  WiringNotRun,
  WiringRun,
  SignaturePart,
  SignatureBy,
  SignatureSigned,
  SignatureDate,
  // The fields a technician fills in a record.
  FieldsPart,
  FieldCustomer,
  FieldMachine,
  FieldMachineSerial,
  FieldTechnician,
  FieldNote,
  // Each page's foot.
  RecordFooter,  // {id} {date} {page} {pages}
  // A unit of a series.
  SeriesVerified,
  SeriesFailed,  // {why}
  SeriesEnded,   // {verified} {failed} {leftAlone}
  // The comments of an input recording (CSV).
  RecordingTitle,
  RecordingUnit,     // {id} {version}
  RecordingStart,    // {time}
  RecordingProgram,  // {program}
  RecordingInputs,
  RecordingPeriod,      // {period}
  RecordingPeriodFrom,  // {ms} {period}
  RecordingPause,       // {ms}
  RecordingFaster,      // {ms} {input} {period}
  RecordingLost,        // {ms}
  RecordingEnds,        // {ms}
  RecordingSummarised,  // {ms} {counts}
  // A number the operator typed.
  BadNumber,  // {number}
  // A settings file that cannot be taken, and why a file cannot be read or written.
  FileErrorAt,  // {line}
  FileNotText,
  FileMalformed,
  FileUnknown,    // {name}
  FileDuplicate,  // {name}
  FileBadValue,   // {name} {value}
  FileNoSettings,
  FaultNotRegular,
  FaultTooLarge,
  FaultSystem,  // {number}
  DiskFull,
  QuotaExceeded,
  FileTooLarge,
  PermissionDenied,
  ReadOnlyDisk,
  NoSuchFile,
  NotAFolder,
  IsAFolder,
  FileInTheWay,
  NameTooLong,
  FileHeld,
  InvalidName,
  InputOutputError,
  NotOpenForWriting,
  ReaderGone,
  // A port or converter that did not open; {port}, and {group}, {owner} or {detail} where named.
  PortNoDevice,
  UsbNotAttached,
  PortGroupMayOpen,
  UsbGroupMayOpen,
  PortOwnerOnly,
  PortInUse,
  UsbInUse,
  PortNoLibrary,
  UsbNoLibrary,
  PortOther,
  UsbOther,
  // The same, as a port list's column says it.
  ReasonNoDevice,
  ReasonOwnerOnly,  // {owner}
  ReasonGroup,      // {group}
  ReasonInUse,
  ReasonNoLibrary,
};

// The last entry, for walking them all.
inline constexpr Said kLastSaid = Said::ReasonNoLibrary;

std::string Words(Said said, Language language, Fills values = {});
