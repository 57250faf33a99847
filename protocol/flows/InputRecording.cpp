#include "protocol/flows/InputRecording.h"

#include "common/Wording.h"
#include "link/SystemErrors.h"
#include "protocol/SamplingPace.h"

#include <QFileInfo>

#include <algorithm>
#include <cstdio>
#include <limits>
#include <utility>
#include <vector>

namespace {

bool Level(uint16_t word, int row) { return (word >> kInputOfRow[row - 1]) & 1; }

// A CSV recording's comments are in Czech, whichever program records.
constexpr Language kRecordingLanguage = Language::Czech;
// A comment line without its end.
std::string Comment(Said said, Fills values = {}) { return "# " + Words(said, kRecordingLanguage, values); }

// The variable of a row in VCD: one printable character from '!'.
char VcdId(int row) { return static_cast<char>('!' + row - 1); }
// A wire of its own that is 1 while the unit does not answer: a gap every VCD reader shows.
const char kNoReplyId = VcdId(kInputRows + 1);

// A VCD reference is one word: letters, digits and underscores.
std::string VcdName(int row, const std::string& name) {
  std::string reference = "in" + std::to_string(kInputOfRow[row - 1]);
  if (name.empty() || name == "-") return reference;
  reference += '_';
  for (const char c : name) {
    const auto u = static_cast<unsigned char>(c);
    const bool plain = (u >= '0' && u <= '9') || (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z');
    if (plain)
      reference += c;
    else if ((u & 0xC0) != 0x80)  // one underscore for a character of several bytes
      reference += '_';
  }
  return reference;
}

}  // namespace

InputRecording::InputRecording(RecordingFormat format, RecordingHeader header)
    : format_(format), header_(std::move(header)) {}

InputRecording::~InputRecording() {
  if (file_.isOpen()) Close(lastMs_);
}

std::string InputRecording::Head() const {
  const RecordingHeader& h = header_;
  std::string text;
  if (format_ == RecordingFormat::Csv) {
    text = Comment(Said::RecordingTitle) + "\n";
    if (!h.unitId.empty())
      text += Comment(Said::RecordingUnit, {{"id", h.unitId}, {"version", h.unitVersion}}) + "\n";
    if (!h.startedAt.empty()) text += Comment(Said::RecordingStart, {{"time", h.startedAt}}) + "\n";
    if (!h.program.empty()) text += Comment(Said::RecordingProgram, {{"program", h.program}}) + "\n";
    text += Comment(Said::RecordingInputs);
    for (int row = 1; row <= kInputRows; ++row)
      text += " in" + std::to_string(kInputOfRow[row - 1]) + "=" + h.names[static_cast<std::size_t>(row - 1)];
    return text + "\n";
  }
  if (!h.startedAt.empty()) text += "$date " + h.startedAt + " $end\n";
  if (!h.program.empty()) text += "$version " + h.program + " $end\n";
  if (!h.unitId.empty()) text += "$comment VORKA " + h.unitId + " " + h.unitVersion + " $end\n";
  return text;
}

std::string InputRecording::HeadRest(std::optional<double> periodMs) const {
  std::string text;
  if (format_ == RecordingFormat::Csv) {
    if (periodMs) text += Comment(Said::RecordingPeriod, {{"period", PeriodText(*periodMs, '.')}}) + "\n";
    text += "time_ms";
    for (int row = 1; row <= kInputRows; ++row) text += ",in" + std::to_string(kInputOfRow[row - 1]);
    return text + "\n";
  }
  if (periodMs) text += "$comment sampled every " + PeriodText(*periodMs, '.') + " ms $end\n";
  text += "$timescale 1ms $end\n$scope module vorka $end\n";
  for (int row = 1; row <= kInputRows; ++row)
    text += std::string("$var wire 1 ") + VcdId(row) + " " +
            VcdName(row, header_.names[static_cast<std::size_t>(row - 1)]) + " $end\n";
  text += std::string("$var wire 1 ") + kNoReplyId + " no_reply $end\n";
  return text + "$upscope $end\n$enddefinitions $end\n";
}

FileFault InputRecording::CompleteHeader(std::optional<double> periodMs) {
  if (headed_) return fault_;
  headed_ = true;
  return Write(HeadRest(periodMs) + std::exchange(held_, {}));
}

FileFault InputRecording::Paced(int64_t ms, double periodMs) {
  if (!file_.isOpen() || fault_) return fault_;
  paces_.push_back({ms, periodMs});
  if (!headed_) return CompleteHeader(periodMs);
  if (format_ != RecordingFormat::Csv) return {};
  return Write(Comment(Said::RecordingPeriodFrom,
                       {{"ms", std::to_string(ms)}, {"period", PeriodText(periodMs, '.')}}) +
               "\n");
}

FileFault InputRecording::FasterThanSampling(int64_t ms, int input, double periodMs) {
  if (!file_.isOpen() || fault_) return fault_;
  faster_.emplace_back(input, periodMs);
  if (format_ != RecordingFormat::Csv) return {};
  return Put(Comment(Said::RecordingFaster, {{"ms", std::to_string(ms)},
                                             {"input", std::to_string(input)},
                                             {"period", PeriodText(periodMs, '.')}}) +
             "\n");
}

FileFault InputRecording::Summarised(int64_t ms, const std::vector<std::pair<int, int64_t>>& changes) {
  if (!file_.isOpen() || fault_) return fault_;
  std::string counts;
  for (const auto& [input, count] : changes)
    counts += (counts.empty() ? "in" : ", in") + std::to_string(input) + " " + std::to_string(count);
  if (counts.empty()) counts = "0";
  if (format_ != RecordingFormat::Csv) {
    summarised_ = "$comment up to " + std::to_string(ms) +
                  " ms only a summary is kept, changes until then: " + counts + " $end\n";
    return {};
  }
  return Put(Comment(Said::RecordingSummarised, {{"ms", std::to_string(ms)}, {"counts", counts}}) + "\n");
}

std::string InputRecording::VcdPaceComment() const {
  std::string text = summarised_;
  if (paces_.size() >= 2) {
    // A long session's changes: the first ones and how many more, so that the comment stays small.
    constexpr std::size_t kListed = 50;
    text += "$comment sampling period changed:";
    for (std::size_t n = 0; n < std::min(paces_.size(), kListed); ++n)
      text += " every " + PeriodText(paces_[n].periodMs, '.') + " ms from " + std::to_string(paces_[n].ms) +
              " ms;";
    if (paces_.size() > kListed) text += " and " + std::to_string(paces_.size() - kListed) + " more;";
    text.back() = ' ';
    text += "$end\n";
  }
  if (!faster_.empty()) {
    text += "$comment faster than the sampling, its counts a lower bound:";
    for (const auto& [input, periodMs] : faster_)
      text += " input " + std::to_string(input) + " (every " + PeriodText(periodMs, '.') + " ms);";
    text.back() = ' ';
    text += "$end\n";
  }
  return text;
}

FileFault InputRecording::Open(const std::string& path) {
  bool opened = false;
  ClearLastFileError();
  if (path == "-") {
    opened = file_.open(stdout, QIODevice::WriteOnly | QIODevice::Unbuffered);
  } else {
    file_.setFileName(QString::fromStdString(path));
    opened = file_.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered);
    regular_ = opened && QFileInfo(file_.fileName()).isFile();
  }
  if (!opened) return fault_ = FileDeviceFault(file_, LastFileError());
  return Write(Head());
}

