#include "protocol/flows/UnitSeries.h"

#include "common/Wording.h"
#include "protocol/flows/UnitFlows.h"
#include "protocol/settings/Catalogue.h"

#include <QDateTime>

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
    attempt.failedHere = id == lastTried_ && failed_.count(id) > 0;
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
    UnitSettings holds;
    for (const auto& [name, value] : wanted_.Values())
      if (const auto v = held->held.Get(name)) holds.Set(name, *v);
    if (Differences(wanted_, holds).empty()) return leftAlone();
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
  if (verified) {
    done_.insert(id);
    failed_.erase(id);
    ++verified_;
  } else {
    failed_.insert(id);
  }
  return attempt;
}

std::string SeriesResultText(const UnitSeries::Try& done) {
  return done.write.result == RecordedWrite::Result::Verified
             ? Words(Said::SeriesVerified, kRecordLanguage)
             : Words(Said::SeriesFailed, kRecordLanguage, {{"why", done.write.detail}});
}
