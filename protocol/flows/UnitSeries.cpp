#include "protocol/flows/UnitSeries.h"

#include "common/Wording.h"
#include "protocol/flows/UnitFlows.h"
#include "protocol/settings/Catalogue.h"

#include <QDateTime>
#include <QDir>

#include <algorithm>

namespace {

bool Holds(const std::vector<std::string>& ids, const std::string& id) {
  return std::find(ids.begin(), ids.end(), id) != ids.end();
}

}  // namespace

UnitSeries::UnitSeries(UnitSettings file) : file_(std::move(file)), wanted_(WithoutInputNames(file_)) {}

UnitSeries::Try UnitSeries::Next(ConsoleUnit& unit, const std::atomic<bool>* interrupted,
                                 const std::string& program) {
  Try attempt;
  // A miss is the usual state between two units: nobody is told.
  unit.onFailure = nullptr;
  unit.onOutOfStep = nullptr;
  unit.Exchange().SetInterruption(nullptr);
  if (unit.State().portOpen) IdentifyUnit(unit);
  if (!unit.State().unitPresent) {
    lastTried_.clear();
    lastNamed_.clear();
    return attempt;
  }
  attempt.unit = unit.LastIdentity();
  const std::string& id = attempt.unit.id;
  const bool doneBefore = done_.count(id) > 0;
  const auto leftAlone = [&] {
    attempt.kind = Try::Kind::LeftAlone;
    attempt.failedHere = id == lastTried_ && Holds(tally_.failed, id);
    attempt.firstSeen = lastNamed_ != id;
    lastNamed_ = id;
    return attempt;
  };
  // Still attached since its try, or seen to hold the file already.
  if (id == lastTried_ || (doneBefore && id == lastNamed_)) return leftAlone();
  if (doneBefore) {
    // An identifier done before: done only when the unit holds the file's settings (units that
    // leave the factory with one identifier are not all the first).
    const auto held = ReadAsHeld(unit);
    if (!held) return attempt;  // asked again at the next try
    if (Changes(wanted_, held->held).empty()) {
      // Came back done: left alone, and named so at the end.
      if (!Holds(tally_.leftAlone, id)) tally_.leftAlone.push_back(id);
      return leftAlone();
    }
    attempt.repeatsId = true;
  }
  lastTried_ = id;
  attempt.kind = Try::Kind::Written;
  attempt.when = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")).toStdString();
  unit.Exchange().SetInterruption(interrupted);
  attempt.report = WriteAndVerify(unit, WriteRequest{wanted_, &unit.Backups(), interrupted, nullptr, false});
  const WriteReport& report = attempt.report;
  using Outcome = WriteReport::Outcome;
  attempt.interrupted = report.outcome == Outcome::Interrupted || report.outcome == Outcome::NotStarted ||
                        report.outcome == Outcome::NotChecked;
  // The record's own reading, after the write: what the unit holds as it leaves the bench.
  unit.Exchange().SetInterruption(nullptr);
  const auto read = ReadAsHeld(unit);
  attempt.write =
      RecordOfWrite(report, read ? std::optional(read->held) : std::nullopt, wanted_, attempt.when);
  if (read) {
    attempt.record = NewRecord(attempt.unit, read->held, program);
    for (const auto& [name, value] : file_.Values())
      if (FindSetting(name)->kind == SettingKind::InputName) attempt.record->held.Set(name, value);
    attempt.record->write = attempt.write;
    for (const auto& [name, text] : fields_) SetRecordField(*attempt.record, name, text);
  }
  const bool verified = attempt.write.result == RecordedWrite::Result::Verified;
  const int written = ++written_[id];
  attempt.recordName = UnitFileName(
      id, (written > 1 ? "-" + std::to_string(written) : std::string()) + (verified ? ".pdf" : "-chyba.pdf"));
  std::erase(tally_.failed, id);
  if (verified) {
    done_.insert(id);
    tally_.verified.push_back(id);
  } else {
    tally_.failed.push_back(id);
  }
  return attempt;
}

std::string SeriesResultText(const UnitSeries::Try& done) {
  if (done.write.result == RecordedWrite::Result::Verified)
    return Words(Said::SeriesVerified, kRecordLanguage);
  // The list names the backup; the record has a row of its own for it.
  std::string why = done.write.detail;
  if (!done.write.backupPath.empty())
    why += Words(
        Said::SettingsBeforeIn, kRecordLanguage,
        {{"path", QDir::toNativeSeparators(QString::fromStdString(done.write.backupPath)).toStdString()}});
  return Words(Said::SeriesFailed, kRecordLanguage, {{"why", why}});
}

std::string SeriesEndText(const UnitSeries::Tally& units, Language language) {
  const auto named = [](const std::vector<std::string>& ids) {
    std::string text = std::to_string(ids.size());
    for (std::size_t n = 0; n < ids.size(); ++n) text += (n == 0 ? " (" : ", ") + ids[n];
    return ids.empty() ? text : text + ")";
  };
  return Words(Said::SeriesEnded, language,
               {{"verified", named(units.verified)},
                {"failed", named(units.failed)},
                {"leftAlone", named(units.leftAlone)}});
}
