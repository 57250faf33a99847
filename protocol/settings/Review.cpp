#include "protocol/settings/Review.h"

#include "protocol/settings/Acceptance.h"

#include <QCoreApplication>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <initializer_list>

namespace {

// The review's words in the windows' language, their "%1" and "%2" filled in one pass: a value
// that holds a "%2" itself stays as it is.
std::string Tr(const char* text, std::initializer_list<std::string> values = {}) {
  const QString words = QCoreApplication::translate("Review", text);
  QStringList filled;
  for (const std::string& value : values) filled << QString::fromStdString(value);
  if (filled.size() == 1) return words.arg(filled[0]).toStdString();
  if (filled.size() == 2) return words.arg(filled[0], filled[1]).toStdString();
  return words.toStdString();
}

// The longest reason, named so that its translation call and its text stand on one line.
// clang-format off
constexpr const char* kUnitValueNotShown = QT_TRANSLATE_NOOP("Review", "okno hodnotu jednotky neumí ukázat: jednotka drží %1, okno zapíše %2");
// clang-format on

}  // namespace

std::vector<const SettingDef*> SettingSources::Changed(const UnitSettings& shown) {
  std::vector<const SettingDef*> changed;
  for (const auto& [name, value] : shown.Values()) {
    const SettingDef* def = FindSetting(name);
    const std::optional<std::string> before = lastShown_.Get(name);
    if (def && (!before || *before != value)) changed.push_back(def);
  }
  lastShown_ = shown;
  return changed;
}

void SettingSources::Edits(const UnitSettings& shown) {
  for (const SettingDef* def : Changed(shown)) choices_[def->name] = {ValueSource::Edited, {}};
}

void SettingSources::Consequences(const UnitSettings& shown) {
  for (const SettingDef* def : Changed(shown)) {
    Choice& choice = choices_[def->name];
    // What followed another value is no longer the unit's value, nor the window's reading of it.
    if (choice.source == ValueSource::Read || choice.source == ValueSource::Corrected) choice = {};
  }
}

void SettingSources::Loaded(const UnitSettings& shown, const UnitSettings& filled, const std::string& from,
                            const UnitSettings& cleared, const std::string& why) {
  Consequences(shown);
  for (const auto& [name, value] : filled.Values())
    if (shown.Get(name)) choices_[name] = {ValueSource::Loaded, from};
  for (const auto& [name, value] : cleared.Values())
    if (shown.Get(name)) choices_[name] = {ValueSource::Cleared, why};
}

void SettingSources::UnitHolds(const UnitSettings& shown, const UnitSettings& held, bool readIntoWindow) {
  Consequences(shown);
  for (const auto& [name, value] : held.Values()) {
    lastRead_.Set(name, value);
    const SettingDef* def = FindSetting(name);
    const std::optional<std::string> now = shown.Get(name);
    if (now && SameSettingValue(*def, *now, value))
      choices_[name] = {ValueSource::Read, {}};
    else if (readIntoWindow)
      choices_[name] = {ValueSource::Corrected, {}};
  }
}

ValueSource SettingSources::SourceOf(const std::string& name) const {
  const auto it = choices_.find(name);
  return it == choices_.end() ? ValueSource::Nobody : it->second.source;
}

std::string SettingSources::LoadedFrom(const std::string& name) const {
  const auto it = choices_.find(name);
  return it == choices_.end() ? std::string() : it->second.from;
}

SaveReview ReviewSave(const UnitSettings& window, const SettingSources& sources, const UnitSettings& held) {
  SaveReview review;
  for (const SettingDifference& change : Changes(window, held)) {
    const std::string& name = change.def->name;
    ReviewRow row{change.def, change.left.value_or("—"), *change.right, ReviewReason::NobodyChose, {}, false};
    const std::optional<std::string> lastRead = sources.LastRead().Get(name);
    if (lastRead && change.left && !SameSettingValue(*change.def, *lastRead, *change.left)) {
      row.reason = ReviewReason::ChangedInUnit;
      row.detail = *lastRead;
    } else if (sources.SourceOf(name) == ValueSource::Edited) {
      row.reason = ReviewReason::Edited;
      row.chosen = true;
    } else if (sources.SourceOf(name) == ValueSource::Loaded) {
      row.reason = ReviewReason::Loaded;
      row.detail = sources.LoadedFrom(name);
      row.chosen = true;
    } else if (sources.SourceOf(name) == ValueSource::Corrected) {
      row.reason = ReviewReason::Corrected;
    } else if (sources.SourceOf(name) == ValueSource::Cleared) {
      row.reason = ReviewReason::Cleared;
      row.detail = sources.LoadedFrom(name);
    }
    review.needed = review.needed || !row.chosen;
    review.rows.push_back(std::move(row));
  }
  return review;
}

UnitSettings ChosenWrites(const UnitSettings& window, const std::vector<ReviewRow>& rows) {
  UnitSettings chosen;
  for (const auto& setting : window.Values()) {
    const auto row = std::find_if(rows.begin(), rows.end(),
                                  [&](const ReviewRow& r) { return r.def->name == setting.first; });
    if (row == rows.end() || row->chosen) chosen.Set(setting.first, setting.second);
  }
  return chosen;
}

std::string ReasonText(const ReviewRow& row) {
  switch (row.reason) {
    case ReviewReason::ChangedInUnit:
      return Tr(QT_TRANSLATE_NOOP("Review", "v jednotce změněno od načtení (bylo %1)"), {row.detail});
    case ReviewReason::NobodyChose:
      return Tr(QT_TRANSLATE_NOOP("Review", "nikdo nezvolil (nenačteno ani neupraveno)"));
    case ReviewReason::Corrected: {
      std::string unitValue = row.held;
      if (const std::optional<std::string> reply = UnknownReply(row.held)) {
        // A form the window reads but shows its own way ("200*16/5") is named as the unit holds it.
        const std::string raw = reply->starts_with("0,") ? reply->substr(2) : *reply;
        if (!AcceptedValue(*row.def, raw)) return Tr(kUnitValueNotShown, {row.held, row.wanted});
        unitValue = raw;
      }
      return Tr(QT_TRANSLATE_NOOP("Review", "okno po načtení opravilo: jednotka drží %1, okno zapíše %2"),
                {unitValue, row.wanted});
    }
    case ReviewReason::Edited: return Tr(QT_TRANSLATE_NOOP("Review", "upraveno v okně"));
    case ReviewReason::Loaded: return Tr(QT_TRANSLATE_NOOP("Review", "načteno: %1"), {row.detail});
    case ReviewReason::Cleared: return row.detail;
  }
  return {};
}

std::string ChosenCountText(const std::vector<ReviewRow>& rows) {
  const auto chosen =
      std::count_if(rows.begin(), rows.end(), [](const ReviewRow& row) { return row.chosen; });
  // Czech: "z 1 změny", "z 2 změn", "z 14 změn".
  return rows.size() == 1
             ? Tr(QT_TRANSLATE_NOOP("Review", "Zapíše se %1 z %2 změny"), {std::to_string(chosen), "1"})
             : Tr(QT_TRANSLATE_NOOP("Review", "Zapíše se %1 z %2 změn"),
                  {std::to_string(chosen), std::to_string(rows.size())});
}
