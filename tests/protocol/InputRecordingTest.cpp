#include "protocol/CtlArguments.h"
#include "protocol/flows/InputRecording.h"
#include "sim/InputScript.h"
#include "tests/support/Sigrok.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace {

std::string Slurp(const QString& path) {
  std::ifstream in(path.toStdString(), std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// What a timeline with a gap becomes in each format: the levels first, a row or step per change,
// the gap marked, every level again after it.
TEST(InputRecordingTest, ASavedTimelineInBothFormats) {
  InputTimeline timeline;
  timeline.Sample(1000, 0x0000);
  timeline.Sample(1040, 0x0001);
  timeline.Sample(1080, 0x0001);
  timeline.Lost(1120);
  timeline.Sample(2000, 0x4001);
  RecordingHeader header{"VK1", "TK20MPG v2.4", "test", "2026-12-08 10:00:00", {}};
  header.names[0] = "Ref X";
  QTemporaryDir dir;
  const QString csv = dir.filePath(QStringLiteral("a.csv")), vcd = dir.filePath(QStringLiteral("a.vcd"));
  ASSERT_FALSE(SaveTimeline(timeline, RecordingFormat::Csv, header, csv.toStdString()));
  ASSERT_FALSE(SaveTimeline(timeline, RecordingFormat::Vcd, header, vcd.toStdString()));
  const std::string rows = Slurp(csv);
  EXPECT_NE(rows.find("# Jednotka: VK1, TK20MPG v2.4\n"), std::string::npos);
  EXPECT_NE(rows.find("time_ms,in0,in1,in2,in3,in4,in5,in6,in7,in14,in15\n"
                      "0,0,0,0,0,0,0,0,0,0,0\n"
                      "40,1,0,0,0,0,0,0,0,0,0\n"
                      "# Spojení s jednotkou ztraceno v 120 ms\n"
                      "1000,1,0,0,0,0,0,0,0,1,0\n"),
            std::string::npos)
      << rows;
  const std::string steps = Slurp(vcd);
  EXPECT_NE(steps.find("$var wire 1 ! in0_Ref_X $end\n"), std::string::npos) << steps;
  // The gap on a wire of its own: sigrok reads nothing after a comment or an unknown level.
  EXPECT_NE(steps.find("$var wire 1 + no_reply $end\n"), std::string::npos) << steps;
  EXPECT_NE(steps.find("#40\n1!\n#120\n1+\n#1000\n"), std::string::npos) << steps;
  const std::map<std::string, int> edges = SigrokEdges(vcd);
  EXPECT_EQ(edges.size(), 11U);
  EXPECT_EQ(edges.at("no_reply"), 1);  // up; sigrok shows no level of the file's last moment
  EXPECT_NE(steps.find("#1000\n1!\n0\"\n"), std::string::npos) << steps;  // every level again
  EXPECT_TRUE(steps.ends_with("1)\n0*\n0+\n")) << steps;  // nothing after the last poll to hold
}

// A timeline that kept only a summary of its older changes says so, with their counts: with the
// rows after it, every change is accounted for.
TEST(InputRecordingTest, ASavedTimelineSaysWhatItKeptOnlyAsCounts) {
  InputTimeline timeline(4);
  for (int64_t ms = 0; ms <= 2000; ms += 40) timeline.Sample(ms, (ms / 40) % 2 ? 0x0003 : 0x0002);
  ASSERT_FALSE(timeline.Stretches(1).empty());
  QTemporaryDir dir;
  const QString csv = dir.filePath(QStringLiteral("s.csv")), vcd = dir.filePath(QStringLiteral("s.vcd"));
  ASSERT_FALSE(SaveTimeline(timeline, RecordingFormat::Csv, {}, csv.toStdString()));
  ASSERT_FALSE(SaveTimeline(timeline, RecordingFormat::Vcd, {}, vcd.toStdString()));
  const std::string rows = Slurp(csv);
  const std::string note = "# Do " + std::to_string(*timeline.WholeFrom()) +
                           " ms je uchován jen souhrn, ne jednotlivé změny; změn do té doby: in0 ";
  const std::size_t at = rows.find(note);
  ASSERT_NE(at, std::string::npos) << rows;
  EXPECT_NE(rows.find(", in1 0, in2 0,", at), std::string::npos) << rows;
  const int summarised = std::stoi(rows.substr(at + note.size()));
  // The rows after the note: the levels where the summary ends, then one row per change.
  std::istringstream lines(rows.substr(rows.find("time_ms")));
  std::string line;
  std::getline(lines, line);
  int written = -1;
  while (std::getline(lines, line)) written += line[0] != '#';
  EXPECT_EQ(summarised + written, timeline.Changes(1)) << rows;
  EXPECT_NE(
      Slurp(vcd).find("$comment up to " + std::to_string(*timeline.WholeFrom()) +
                      " ms only a summary is kept, changes until then: in0 " + std::to_string(summarised)),
      std::string::npos);
}

// The period measured is in the header; a change of it is marked where it happened (CSV) or listed
// at the end (VCD: sigrok reads nothing after a comment amid the changes).
TEST(InputRecordingTest, ARecordingSaysItsSamplingPeriodAndWhenItChanged) {
  InputTimeline timeline;
  int64_t ms = 0;
  for (; ms <= 640; ms += 40) timeline.Sample(ms, (ms / 40) % 4 == 0 ? 0x0001 : 0x0000);
  timeline.Paced(640, 40.0);
  for (; ms <= 3000; ms += 2) timeline.Sample(ms, (ms / 10) % 2 ? 0x0001 : 0x0000);
  timeline.Paced(1500, 1.84);
  RecordingHeader header{"VK1", "TK20MPG v2.4", "test", "2026-12-08 10:00:00", {}};
  QTemporaryDir dir;
  const QString csv = dir.filePath(QStringLiteral("p.csv")), vcd = dir.filePath(QStringLiteral("p.vcd"));
  ASSERT_FALSE(SaveTimeline(timeline, RecordingFormat::Csv, header, csv.toStdString()));
  ASSERT_FALSE(SaveTimeline(timeline, RecordingFormat::Vcd, header, vcd.toStdString()));
  const std::string rows = Slurp(csv);
  EXPECT_NE(rows.find("# Snímáno po 40 ms\ntime_ms,in0,"), std::string::npos) << rows;
  EXPECT_NE(rows.find("\n# Od 1500 ms snímáno po 1.8 ms\n"), std::string::npos) << rows;
  const std::string steps = Slurp(vcd);
  EXPECT_NE(steps.find("$comment sampled every 40 ms $end\n$timescale"), std::string::npos) << steps;
  EXPECT_TRUE(steps.ends_with(
      "$comment sampling period changed: every 40 ms from 640 ms; every 1.8 ms from 1500 ms $end\n"))
      << steps.substr(steps.size() - 200);
  // Every edge of the fast part read back: a change each 10 ms from 642 ms to 3000 ms.
  const std::map<std::string, int> edges = SigrokEdges(vcd);
  ASSERT_EQ(edges.size(), 11U);
  EXPECT_GE(edges.at("in0"), 236);
}

// Rows that come before the period is known wait for it in order; a recording that ends first
// still gets its whole header.
TEST(InputRecordingTest, RowsBeforeThePeriodWaitAndAShortRecordingIsWhole) {
  QTemporaryDir dir;
  for (const bool paced : {true, false}) {
    const QString path = dir.filePath(paced ? QStringLiteral("paced.csv") : QStringLiteral("short.csv"));
    InputRecording recording(RecordingFormat::Csv, {});
    ASSERT_FALSE(recording.Open(path.toStdString()));
    ASSERT_FALSE(recording.Sample(0, 0x0001));
    ASSERT_FALSE(recording.Sample(40, 0x0000));
    if (paced) {
      ASSERT_FALSE(recording.Paced(80, 40.0));
    }
    ASSERT_FALSE(recording.Close(100));
    const std::string rows = Slurp(path);
    EXPECT_NE(rows.find(std::string(paced ? "# Snímáno po 40 ms\n" : "") +
                        "time_ms,in0,in1,in2,in3,in4,in5,in6,in7,in14,in15\n"
                        "0,1,0,0,0,0,0,0,0,0,0\n40,0,0,0,0,0,0,0,0,0,0\n"),
              std::string::npos)
        << rows;
    EXPECT_TRUE(rows.ends_with("40,0,0,0,0,0,0,0,0,0,0\n")) << rows;
  }
}

TEST(InputRecordingTest, AFolderThatIsNotThereIsNamedAtTheOpen) {
  InputRecording recording(RecordingFormat::Csv, {});
  const FileFault fault = recording.Open("/nonexistent/folder/a.csv");
  EXPECT_EQ(fault.kind, FileFault::Kind::System);
  EXPECT_EQ(fault.error, ENOENT);
  EXPECT_EQ(recording.Sample(0, 1).error, ENOENT);  // nothing written after
}

TEST(InputScriptTest, StepsAndTheirErrors) {
  struct Case {
    const char* text;
    std::size_t steps;
    const char* error;
  };
  const Case cases[] = {
      {"0 0x0001\n40 0003 # bounce\n\n60 0001\n", 3, ""},
      {"# nothing but a comment\n", 0, ""},
      {"0 1\n10 2\n5 3\n", 0, "line 3: the times must rise"},
      {"0 10000\n", 0, "line 1: expected \"MS WORD\""},
      {"0 1 2\n", 0, "line 1: expected \"MS WORD\""},
      {"-5 1\n", 0, "line 1: expected \"MS WORD\""},
      {"0 zz\n", 0, "line 1: expected \"MS WORD\""},
  };
  for (const Case& c : cases) {
    const InputScript script = ParseInputScript(c.text);
    EXPECT_EQ(script.error, c.error) << c.text;
    if (script.error.empty()) {
      EXPECT_EQ(script.steps.size(), c.steps) << c.text;
    }
  }
  const InputScript script = ParseInputScript("100 1\n200 2\n");
  EXPECT_FALSE(WordAt(script.steps, 99));
  EXPECT_EQ(WordAt(script.steps, 150), 1);
  EXPECT_EQ(WordAt(script.steps, 200), 2);
}

// vorkactl monitor's options: where they belong and what they take.
TEST(CtlArgumentsTest, MonitorRecordingsAndDuration) {
  struct Case {
    QStringList arguments;
    const char* error;
  };
  const Case cases[] = {
      {{"monitor", "--csv", "a.csv", "--vcd", "-", "--duration", "2.5"}, ""},
      {{"read", "--vcd", "a.vcd"}, "--vcd is for monitor"},
      {{"monitor", "--csv", "x", "--vcd", "x"}, "--csv and --vcd need two files"},
      {{"monitor", "--duration", "0"}, "--duration must be 0.001 to 604800 seconds"},
      {{"monitor", "--duration", "2,5"}, "--duration must be 0.001 to 604800 seconds"},
      {{"monitor", "--duration", "604801"}, "--duration must be 0.001 to 604800 seconds"},
      {{"scan", "--duration", "1"}, "--duration is for monitor"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(ParseCtlArguments(c.arguments).error, c.error) << c.arguments.join(u' ').toStdString();
  const CtlOptions options =
      ParseCtlArguments({"monitor", "--csv", "a.csv", "--vcd", "-", "--duration", "2.5"});
  EXPECT_EQ(options.command, CtlCommand::Monitor);
  EXPECT_EQ(options.csv, "a.csv");
  EXPECT_EQ(options.vcd, "-");
  EXPECT_EQ(options.durationMs, 2500);
}

}  // namespace