FileFault InputRecording::Sample(int64_t ms, uint16_t word) {
  if (!file_.isOpen() || fault_) return fault_;
  std::string text;
  if (format_ == RecordingFormat::Csv) {
    if (last_ && *last_ == word) return {};
    text = std::to_string(ms);
    for (int row = 1; row <= kInputRows; ++row) text += Level(word, row) ? ",1" : ",0";
    text += "\n";
  } else {
    std::string changes;
    for (int row = 1; row <= kInputRows; ++row)
      if (!last_ || Level(*last_, row) != Level(word, row))
        changes += std::string(Level(word, row) ? "1" : "0") + VcdId(row) + "\n";
    if (!dumped_ || inGap_) changes += std::string("0") + kNoReplyId + "\n";
    inGap_ = false;
    if (changes.empty()) return {};
    // The first levels as the initial values, later ones as changes.
    text = VcdStep(ms) + (dumped_ ? changes : "$dumpvars\n" + changes + "$end\n");
    dumped_ = true;
  }
  last_ = word;
  lastMs_ = std::max(lastMs_, ms);
  return Put(text);
}

FileFault InputRecording::Lost(int64_t ms, AfterLoss after, GapCause cause) {
  if (!file_.isOpen() || fault_) return fault_;
  const bool ends = after == AfterLoss::Ends;
  std::string text;
  if (format_ == RecordingFormat::Csv) {
    // The end is the end, said with its time; the loss it follows was said when the replies stopped.
    text = Comment(ends                       ? Said::RecordingEnds
                   : cause == GapCause::Pause ? Said::RecordingPause
                                              : Said::RecordingLost,
                   {{"ms", std::to_string(ms)}}) +
           "\n";
  } else {
    // The gap on its own wire. A comment and unknown levels only at the end: sigrok (and PulseView
    // with it) reads nothing after either, so a gap the recording goes on after is the wire alone,
    // and every level is written again after it.
    text = VcdStep(ms) + (dumped_ ? std::string("1") + kNoReplyId + "\n" : std::string());
    inGap_ = dumped_;
    if (ends) {
      text += VcdPaceComment() + "$comment spojeni s jednotkou ztraceno, zaznam konci $end\n";
      for (int row = 1; row <= kInputRows; ++row) text += std::string("x") + VcdId(row) + "\n";
    }
  }
  last_.reset();  // after the gap every level is written again
  if (ends) CompleteHeader(std::nullopt);
  const FileFault fault = Put(text);
  if (ends && file_.isOpen()) file_.close();
  return fault;
}

