// Noise on the line, met through the window: never a value shifted into another setting, never
// "v pořádku" or a backup or an identity from replies out of step.
#include "protocol/settings/Backups.h"
#include "tests/support/TestBackups.h"
#include "tests/support/WindowFixture.h"
#include "ui_Term.h"

#include <QDir>
#include <QTest>

#include <functional>

namespace {

const QString kOutOfStep = QStringLiteral("Jednotka odpovídá mimo pořadí – rušení na vedení?");
const QString kSaved = QStringLiteral("Uložení proběhlo v pořádku");
const QString kNotVorka = QStringLiteral("Jednotka nekomunikuje nebo není VORKA");

class OutOfStepWindowTest : public WindowFixture {
 protected:
  void SetUp() override {
    WindowFixture::SetUp();
    QDir(BackupStore::DefaultFolder()).removeRecursively();
    StartQuick();
    term_->OnLine([](UnitOnLine& unit) { unit.Exchange().SetQuietFloor(kSharedProcessorQuiet); });
    Settle();
    DistinctiveRegisters();
    unit_.SetTextRegister("24", "240");
    unit_.SetTextRegister("30", "640");
  }
  std::vector<Backup> Kept() { return TestBackups().List("VK12345"); }
  // The settings the window shows that the faults could shift.
  QStringList Shown() {
    return {ui().HiLimitX->text(),
            ui().HiLimitY->text(),
            ui().HiLimitZ->text(),
            ui().GearX->text(),
            QString::number(static_cast<SettingsControls&>(*term_).ItemIndex("OUT3")),
            QString::number(static_cast<SettingsControls&>(*term_).ItemIndex("PWM")),
            QString::number(static_cast<SettingsControls&>(*term_).ItemIndex("StartNum"))};
  }
};

struct Fault {
  const char* name;
  std::function<void(VirtualUnit&)> make;
  bool once;
  // The copy comes late: where it lands depends on the machine's pace (in the read, or after it,
  // where the next script finds it and a save stops before its first write).
  bool late = false;
};
const Fault kReadFaults[] = {
    {"HiLimitX answered twice", [](VirtualUnit& u) { u.SetAnswerTwice("EFR20", 0, 1); }, true},
    {"OUT2 answered twice, late", [](VirtualUnit& u) { u.SetAnswerTwice("ER02", 2, 1); }, true, true},
    {"a stray CR in GearX", [](VirtualUnit& u) { u.SetStrayCr("EFR30", 4, 1); }, true},
    {"HiLimitX always answered twice", [](VirtualUnit& u) { u.SetAnswerTwice("EFR20", 0, -1); }, false},
    {"always a stray CR in GearX", [](VirtualUnit& u) { u.SetStrayCr("EFR30", 4, -1); }, false},
    // Noise of other kinds: bytes that are no text, in front of a reply.
    {"a 0xFF before StartNum", [](VirtualUnit& u) { u.SetNoise("ER07", "\xFF", 1); }, true},
    {"a NUL before HiLimitY", [](VirtualUnit& u) { u.SetNoise("EFR24", std::string(1, '\0'), 1); }, true},
    {"a NUL before a copy of GearX",
     [](VirtualUnit& u) {
       u.SetNoise("EFR30", std::string(1, '\0'), 1);
       u.SetAnswerTwice("EFR30", 0, 1);
     },
     true},
    {"always a 0xFF before StartNum", [](VirtualUnit& u) { u.SetNoise("ER07", "\xFF", -1); }, false},
};

TEST_F(OutOfStepWindowTest, AReadShowsTheUnitsValuesOrKeepsTheWindowsAndSaysWhy) {
  ui().ReadSetting->click();
  Settle();
  const QStringList truth = Shown();
  ASSERT_EQ(truth[1], QStringLiteral("240"));
  for (const Fault& fault : kReadFaults) {
    SCOPED_TRACE(fault.name);
    unit_.ClearReplyOverrides();
    ui().HiLimitY->setText(QStringLiteral("7"));  // the operator's, until the unit's replace it
    const QStringList before = Shown();
    fault.make(unit_);
    messages_.all.clear();
    ui().ReadSetting->click();
    Settle();
    if (fault.once) {
      EXPECT_TRUE(messages_.all.isEmpty()) << messages_.all.join(u'|').toStdString();
      EXPECT_EQ(Shown(), truth);
    } else {
      EXPECT_EQ(messages_.all, QStringList{kOutOfStep});
      EXPECT_EQ(Shown(), before);
    }
  }
}

// The save reads the unit for its backup first: noise there repeats that read, or stops the save
// before anything is written; the backup holds what the unit holds, never a neighbour's value.
TEST_F(OutOfStepWindowTest, ASaveBacksUpTheUnitsOwnValuesOrWritesNothing) {
  for (const Fault& fault : kReadFaults) {
    if (fault.late) continue;
    SCOPED_TRACE(fault.name);
    QDir(BackupStore::DefaultFolder()).removeRecursively();
    unit_.ClearReplyOverrides();
    DistinctiveRegisters();
    unit_.SetTextRegister("24", "240");
    unit_.SetTextRegister("30", "640");
    fault.make(unit_);
    unit_.ClearReceived();
    messages_.all.clear();
    ui().BtnSend1->click();
    Settle();
    if (fault.once) {
      EXPECT_EQ(messages_.all, QStringList{kSaved});
      const std::vector<Backup> kept = Kept();
      ASSERT_EQ(kept.size(), 1u);
      EXPECT_EQ(kept[0].settings.Get("HiLimitY").value_or(""), "240");
      EXPECT_EQ(kept[0].settings.Get("GearX").value_or(""), "640");
      EXPECT_EQ(kept[0].settings.Get("OUT3").value_or(""), "Uvolnění nástroje");
    } else {
      EXPECT_EQ(messages_.all, QStringList{kOutOfStep});
      EXPECT_TRUE(Writes().empty());
      EXPECT_TRUE(Kept().empty());
    }
  }
}

// A write answered out of step stops the save at once; the unit is read again and the operator
// told what it holds and where its settings before are.
TEST_F(OutOfStepWindowTest, ASaveAnsweredOutOfStepStopsAndSaysWhatTheUnitHolds) {
  ui().ReadSetting->click();
  Settle();
  ui().HiLimitX->setText(QStringLiteral("500"));
  ui().HiLimitY->setText(QStringLiteral("500"));
  unit_.SetAnswerTwice("EFW20,500", 0, 1);
  unit_.ClearReceived();
  messages_.all.clear();
  ui().BtnSend1->click();
  Settle();
  ASSERT_EQ(messages_.all.size(), 1);
  const QString said = messages_.all[0];
  EXPECT_TRUE(said.startsWith(QStringLiteral("Neuloženo: ") + kOutOfStep)) << said.toStdString();
  EXPECT_TRUE(said.contains(QStringLiteral("Hi-Limit Y [mm]"))) << said.toStdString();
  EXPECT_FALSE(said.contains(QStringLiteral("Hi-Limit X [mm]"))) << said.toStdString();
  ASSERT_EQ(Kept().size(), 1u);
  EXPECT_TRUE(said.endsWith(QDir::toNativeSeparators(QString::fromStdString(Kept()[0].path))))
      << said.toStdString();
  EXPECT_EQ(Writes().back(), "!0EFW20,500");  // nothing after the write answered twice
  EXPECT_EQ(*unit_.TextRegister("24"), "240");
}

// The identification takes no identity from replies out of step: a late reply to "?" waiting on the
// line is not the unit's identifier, and a unit that always answers twice is no unit.
TEST_F(OutOfStepWindowTest, TheIdentityComesFromRepliesInStep) {
  server_->SendRaw("0,TK20MPG v2.4\r");
  QTest::qWait(30);
  term_->IdentifyUnit();
  Settle();
  EXPECT_EQ(ui().EditIpID->text(), QStringLiteral("VK12345"));
  EXPECT_TRUE(messages_.all.isEmpty());

  unit_.SetAnswerTwice("Q", 0, -1);
  ui().ReadSetting->click();
  Settle();
  EXPECT_EQ(messages_.all, QStringList{kOutOfStep});  // told as out of step, and only so
  EXPECT_FALSE(state().unitPresent);
  EXPECT_NE(ui().EditIpID->text(), QStringLiteral("TK20MPG"));
}

// Noise before every reply to "Q" is told as noise, not as the want of a unit.
TEST_F(OutOfStepWindowTest, JunkBeforeTheIdentifierIsOutOfStepNotNoUnit) {
  unit_.SetNoise("Q", "\xFF", -1);
  messages_.all.clear();
  ui().ReadSetting->click();
  Settle();
  EXPECT_EQ(messages_.all, QStringList{kOutOfStep});
  unit_.SetNoise("Q", "\xFF", 1);  // once: the identification runs again on a quiet line
  messages_.all.clear();
  ui().ReadSetting->click();
  Settle();
  EXPECT_TRUE(messages_.all.isEmpty()) << messages_.all.join(u'|').toStdString();
  EXPECT_EQ(ui().EditIpID->text(), QStringLiteral("VK12345"));
}

}  // namespace
