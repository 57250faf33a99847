#pragma once
#include "protocol/flows/ConsoleUnit.h"
#include "protocol/flows/UnitRecord.h"

#include <atomic>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

// One settings file into one unit after another on one line, as machine builders set up a
// workbench of units: each unit that answers and was not done in this series is backed up,
// written, verified and read once more for its record. The caller opens the line, saves the
// records and lists the units; this says what happened at each try.
class UnitSeries {
 public:
  // The file's settings (its input names go into the records, not into the units).
  explicit UnitSeries(UnitSettings file);
  // Nothing to write: the file holds only input names.
  bool Empty() const { return wanted_.Empty(); }
  // The fields every unit's record carries (the machine, the technician: name, text).
  void SetRecordFields(std::vector<std::pair<std::string, std::string>> fields) {
    fields_ = std::move(fields);
  }

  struct Try {
    enum class Kind {
      NoUnit,     // nothing answered: the next unit is awaited
      LeftAlone,  // done already in this series, or failed and still attached
      Written,    // written (verified or not): the write and the record say how it went
    } kind = Kind::NoUnit;
    Identity unit;
    bool firstSeen = false;   // LeftAlone: the first try that found it so, to name it once
    bool failedHere = false;  // LeftAlone: its try in this series failed; it is not done
    bool repeatsId = false;   // Written: an identifier done before, on a unit that held other values
    std::string recordName;   // Written: its record's file name, by the outcome (VK1.pdf, VK1-chyba.pdf)
    std::string when;         // Written: the local time of the write
    WriteReport report;       // Written: as the write ended
    RecordedWrite write;      // Written: as the record reports it
    // Written: the unit's record from its reading after the write; nothing when it did not answer.
    std::optional<UnitRecord> record;
    bool interrupted = false;  // Written: stopped from outside before the unit was done
  };
  // One try at the unit on the open line of `unit`, identified quietly (no failure is told).
  Try Next(ConsoleUnit& unit, const std::atomic<bool>* interrupted, const std::string& program);

  // The units of this series by what became of them, in the order they were met: each unit
  // written and verified (one identifier twice when two units carried it), each identifier whose
  // last try failed, and each found done already and left alone.
  struct Tally {
    std::vector<std::string> verified, failed, leftAlone;
  };
  const Tally& Units() const { return tally_; }

 private:
  UnitSettings file_, wanted_;
  std::vector<std::pair<std::string, std::string>> fields_;
  std::set<std::string> done_;  // identifiers verified in this series: left alone while they hold the file
  std::map<std::string, int> written_;  // tries written, by identifier (the records' names)
  Tally tally_;
  std::string lastTried_;  // tried and failed, still attached: left alone until it goes
  std::string lastNamed_;  // named as left alone, so that it is named once
};

// The result of a written unit as the series lists it, in the records' language: "zapsáno a ověřeno",
// or the failure.
std::string SeriesResultText(const UnitSeries::Try& done);
// The series' end: the units written and verified, failed and left alone, named.
std::string SeriesEndText(const UnitSeries::Tally& units, Language language);
