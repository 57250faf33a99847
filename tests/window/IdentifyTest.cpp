#include "tests/support/WindowFixture.h"
#include "ui_Term.h"

namespace {

enum class Outcome { Absent, NoMpg, Mpg };

// The controls of the registers every unit has: enabled whenever a unit answered, whatever its
// firmware. AxisLink is the one MPG register the window also leaves enabled for the others.
std::vector<std::string> ControlsEveryUnitHas() {
  std::vector<std::string> names{"AxisLink"};
  for (const Register& reg : RegisterLines(false)) {
    if (reg.kind != RegisterKind::PolarityByte) {
      names.emplace_back(reg.control);
      continue;
    }
    names.insert(names.end(), std::begin(kAxisPolarityGroups), std::end(kAxisPolarityGroups));
    names.insert(names.end(), {kClockNormalButton, kClockInvertedButton});
  }
  return names;
}
const char* const kMpgPageControls[] = {"TabSheet2", "TabSheet3", "MpgUsage", "ReadCFG"};
const char* const kNeverDisabled[] = {"reset",  "ReadSetting", "BtnSend1", "Button1",
                                      "btexit", "TabSheet1",   "debug"};
// MPG mode edits and whether each MpgUsage item enables them (LoLimit: see LoLimitEnabled).
struct ModeRow {
  const char* edit;
  bool item[3];
};
const ModeRow kModeRows[] = {
    {"GearX", {false, true, true}},         {"GearY", {false, true, true}},
    {"GearZ", {false, true, true}},         {"HiLimitX", {false, true, false}},
    {"HiLimitY", {false, true, false}},     {"HiLimitZ", {false, true, false}},
    {"RefSpeedX", {false, true, true}},     {"RefSpeedY", {false, true, true}},
    {"RefSpeedZ", {false, true, true}},     {"MpgMaxSpeed", {false, true, true}},
    {"MpgAcc", {false, true, true}},        {"DefSpinSpeed", {false, true, true}},
    {"TimeOver", {false, true, true}},      {"StartNum", {false, true, true}},
    {"StrGridVstupy", {false, true, true}},
};

class IdentifyTest : public WindowFixture, public ::testing::WithParamInterface<std::tuple<Outcome, bool>> {
 protected:
  void Prepare(Outcome outcome) {
    if (outcome == Outcome::Absent) unit_.SetSilent(true);
    if (outcome == Outcome::NoMpg) unit_.SetMpg(false);
  }
};

TEST_P(IdentifyTest, EveryControlIsEnabledByTheOutcomeAndTheMpgMode) {
  const auto [outcome, debug] = GetParam();
  Prepare(outcome);
  StartQuick(debug ? QStringList{"debug"} : QStringList{});
  for (int item : {1, 2, 0, 2, 1}) {
    SCOPED_TRACE(testing::Message() << "MpgUsage item " << item);
    term_->MpgUsage().SetItemIndex(item);
    for (const std::string& name : ControlsEveryUnitHas())
      EXPECT_EQ(Control(name.c_str())->isEnabled(), outcome != Outcome::Absent) << name;
    for (const char* name : kMpgPageControls)
      EXPECT_EQ(Control(name)->isEnabled(), outcome == Outcome::Mpg) << name;
    for (const char* name : kNeverDisabled) EXPECT_TRUE(Control(name)->isEnabled()) << name;
    for (const ModeRow& row : kModeRows)
      EXPECT_EQ(Control(row.edit)->isEnabled(), outcome == Outcome::Mpg && row.item[item]) << row.edit;
    const bool loLimits = outcome == Outcome::Mpg && debug && item == 1;
    for (const char* name : {"LoLimitX", "LoLimitY", "LoLimitZ"})
      EXPECT_EQ(Control(name)->isEnabled(), loLimits) << name;
  }
  EXPECT_EQ(term_->GridTextColor(),
            outcome == Outcome::Mpg ? term_->palette().color(QPalette::WindowText) : QColor(128, 128, 128));
  EXPECT_EQ(state().unitPresent, outcome != Outcome::Absent);
  EXPECT_EQ(state().mpgCapable, outcome == Outcome::Mpg);
}

std::string OutcomeName(const ::testing::TestParamInfo<std::tuple<Outcome, bool>>& info) {
  static const char* const names[] = {"Absent", "NoMpg", "Mpg"};
  return std::string(names[static_cast<int>(std::get<0>(info.param))]) +
         (std::get<1>(info.param) ? "Debug" : "");
}

INSTANTIATE_TEST_SUITE_P(Outcomes, IdentifyTest,
                         ::testing::Combine(::testing::Values(Outcome::Absent, Outcome::NoMpg, Outcome::Mpg),
                                            ::testing::Bool()),
                         OutcomeName);

class IdentifyReplyTest : public WindowFixture {};

TEST_F(IdentifyReplyTest, DecisionOnTheSecondReply) {
  struct Case {
    const char* r0;
    const char* r1;
    bool present;
    bool mpg;
    const char* id;
    const char* version;
  };
  const Case cases[] = {
      {"0,VK12345", "0,TK20", true, false, "VK12345", "TK20"},
      {"0,VK12345", "0,TK20MPG v2", true, true, "VK12345", "TK20MPG v2"},
      {"0,VK123", "0,TK20MPG", true, true, "VK123", "TK20MPG"},
      {"0,VK12345678", "0,TK20 MPG", true, false, "VK12345", "TK20 MPG"},
      {"0,VK12345", "0,tk20MPG", false, false, "Nezjištěno", "Jednotka nenalezena"},
      {"0,VK12345", "00,TK20MPG", false, false, "Nezjištěno", "Jednotka nenalezena"},
      {"0,VK12345", "0,TK2", false, false, "Nezjištěno", "Jednotka nenalezena"},
  };
  StartQuick();
  for (const Case& c : cases) {
    unit_.SetReplyOverride("Q", c.r0);
    unit_.SetReplyOverride("?", c.r1);
    term_->IdentifyUnit();
    Settle();
    EXPECT_EQ(state().unitPresent, c.present) << c.r1;
    EXPECT_EQ(state().mpgCapable, c.mpg) << c.r1;
    EXPECT_EQ(ui().EditIpID->text(), QString::fromUtf8(c.id)) << c.r1;
    EXPECT_EQ(ui().EditVerIp->text(), QString::fromUtf8(c.version)) << c.r1;
  }
  EXPECT_TRUE(messages_.all.isEmpty());
}

TEST_F(IdentifyReplyTest, WithoutAPortNothingIsSentAndTheFieldsStay) {
  StartQuick();
  term_->OnLine([](UnitOnLine& unit) {
    unit.State().commandMode = "stav";
    unit.RunCommandScript();  // the log now holds input replies, not an identification
  });
  Settle();
  term_->SetLinkOpen(std::nullopt);
  unit_.ClearReceived();
  term_->IdentifyUnit();
  Settle();
  EXPECT_TRUE(Received().empty());
  EXPECT_EQ(ui().EditIpID->text(), QStringLiteral("VK12345"));
  EXPECT_EQ(ui().EditVerIp->text(), QStringLiteral("TK20MPG v2.4"));
  EXPECT_TRUE(ui().OUT1->isEnabled());
}

TEST_F(IdentifyReplyTest, StartInputLabelsFollowTheComboBox) {
  StartQuick();
  term_->MpgUsage().SetItemIndex(1);
  QLabel* labels[] = {ui().in3descp, ui().in4descp, ui().in5descp, ui().in6descp, ui().in7descp};
  for (int item = 0; item < 6; ++item) {
    ui().StartNum->setCurrentIndex(item);
    term_->StartNumChange();
    for (int i = 0; i < 5; ++i)
      EXPECT_EQ(labels[i]->text(), item == i + 1 ? QStringLiteral("Vstup pro start referencí") : QString());
  }
  // Typed text that is no item leaves the captions as they were.
  ui().StartNum->setCurrentIndex(3);
  term_->StartNumChange();
  ui().StartNum->setCurrentIndex(-1);
  ui().StartNum->setEditText(QStringLiteral("INT 9"));
  term_->StartNumChange();
  EXPECT_EQ(ui().in5descp->text(), QStringLiteral("Vstup pro start referencí"));
  // Choosing "Nepoužito" selects "nepoužito" and empties the captions.
  term_->MpgUsage().SetItemIndex(0);
  EXPECT_EQ(ui().StartNum->currentText(), QStringLiteral("nepoužito"));
  for (QLabel* l : labels) EXPECT_TRUE(l->text().isEmpty());
}

TEST_F(IdentifyReplyTest, ReselectingTheSameMpgItemRunsNothing) {
  StartQuick();
  term_->MpgUsage().SetItemIndex(1);
  ui().GearX->setEnabled(false);
  term_->MpgUsage().SetItemIndex(1);
  EXPECT_FALSE(ui().GearX->isEnabled());
}

}  // namespace
