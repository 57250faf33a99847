#pragma once
#include "protocol/InputTimeline.h"
#include "protocol/RegisterMap.h"
#include "protocol/SamplingPace.h"
#include "protocol/settings/FileIo.h"

#include <QFile>

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// A recording of the grid's inputs as it happens: a row (CSV) or a time step (VCD, which logic
// analyser programs read) for every change, written and flushed as it comes. A write that fails
// stops the recording and the file is cut back to its last whole row, so what was written stays
// readable; a unit lost ends it with a mark.
enum class RecordingFormat { Csv, Vcd };

struct RecordingHeader {
  std::string unitId, unitVersion;            // escaped, as the identification gives them
  std::string program;                        // "vorkactl 1.3"
  std::string startedAt;                      // local time, "2026-12-08 10:15:02"
  std::array<std::string, kInputRows> names;  // the grid's "Jméno" column
};

class InputRecording {
 public:
  InputRecording(RecordingFormat format, RecordingHeader header);
  ~InputRecording();
  InputRecording(const InputRecording&) = delete;
  InputRecording& operator=(const InputRecording&) = delete;

  // Opens the file ("-": standard output) and writes the header.
  FileFault Open(const std::string& path);
  // A poll's input word, ms after the recording's start: written when it changed anything.
  FileFault Sample(int64_t ms, uint16_t word);
  // The sampling period measured from ms on. The header says the first (what comes before it is
  // held until then, or until the end); CSV marks each change where it happens, VCD lists them at
  // its end (a comment amid the changes stops readers such as sigrok).
  FileFault Paced(int64_t ms, double periodMs);
  // An input (by its number) changed faster than it is sampled at periodMs, seen at ms: its counts
  // are a lower bound. CSV says it where it is seen, VCD lists it at its end.
  FileFault FasterThanSampling(int64_t ms, int input, double periodMs);
  // Up to ms the changes are not written one by one, only their counts (input, changes): the
  // window's timeline summarises older ones. CSV says it where it is, VCD at its end.
  FileFault Summarised(int64_t ms, const std::vector<std::pair<int, int64_t>>& changes);
  // The unit did not answer at ms: marked, and the recording ends (or, for a saved timeline that
  // goes on after the gap, goes on).
  enum class AfterLoss { Ends, GoesOn };
  FileFault Lost(int64_t ms, AfterLoss after = AfterLoss::Ends, GapCause cause = GapCause::NoReply);
  // Ends the recording at ms (VCD: its last time step, so that a reader sees the last change
  // held) and closes the file: the fault of the recording, if one stopped it.
  FileFault Close(int64_t ms);
  bool Open() const { return file_.isOpen(); }

  // The header up to where the period is told, and its rest with the period (if one is known).
  std::string Head() const;
  std::string HeadRest(std::optional<double> periodMs) const;

 private:
  FileFault Write(const std::string& text);
  // A VCD time step at ms; none when ms falls in the last one (two polls within a millisecond):
  // a VCD's times only ever grow.
  std::string VcdStep(int64_t ms);
  // Writes, or holds until the header is whole.
  FileFault Put(const std::string& text);
  // Writes the rest of the header, and what was held for it.
  FileFault CompleteHeader(std::optional<double> periodMs);
  // VCD: the periods told after the first and the inputs faster than the sampling, for its end.
  std::string VcdPaceComment() const;

  RecordingFormat format_;
  RecordingHeader header_;
  QFile file_;
  bool regular_ = false;  // a file that can be cut back (not a pipe or standard output)
  qint64 whole_ = 0;      // the bytes written up to the last whole row
  std::optional<uint16_t> last_;
  int64_t lastMs_ = 0;
  bool dumped_ = false;  // VCD: the initial values are written
  bool inGap_ = false;   // VCD: the no-reply wire is 1
  bool headed_ = false;  // the whole header is written
  std::string held_;     // rows that came before it
  std::vector<InputTimeline::PaceMark> paces_;
  std::vector<std::pair<int, double>> faster_;  // input, the period it was seen at
  std::string summarised_;                      // VCD: what was only summarised, for its end
  FileFault fault_;
};

// Writes what a timeline holds as a recording: its times from its first sample, its gaps marked.
FileFault SaveTimeline(const InputTimeline& timeline, RecordingFormat format, const RecordingHeader& header,
                       const std::string& path);