FileFault InputRecording::Close(int64_t ms) {
  if (!file_.isOpen()) return fault_;
  CompleteHeader(std::nullopt);
  if (format_ == RecordingFormat::Vcd && dumped_ && ms > lastMs_) Write("#" + std::to_string(ms) + "\n");
  if (const std::string paces = VcdPaceComment(); format_ == RecordingFormat::Vcd && !paces.empty())
    Write(paces);
  if (file_.isOpen()) file_.close();
  return fault_;
}

std::string InputRecording::VcdStep(int64_t ms) {
  const bool sameStep = dumped_ && ms <= lastMs_;
  lastMs_ = std::max(lastMs_, ms);
  return sameStep ? std::string() : "#" + std::to_string(ms) + "\n";
}

FileFault InputRecording::Put(const std::string& text) {
  if (headed_) return Write(text);
  held_ += text;
  return {};
}

FileFault InputRecording::Write(const std::string& text) {
  if (fault_) return fault_;
  ClearLastFileError();
  const auto size = static_cast<qint64>(text.size());
  if (file_.write(text.data(), size) == size && file_.flush()) {
    whole_ += size;
    return {};
  }
  fault_ = FileDeviceFault(file_, LastFileError());
  // Cut back to the last whole row: a reader never meets half a line.
  if (regular_) file_.resize(whole_);
  file_.close();
  return fault_;
}

FileFault SaveTimeline(const InputTimeline& timeline, RecordingFormat format, const RecordingHeader& header,
                       const std::string& path) {
  InputRecording recording(format, header);
  if (const FileFault fault = recording.Open(path)) return fault;
  const int64_t first = timeline.FirstMs().value_or(0);
  // Before this some inputs' changes are kept only as counts: one row gives the levels there.
  const int64_t whole = timeline.WholeFrom().value_or(first);
  // Every moment something changed: an edge, or the start or end of a gap.
  std::vector<int64_t> moments{whole};
  for (int row = 1; row <= kInputRows; ++row)
    for (const InputTimeline::Edge& edge : timeline.Edges(row))
      if (edge.ms > whole) moments.push_back(edge.ms);
  for (const InputTimeline::Gap& gap : timeline.Gaps()) moments.push_back(gap.from);
  std::sort(moments.begin(), moments.end());
  moments.erase(std::unique(moments.begin(), moments.end()), moments.end());
  if (whole > first) {
    std::vector<std::pair<int, int64_t>> changes;
    for (int row = 1; row <= kInputRows; ++row) {
      int64_t count = 0;
      for (const InputTimeline::Stretch& stretch : timeline.Stretches(row)) count += stretch.Changes();
      for (const InputTimeline::Edge& edge : timeline.Edges(row))
        if (edge.ms <= whole && !edge.given) ++count;
      changes.emplace_back(kInputOfRow[row - 1], count);
    }
    if (const FileFault fault = recording.Summarised(whole - first, changes)) return fault;
  }
  auto pace = timeline.Paces().begin();
  // The periods measured up to ms, each where it was.
  const auto pacedUpTo = [&](int64_t ms) -> FileFault {
    for (; pace != timeline.Paces().end() && pace->ms <= ms; ++pace)
      if (const FileFault fault = recording.Paced(std::max<int64_t>(0, pace->ms - first), pace->periodMs))
        return fault;
    return {};
  };
  for (const int64_t ms : moments) {
    if (const FileFault fault = pacedUpTo(ms)) return fault;
    const auto gap = std::find_if(timeline.Gaps().begin(), timeline.Gaps().end(),
                                  [&](const InputTimeline::Gap& g) { return g.from == ms; });
    if (gap != timeline.Gaps().end()) {
      if (const FileFault fault = recording.Lost(ms - first, InputRecording::AfterLoss::GoesOn, gap->cause))
        return fault;
      continue;
    }
    uint16_t word = 0;
    bool known = true;
    for (int row = 1; row <= kInputRows && known; ++row) {
      const std::optional<bool> level = timeline.LevelAt(row, ms);
      known = level.has_value();
      if (level && *level) word = static_cast<uint16_t>(word | (1U << kInputOfRow[row - 1]));
    }
    if (!known) continue;
    if (const FileFault fault = recording.Sample(ms - first, word)) return fault;
  }
  if (const FileFault fault = pacedUpTo(std::numeric_limits<int64_t>::max())) return fault;
  return recording.Close(timeline.LastMs().value_or(first) - first);
}
