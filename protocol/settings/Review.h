#pragma once
#include "protocol/settings/UnitSettings.h"

#include <map>
#include <optional>
#include <string>
#include <vector>

// Who chose the value a setting shows, and what the unit held when it was last read: what a save
// must ask about before it writes.

enum class ValueSource {
  Nobody,     // the form's own value, or one the program put in place of the unit's
  Read,       // as the unit held it at the last read
  Corrected,  // read, and shown otherwise: the window corrected the unit's value or cannot show it
  Edited,     // the operator changed it
  Loaded,     // factory defaults, a settings file, a backup, the TORVEL import
  Cleared,    // emptied by a load that does not name it (an input the TORVEL file lacks)
};

class SettingSources {
 public:
  // What the window shows now (its unit settings); the changes since it was last shown are:
  // the operator's edits,
  void Edits(const UnitSettings& shown);
  // or a consequence of what the program did (a value following another one, a correction): it
  // stays the choice of whoever chose what it follows, and otherwise nobody chose it,
  void Consequences(const UnitSettings& shown);
  // or a load, which chooses every setting it fills, changed or not (`from` says what was loaded);
  // the settings it `cleared` for want of them in what was loaded are its, but not chosen (`why`).
  void Loaded(const UnitSettings& shown, const UnitSettings& filled, const std::string& from,
              const UnitSettings& cleared = {}, const std::string& why = {});
  // The unit holds `held` (the settings of the registers that answered). After a read into the
  // window a shown value equal to the unit's is read and any other one the window corrected; after
  // a save an equal value is read and the others keep whoever chose them.
  void UnitHolds(const UnitSettings& shown, const UnitSettings& held, bool readIntoWindow);

  ValueSource SourceOf(const std::string& name) const;
  // What was loaded, for a Loaded value; why it was cleared, for a Cleared one.
  std::string LoadedFrom(const std::string& name) const;
  // The settings as the unit held them at the last read or save; those never read are absent.
  const UnitSettings& LastRead() const { return lastRead_; }

 private:
  struct Choice {
    ValueSource source = ValueSource::Nobody;
    std::string from;
  };
  // The settings whose value differs from the one last shown; the shown ones are kept.
  std::vector<const SettingDef*> Changed(const UnitSettings& shown);

  UnitSettings lastShown_;
  std::map<std::string, Choice> choices_;
  UnitSettings lastRead_;
};

// Why a save lists a setting it would change.
enum class ReviewReason {
  ChangedInUnit,  // the unit holds something other than the window's last read
  NobodyChose,
  Corrected,  // the window shows the value it read otherwise
  Edited,
  Loaded,
  Cleared,  // a load emptied it, not naming it
};
struct ReviewRow {
  const SettingDef* def;
  std::string held;    // what the unit holds
  std::string wanted;  // what the window would write
  ReviewReason reason;
  std::string detail;  // ChangedInUnit: the value last read; Loaded: what was loaded; Cleared: why
  bool chosen;  // written unless the operator says otherwise: edited or loaded, not changed in the unit
};
struct SaveReview {
  std::vector<ReviewRow> rows;  // every setting the save would change, in the file's order
  // A row nobody chose, or one changed in the unit: the operator must see them before anything
  // is written.
  bool needed = false;
};
// The window's unit settings against what the unit holds now (the save's own read).
SaveReview ReviewSave(const UnitSettings& window, const SettingSources& sources, const UnitSettings& held);
// What a reviewed save writes: the window's settings but those of the rows not chosen, which stay as
// the unit holds them (in a shared register, the unit's bit beside the written ones).
UnitSettings ChosenWrites(const UnitSettings& window, const std::vector<ReviewRow>& rows);
// Why a row is listed, for the operator.
std::string ReasonText(const ReviewRow& row);
// "Zapíše se 10 z 14 změn": how many of the rows will be written.
std::string ChosenCountText(const std::vector<ReviewRow>& rows);
