#include "link/Async.h"
#include "protocol/CtlArguments.h"
#include "protocol/RegisterMap.h"
#include "protocol/UnitScan.h"
#include "protocol/settings/Backups.h"
#include "protocol/settings/Catalogue.h"
#include "tests/support/ChildEntry.h"
#include "tests/support/ScanPorts.h"
#include "tests/support/Sigrok.h"
#include "tests/support/TestBackups.h"
#include "tests/support/WaitFor.h"
#include "tests/support/WindowFixture.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <fstream>
#include <functional>
#include <map>
#include <optional>
#include <sstream>

#include <fcntl.h>
#include <pwd.h>
#include <sys/resource.h>
#include <sys/wait.h>

namespace {

using Commands = std::vector<std::string>;

// The real vorkactl, started as a process against the virtual unit on COM1.
// Standard error without the lines in which a write names a setting it changes ("OUT1: Laser -> Ofuk").
std::string WithoutChangeLines(const std::string& text) {
  static const QRegularExpression change(QStringLiteral("^[A-Za-z0-9.]+: .* -> .*$"));
  std::string kept;
  for (const QString& line : QString::fromStdString(text).split(u'\n', Qt::SkipEmptyParts))
    if (!change.match(line).hasMatch()) kept += line.toStdString() + "\n";
  return kept;
}

class VorkactlTest : public WindowFixture {
 protected:
  struct Run {
    int code = -1;
    std::string out, err;
    qint64 ms = 0;
  };
  Run Ctl(const QStringList& arguments, bool asAnotherUser = false) {
    // As root every device node opens: the tool then runs as nobody, whom a node refuses.
    if (!asAnotherUser) return CtlWith(arguments, {});
    return CtlWith(arguments, [] {
      if (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(99);
    });
  }
  // With a fault made in the child before it starts (a file-size limit, a closed descriptor), and
  // standard output into a file when one is named.
  Run CtlWith(const QStringList& arguments, const std::function<void()>& inChild,
              const QString& output = {}) {
    QProcess process;
    if (inChild) process.setChildProcessModifier(inChild);
    if (!output.isEmpty()) process.setStandardOutputFile(output);
    process.start(QStringLiteral(VORKACTL_PATH), arguments);
    QElapsedTimer clock;
    clock.start();
    process.waitForFinished(20000);
    Run run;
    run.ms = clock.elapsed();
    run.code = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = process.readAllStandardOutput().toStdString();
    run.err = process.readAllStandardError().toStdString();
    // Whatever failed, and however: one line on standard error, in the tool's name (a scan tells
    // each port that refused it on a line of its own; a write names the settings it changes first).
    if (run.code >= kExitUsage) {
      std::string said = run.err;
      if (arguments.contains(QStringLiteral("write"))) said = WithoutChangeLines(said);
      if (!arguments.contains(QStringLiteral("scan"))) {
        EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << run.err;
      }
      for (const QString& line : QString::fromStdString(said).split(u'\n', Qt::SkipEmptyParts))
        EXPECT_TRUE(line.startsWith(QStringLiteral("vorkactl: "))) << run.err;
    }
    return run;
  }
  QString File(const char* name) { return dir_.filePath(QString::fromLatin1(name)); }
  std::string Slurp(const QString& path) {
    std::ifstream in(path.toStdString(), std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  // Every register of the unit, by address.

  QTemporaryDir dir_;
};

TEST_F(VorkactlTest, ReadThenWriteIntoAFactoryUnitSendsTheWindowsWritesAndVerifies) {
  DistinctiveRegisters();
  const Run read = Ctl({QStringLiteral("read"), QStringLiteral("-o"), File("unit.vorka")});
  ASSERT_EQ(read.code, 0) << read.err;
  unit_.ResetRegisters();
  unit_.ClearReceived();
  const Run write = Ctl({QStringLiteral("write"), File("unit.vorka")});
  EXPECT_EQ(write.code, 0) << write.err;
  const Commands fromTool = Writes();

  // The window, reading the same unit and saving it into a factory-fresh one.
  StartQuick();
  DistinctiveRegisters();
  term_->ReadSettingClick();
  Settle();
  unit_.ResetRegisters();
  unit_.ClearReceived();
  term_->BtnSend1Click();
  Settle();
  ASSERT_EQ(Writes().size(), 29u);
  EXPECT_EQ(fromTool, Writes());
  Destroy();  // the window's port is the tool's now

  // diff: 0 against that unit, 1 against a factory unit, naming what differs.
  DistinctiveRegisters();
  EXPECT_EQ(Ctl({QStringLiteral("diff"), File("unit.vorka")}).code, 0);
  unit_.ResetRegisters();
  const Run diff = Ctl({QStringLiteral("diff"), File("unit.vorka")});
  EXPECT_EQ(diff.code, 1);
  EXPECT_NE(diff.out.find("OUT1\tSignalizace přerušení\tChlazení\n"), std::string::npos) << diff.out;
  EXPECT_NE(diff.out.find("GearX\t640.000000\t1\n"), std::string::npos) << diff.out;
}

TEST_F(VorkactlTest, APortTheWindowHoldsIsInUseForVorkactl) {
  StartQuick();  // the window has COM1 open; vorkactl comes through another path to the device
  const QString link = File("com1-link");
  ASSERT_TRUE(QFile::link(QString::fromStdString(server_->SlavePath()), link));
  const Run run = Ctl({QStringLiteral("--port"), link, QStringLiteral("identify")});
  EXPECT_EQ(run.code, 3);
  EXPECT_NE(run.err.find("another program is using it"), std::string::npos) << run.err;
  EXPECT_TRUE(Received().empty());
}

TEST_F(VorkactlTest, IdentifyPrintsIdentifierAndFirmware) {
  const Run run = Ctl({QStringLiteral("identify")});
  EXPECT_EQ(run.code, 0);
  EXPECT_EQ(run.out, "identifier: VK12345\nfirmware: TK20MPG v2.4\nmpg: yes\n");
}

// COMn is the n-th adapter by kind and number: a save to COM2 reaches the unit on the second one
// (ttyACM0 after ttyUSB0), and COM1 leads to the first, where no unit is.
TEST_F(VorkactlTest, ComNamesFollowTheAdaptersInTheirOrder) {
  const QString dev = File("dev");
  ASSERT_TRUE(QDir().mkpath(dev));
  ASSERT_TRUE(QFile::link(QStringLiteral("/dev/null"), dev + QStringLiteral("/ttyUSB0")));
  ASSERT_TRUE(QFile::link(QString::fromStdString(server_->SlavePath()), dev + QStringLiteral("/ttyACM0")));
  const QByteArray com1 = qgetenv("VORKA_COM1");
  ::unsetenv("VORKA_COM1");
  ::setenv("VORKA_DEVICE_FOLDER", dev.toLocal8Bit().constData(), 1);
  const Run second = Ctl({QStringLiteral("--port"), QStringLiteral("COM2"), QStringLiteral("identify")});
  const Run first = Ctl({QStringLiteral("--port"), QStringLiteral("com1"), QStringLiteral("--timeout"),
                         QStringLiteral("200"), QStringLiteral("identify")});
  ::unsetenv("VORKA_DEVICE_FOLDER");
  if (!com1.isNull()) ::setenv("VORKA_COM1", com1.constData(), 1);
  EXPECT_EQ(second.code, 0) << second.err;
  EXPECT_EQ(second.out, "identifier: VK12345\nfirmware: TK20MPG v2.4\nmpg: yes\n");
  EXPECT_EQ(first.code, 3) << first.err;
  EXPECT_NE(first.err.find("cannot open com1 (" + dev.toStdString() + "/ttyUSB0)"), std::string::npos)
      << first.err;
}

// Beyond the eight COM names, ports lists the other devices present by their own name, and --port
// takes that name.
TEST_F(VorkactlTest, PortsListsThePortsBeyondCom8ByTheirName) {
  const QString dev = File("dev");
  ASSERT_TRUE(QDir().mkpath(dev));
  for (int n = 0; n < 9; ++n)
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/null"), dev + QStringLiteral("/ttyUSB%1").arg(n)));
  ASSERT_TRUE(QFile::link(QString::fromStdString(server_->SlavePath()), dev + QStringLiteral("/ttyUSB9")));
  const QByteArray com1 = qgetenv("VORKA_COM1");
  ::unsetenv("VORKA_COM1");
  ::setenv("VORKA_DEVICE_FOLDER", dev.toLocal8Bit().constData(), 1);
  const Run ports = Ctl({QStringLiteral("ports")});
  ::unsetenv("VORKA_DEVICE_FOLDER");
  if (!com1.isNull()) ::setenv("VORKA_COM1", com1.constData(), 1);
  ASSERT_EQ(ports.code, 0) << ports.err;
  const std::string beyond = dev.toStdString() + "/ttyUSB9";
  EXPECT_NE(ports.out.find("COM8\t" + dev.toStdString() + "/ttyUSB7\n"), std::string::npos) << ports.out;
  EXPECT_NE(ports.out.find("\n" + beyond + "\t" + beyond + "\n"), std::string::npos) << ports.out;
  // ttyUSB8 is /dev/null, which COM1 reaches already: one device, listed once.
  EXPECT_EQ(ports.out.find("/ttyUSB8\t"), std::string::npos) << ports.out;
  const Run identify =
      Ctl({QStringLiteral("--port"), QString::fromStdString(beyond), QStringLiteral("identify")});
  EXPECT_EQ(identify.code, 0) << identify.err;
}

TEST_F(VorkactlTest, SilentUnitEndsWithinTheReplyLimit) {
  unit_.SetSilent(true);
  for (const char* command : {"identify", "read", "reset", "monitor"}) {
    const Run run = Ctl({QStringLiteral("--timeout"), QStringLiteral("300"), QString::fromLatin1(command)});
    EXPECT_EQ(run.code, 3) << command;
    EXPECT_LT(run.ms, 300 + 700) << command;
  }
}

TEST_F(VorkactlTest, RefusedWriteIsNamed) {
  std::ofstream(File("some.vorka").toStdString()) << "HiLimitY = 250\nOUT2 = Laser\n";
  unit_.SetReplyOverride("EFW24,250", "1");
  const Run run = Ctl({QStringLiteral("write"), File("some.vorka")});
  EXPECT_EQ(run.code, 4);
  EXPECT_NE(run.err.find("the unit refused: HiLimitY"), std::string::npos) << run.err;
  EXPECT_EQ(Writes(), (Commands{"!0EW02,01", "!0EFW24,250"}));  // the file's registers only

  // Accepted, but the unit reads back another value.
  unit_.ClearReplyOverrides();
  unit_.SetReplyOverride("EFR24", "0,999");
  const Run back = Ctl({QStringLiteral("write"), File("some.vorka")});
  EXPECT_EQ(back.code, 4);
  EXPECT_NE(back.err.find("not verified, the unit holds other values for: HiLimitY"), std::string::npos)
      << back.err;
}

// Noise on the line through every command that reads or writes the unit: the unit's own values
// after one more read, or exit 6 on one line with nothing written, no backup and no file.
TEST_F(VorkactlTest, RepliesOutOfStepAreNeverTakenForAValue) {
  std::ofstream(File("two.vorka").toStdString()) << "HiLimitX = 500\nHiLimitY = 500\n";
  struct Case {
    const char* name;
    std::function<void(VirtualUnit&)> fault;
    QStringList arguments;
    int code;
    const char* said;  // on standard error, or in the file read
  };
  const QString out = File("out.vorka");
  const Case cases[] = {
      {"read, once twice",
       [](VirtualUnit& u) { u.SetAnswerTwice("EFR20", 0, 1); },
       {QStringLiteral("read"), QStringLiteral("-o"), out},
       0,
       "HiLimitY = 240\n"},
      {"read, a stray CR once",
       [](VirtualUnit& u) { u.SetStrayCr("EFR30", 4, 1); },
       {QStringLiteral("read"), QStringLiteral("-o"), out},
       0,
       "GearX = 640\n"},
      {"read, always twice",
       [](VirtualUnit& u) { u.SetAnswerTwice("EFR20", 0, -1); },
       {QStringLiteral("read"), QStringLiteral("-o"), out},
       6,
       "out of step with the commands (noise on the line?)"},
      {"diff, always a stray CR",
       [](VirtualUnit& u) { u.SetStrayCr("EFR30", 4, -1); },
       {QStringLiteral("diff"), File("two.vorka")},
       6,
       "out of step"},
      {"identify, ? always twice",
       [](VirtualUnit& u) { u.SetAnswerTwice("?", 0, -1); },
       {QStringLiteral("identify")},
       6,
       "out of step"},
      {"backups, Q always twice",
       [](VirtualUnit& u) { u.SetAnswerTwice("Q", 0, -1); },
       {QStringLiteral("backups")},
       6,
       "out of step"},
      {"write, the read before always twice",
       [](VirtualUnit& u) { u.SetAnswerTwice("EFR20", 0, -1); },
       {QStringLiteral("write"), File("two.vorka")},
       6,
       "out of step with the commands (noise on the line?); nothing was sent"},
      {"write, a write acknowledged twice",
       [](VirtualUnit& u) { u.SetAnswerTwice("EFW20,500", 0, 1); },
       {QStringLiteral("write"), File("two.vorka")},
       6,
       "the write stopped at write 1 of 2 and the unit was read again; it holds other values for: HiLimitY; "
       "its settings before are in "},
      {"write, acknowledged and not kept",
       [](VirtualUnit& u) { u.SetWriteStoredAs("24", ""); },
       {QStringLiteral("write"), File("two.vorka")},
       4,
       "not verified, the unit holds other values for: HiLimitY"},
      // Bytes that are no text, in front of a reply: the repeat cleans them, and no file holds them.
      {"read, a 0xFF before StartNum once",
       [](VirtualUnit& u) { u.SetNoise("ER07", "\xFF", 1); },
       {QStringLiteral("read"), QStringLiteral("-o"), out},
       0,
       "StartNum = INT 5\n"},
      {"read, a NUL before HiLimitY once",
       [](VirtualUnit& u) { u.SetNoise("EFR24", std::string(1, '\0'), 1); },
       {QStringLiteral("read"), QStringLiteral("-o"), out},
       0,
       "HiLimitY = 240\n"},
      {"read, a NUL before a copy of GearX",
       [](VirtualUnit& u) {
         u.SetNoise("EFR30", std::string(1, '\0'), 1);
         u.SetAnswerTwice("EFR30", 0, 1);
       },
       {QStringLiteral("read"), QStringLiteral("-o"), out},
       0,
       "GearX = 640\n"},
      {"read, always a 0xFF before StartNum",
       [](VirtualUnit& u) { u.SetNoise("ER07", "\xFF", -1); },
       {QStringLiteral("read"), QStringLiteral("-o"), out},
       6,
       "out of step with the commands (noise on the line?)"},
      {"write, the read before with a 0xFF before StartNum once",
       [](VirtualUnit& u) { u.SetNoise("ER07", "\xFF", 1); },
       {QStringLiteral("write"), File("two.vorka")},
       0,
       ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    QDir(BackupStore::DefaultFolder()).removeRecursively();
    QFile::remove(out);
    unit_.ResetRegisters();
    unit_.ClearReplyOverrides();
    unit_.SetTextRegister("24", "240");
    unit_.SetTextRegister("30", "640");
    unit_.SetByteRegister("07", 0x05);  // StartNum: INT 5
    c.fault(unit_);
    unit_.ClearReceived();
    const Run run = Ctl(c.arguments);
    EXPECT_EQ(run.code, c.code) << run.err;
    const std::string said =
        c.code == 0 && c.arguments.front() == QStringLiteral("read") ? Slurp(out) : run.err;
    EXPECT_NE(said.find(c.said), std::string::npos) << said;
    // Nothing the unit sent as noise reaches a file or a backup.
    for (const std::string& kept :
         {Slurp(out), TestBackups().List().empty()
                          ? std::string()
                          : Slurp(QString::fromStdString(TestBackups().List().front().path))})
      EXPECT_EQ(kept.find_first_of(std::string("\xFF\0", 2)), std::string::npos) << kept;
    if (c.code == 6 && !std::string(c.name).starts_with("write, a write")) {
      EXPECT_TRUE(Writes().empty());
      EXPECT_TRUE(TestBackups().List().empty());
      EXPECT_FALSE(QFile::exists(out));
    }
  }
}

// Two faults in one read (a late copy of GearX's reply, then a reply lost a few commands later)
// shift every value between them, and each reply still fits its command: only another reading shows
// it. A backup and a plan of writes come from a reading confirmed by another, never from that one.
TEST_F(VorkactlTest, TwoFaultsInOneReadNeverBecomeTheBackup) {
  DistinctiveRegisters();
  TwoFaultsInTheNextRead();
  std::ofstream(File("limit.vorka").toStdString()) << "HiLimitX = 500\n";
  unit_.ClearReceived();
  const Run run = Ctl({QStringLiteral("write"), File("limit.vorka")});
  unit_.SetDelayMs(0);
  if (run.code != 0) {
    // On a busy machine the copy can come within its own reply's watch: the read runs again on a
    // quiet line and meets the silence. The unit did not answer: nothing kept, nothing written.
    EXPECT_EQ(run.code, 3) << run.err;
    EXPECT_TRUE(TestBackups().List("VK12345").empty());
    EXPECT_TRUE(Writes().empty());
    return;
  }
  const std::vector<Backup> kept = TestBackups().List("VK12345");
  ASSERT_EQ(kept.size(), 1u);
  EXPECT_TRUE(kept[0].settings.Get("GearY").value_or("").starts_with("200.5"))
      << *kept[0].settings.Get("GearY");
  EXPECT_EQ(kept[0].settings.Get("MpgAcc").value_or(""), "500");
  EXPECT_EQ(*unit_.TextRegister("34"), "200.500000");  // nothing written but the file's
}

// One test on the program's own timing (the others set a watch of their own): a unit answering
// 60 ms after each command that sends the last reply of the read again 5 ms later. A copy of an
// earlier reply would shift every value after it, and the last reply would then come after the
// script: the watch after the last reply, as long as the replies took, sees it, and the read runs
// again (the unit hears it twice); a fixed short watch would not, and the values would be kept.
TEST_F(VorkactlTest, TheWatchAfterAReadFollowsTheUnitsPace) {
  DistinctiveRegisters();
  unit_.SetDelayMs(60);
  unit_.SetAnswerTwice(BuildReadScript(true).back(), 5, 1);
  unit_.ClearReceived();
  const Run run = Ctl({QStringLiteral("read"), QStringLiteral("-o"), File("paced.vorka")});
  unit_.SetDelayMs(0);
  EXPECT_EQ(run.code, 0) << run.err;
  const auto received = Received();
  EXPECT_EQ(std::count(received.begin(), received.end(), "!0" + BuildReadScript(true).front()), 2);
  EXPECT_NE(Slurp(File("paced.vorka")).find("AxisLink = Y => A\n"), std::string::npos);
}

// A register the write did not touch that holds another value after it is no verified write.
TEST_F(VorkactlTest, ARegisterTheWriteDidNotTouchIsVerifiedToo) {
  std::ofstream(File("limit.vorka").toStdString()) << "HiLimitX = 500\n";
  unit_.SetWriteAlsoChanges("20", "24", "2500");
  const Run run = Ctl({QStringLiteral("write"), File("limit.vorka")});
  EXPECT_EQ(run.code, 4) << run.err;
  EXPECT_NE(run.err.find("not verified, the unit holds other values for: HiLimitY"), std::string::npos)
      << run.err;
}

// The reply forms the protocol allows beside the usual ones, and noise before the identifier.
TEST_F(VorkactlTest, RepliesOfEveryFormTheProtocolAllowsAreTaken) {
  std::ofstream(File("limit.vorka").toStdString()) << "HiLimitX = 500\n";
  unit_.SetWriteAcknowledgement("0,OK");
  const Run write = Ctl({QStringLiteral("write"), File("limit.vorka")});
  EXPECT_EQ(write.code, 0) << write.err;
  EXPECT_EQ(*unit_.TextRegister("20"), "500");
  unit_.SetNoise("Q", "\xFF", 1);
  const Run identify = Ctl({QStringLiteral("identify")});
  EXPECT_EQ(identify.code, 0) << identify.err;
  EXPECT_NE(identify.out.find("VK12345"), std::string::npos) << identify.out;
  unit_.SetShortInputReplies(true);
  unit_.SetInputWord(0x0205);  // "0,5" and "0,2"
  const Run monitor = Ctl({QStringLiteral("monitor"), QStringLiteral("--duration"), QStringLiteral("0.5")});
  EXPECT_EQ(monitor.code, 0) << monitor.err;
  EXPECT_NE(monitor.out.find("input 0 (RefX) 1"), std::string::npos) << monitor.out;
  EXPECT_NE(monitor.out.find("input 2 (RefZ) 1"), std::string::npos) << monitor.out;
  EXPECT_EQ(monitor.out.find("no reply"), std::string::npos) << monitor.out;
}

// A number is verified by its exact value: a unit that keeps 1.234568 for 1.23456789 holds
// another number.
TEST_F(VorkactlTest, AWriteIsVerifiedToTheLastDigit) {
  std::ofstream(File("gear.vorka").toStdString()) << "GearX = 1.23456789\n";
  unit_.SetWriteStoredAs("30", "1.234568");
  const Run run = Ctl({QStringLiteral("write"), File("gear.vorka")});
  EXPECT_EQ(run.code, 4) << run.err;
  EXPECT_NE(run.err.find("not verified, the unit holds other values for: GearX"), std::string::npos)
      << run.err;
  unit_.SetWriteStoredAs("30", std::nullopt);
  const Run again = Ctl({QStringLiteral("write"), File("gear.vorka")});
  EXPECT_EQ(again.code, 0) << again.err;
  EXPECT_NE(again.err.find("written and verified: 1 register;"), std::string::npos) << again.err;
}

TEST_F(VorkactlTest, FilesAndPortsThatDoNotServeSendNothing) {
  std::ofstream(File("broken.vorka").toStdString()) << "OUT1 = Laser\nHiLimitX = 0\n";
  Run run = Ctl({QStringLiteral("write"), File("broken.vorka")});
  EXPECT_EQ(run.code, 5);
  EXPECT_NE(run.err.find("line 2: value \"0\" is not allowed for \"HiLimitX\""), std::string::npos)
      << run.err;
  EXPECT_TRUE(Received().empty());

  run = Ctl({QStringLiteral("--port"), QStringLiteral("/nonexistent/tty"), QStringLiteral("identify")});
  EXPECT_EQ(run.code, 3);
  EXPECT_NE(run.err.find("cannot open /nonexistent/tty"), std::string::npos) << run.err;

  unit_.SetMpg(false);
  ASSERT_EQ(Ctl({QStringLiteral("defaults"), QStringLiteral("-o"), File("full.vorka")}).code, 0);
  run = Ctl({QStringLiteral("write"), File("full.vorka")});
  EXPECT_EQ(run.code, 4);
  EXPECT_NE(run.err.find("no MPG firmware"), std::string::npos) << run.err;
  EXPECT_EQ(Received(), (Commands{"!0Q", "!0?"}));
}

TEST_F(VorkactlTest, UsageErrorsAndHelp) {
  const QStringList wrong[] = {{},
                               {QStringLiteral("fly")},
                               {QStringLiteral("write")},
                               {QStringLiteral("--baud"), QStringLiteral("9600"), QStringLiteral("identify")},
                               {QStringLiteral("--timeout"), QStringLiteral("x"), QStringLiteral("identify")},
                               {QStringLiteral("identify"), QStringLiteral("-o"), QStringLiteral("f")},
                               {QStringLiteral("--bogus"), QStringLiteral("identify")}};
  for (const QStringList& arguments : wrong)
    EXPECT_EQ(Ctl(arguments).code, 2) << arguments.join(u' ').toStdString();
  const Run help = Ctl({QStringLiteral("--help")});
  EXPECT_EQ(help.code, 0);
  for (const char* word :
       {"ports", "identify", "read [-o FILE]", "write FILE", "diff FILE", "defaults [-o FILE]", "reset",
        "monitor", "--port P", "--baud N", "--timeout MS", "5  file error"})
    EXPECT_NE(help.out.find(word), std::string::npos) << word;
  // Each line fits an 80-column console (which wraps at the 80th character).
  std::istringstream lines(help.out);
  for (std::string line; std::getline(lines, line);) EXPECT_LE(line.size(), 79u) << line;
  EXPECT_TRUE(Received().empty());
}

TEST_F(VorkactlTest, MonitorPrintsEachChangeUntilInterrupted) {
  QProcess process;
  process.start(QStringLiteral(VORKACTL_PATH), {QStringLiteral("monitor")});
  ASSERT_TRUE(process.waitForStarted());
  QTest::qWait(200);
  unit_.SetInputWord(0x0004);  // input 2 on for one poll or more
  QTest::qWait(60);
  unit_.SetInputWord(0x0000);
  QTest::qWait(150);
  process.terminate();
  ASSERT_TRUE(process.waitForFinished(3000));
  EXPECT_EQ(process.exitCode(), 0);
  const QString out = QString::fromUtf8(process.readAllStandardOutput());
  const QStringList lines = out.split(u'\n', Qt::SkipEmptyParts);
  // Every input's level once, within the first poll (a wire that never changes shows too), then
  // the changes.
  ASSERT_EQ(lines.size(), 12) << out.toStdString();
  const char* const levels[] = {" input 0 (RefX) 0",   " input 1 (RefY) 0", " input 2 (RefZ) 0",
                                " input 3 0",          " input 4 0",        " input 5 0",
                                " input 6 0",          " input 7 0",        " input 14 (Tl.Sens) 0",
                                " input 15 (Sensor) 0"};
  for (int i = 0; i < 10; ++i)
    EXPECT_TRUE(lines[i].endsWith(QString::fromLatin1(levels[i]))) << out.toStdString();
  EXPECT_TRUE(lines[10].endsWith(QStringLiteral(" input 2 (RefZ) 0 -> 1"))) << out.toStdString();
  EXPECT_TRUE(lines[11].endsWith(QStringLiteral(" input 2 (RefZ) 1 -> 0"))) << out.toStdString();
  EXPECT_TRUE(
      QRegularExpression(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d\\.\\d\\d\\d ")).match(lines[0]).hasMatch());
}

TEST_F(VorkactlTest, ScanPrintsOneLinePerUnitAndSaysWhenNoneAnswers) {
  ScanPorts ports(1);  // and the fixture's unit on COM1
  ports.first.SetLineSpeed(38400);
  // A third unit on a port no COM name reaches, as a USB adapter on COM12 is on Windows.
  VirtualUnit beyondUnit{{"VK00012", " v2.4", true, 300}};
  PtyServer beyondServer(beyondUnit);
  ASSERT_TRUE(beyondServer.Start());
  const std::string beyond = ports.AddDevice("ttyUSB0", beyondServer.SlavePath());
  Run run = Ctl({QStringLiteral("scan")});
  EXPECT_EQ(run.code, 0) << run.err;
  EXPECT_EQ(run.out,
            "COM1\t115200\tVK12345\tTK20MPG v2.4\nCOM2\t38400\tVK00001\tTK20MPG "
            "v2.4\nCOM5\t115200\tVK00002\tTK20 v1.9\n" +
                beyond + "\t115200\tVK00012\tTK20MPG v2.4\n");
  beyondServer.Stop();

  run = Ctl({QStringLiteral("ports")});
  EXPECT_NE(run.out.find("COM3\t" + ports.silentPath + "\n"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("COM4\t/nonexistent/vorka-com4\tno device\n"), std::string::npos) << run.out;

  unit_.SetSilent(true);
  ports.first.SetSilent(true);
  ports.second.SetSilent(true);
  run = Ctl({QStringLiteral("scan")});
  EXPECT_EQ(run.code, 3);
  EXPECT_EQ(run.out, "");
  EXPECT_NE(run.err.find("no VORKA unit answers on any port"), std::string::npos) << run.err;
}

// Whether nobody may run the tool from where it was built (a checkout under /root is out of reach).
bool NobodyReachesTheTool() {
  const pid_t child = ::fork();
  if (child == 0) {
    if (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(2);
    ::_exit(::access(VORKACTL_PATH, X_OK) == 0 ? 0 : 1);
  }
  int status = 0;
  return ::waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// The advice for a node this user may not open: join its group where that group may read and
// write it, otherwise only its owner may open it.
std::string PermissionAdvice(const std::string& device) {
  struct stat node {};
  ::stat(device.c_str(), &node);
  if ((node.st_mode & (S_IRGRP | S_IWGRP)) != (S_IRGRP | S_IWGRP))
    return "only its owner (" + std::string(::getpwuid(node.st_uid)->pw_name) + ") may open it";
  return "join the group with `sudo usermod -aG " + std::string(::getgrgid(node.st_gid)->gr_name) +
         " $USER`, then log in again";
}

TEST_F(VorkactlTest, PermissionDeniedNamesTheGroupOfTheDeviceNode) {
  const std::string device = server_->SlavePath();
  const bool root = ::geteuid() == 0;
  // As root every node opens: the tool runs as nobody, whom the node refuses.
  if (root && !NobodyReachesTheTool())
    GTEST_SKIP() << "nobody cannot reach the build tree at " << VORKACTL_PATH;
  struct stat node {};
  ASSERT_EQ(::stat(device.c_str(), &node), 0);
  if (!root) {
    ASSERT_EQ(::chmod(device.c_str(), 0), 0);
  }
  const std::string advice = PermissionAdvice(device);
  const Run run =
      Ctl({QStringLiteral("--port"), QString::fromStdString(device), QStringLiteral("identify")}, root);
  if (!root) ::chmod(device.c_str(), node.st_mode & 07777);
  EXPECT_EQ(run.code, 3) << run.err;
  EXPECT_NE(run.err.find("cannot open " + device + ": permission denied; " + advice), std::string::npos)
      << run.err;
  EXPECT_TRUE(Received().empty());
}

// The reasons the window's search gives for COM1, as the user this process runs as.
std::string SearchReasons() {
  std::vector<OpenFailure> unopened;
  ScanForUnits(ScanTargets({}), 115200, &unopened);
  std::string told;
  for (const OpenFailure& failure : unopened)
    if (failure.port == "COM1")
      told += std::to_string(static_cast<int>(failure.kind)) + "|" + CzechReason(failure) + "|" +
              EnglishText(failure) + "\n";
  return told;
}

// Run by the test below as another user, in a process of its own.
const ChildEntry kSearchReasonsAsThisUser("search-reasons", [] {
  std::printf("<<%s>>\n", SearchReasons().c_str());
  return 0;
});

// The window's search and vorkactl scan tell the same reason for a port this user may not open,
// and it is the permission, not "in use".
TEST_F(VorkactlTest, TheSearchAndScanTellThePermissionAlike) {
  const bool root = ::geteuid() == 0;
  if (root && !NobodyReachesTheTool())
    GTEST_SKIP() << "nobody cannot reach the build tree at " << VORKACTL_PATH;
  ScanPorts ports(1);
  const std::string device = server_->SlavePath();
  struct stat node {};
  ASSERT_EQ(::stat(device.c_str(), &node), 0);
  if (!root) {
    ASSERT_EQ(::chmod(device.c_str(), 0), 0);
  }

  // The search as the window runs it, as the same user as vorkactl: as root, this test program
  // runs it again as nobody (a fresh process: a fork of this one may hang on a lock a thread held).
  std::string search;
  if (!root) {
    search = SearchReasons();
  } else {
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("VORKA_TEST_CHILD"), QStringLiteral("search-reasons"));
    child.setProcessEnvironment(environment);
    child.setChildProcessModifier([] {
      if (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(99);
    });
    child.start(QCoreApplication::applicationFilePath(), {});
    ASSERT_TRUE(child.waitForFinished(30000));
    const QString out = QString::fromUtf8(child.readAllStandardOutput());
    const auto begin = out.indexOf(QStringLiteral("<<")), end = out.indexOf(QStringLiteral(">>"));
    ASSERT_TRUE(begin >= 0 && end > begin) << out.toStdString();
    search = out.mid(begin + 2, end - begin - 2).toStdString();
  }
  const Run scan = Ctl({QStringLiteral("scan")}, root);
  if (!root) ::chmod(device.c_str(), node.st_mode & 07777);

  const std::string english =
      "cannot open COM1 (" + device + "): permission denied; " + PermissionAdvice(device);
  EXPECT_EQ(search.substr(0, 2), std::to_string(static_cast<int>(OpenFailure::Kind::PermissionDenied)) + "|");
  EXPECT_NE(search.find("|přístup odepřen ("), std::string::npos) << search;
  EXPECT_NE(search.find("|" + english + "\n"), std::string::npos) << search;
  EXPECT_NE(scan.err.find("vorkactl: " + english + "; not searched"), std::string::npos) << scan.err;
}

}  // namespace

namespace {

// A file-size limit in the child: the disk is full for it alone.
void FullDisk() {
  std::signal(SIGXFSZ, SIG_IGN);
  const rlimit limit{100, 100};
  ::setrlimit(RLIMIT_FSIZE, &limit);
}

TEST_F(VorkactlTest, ASubsetFileChangesOnlyItsOwnSettings) {
  // Values the window does not know or would correct, everywhere around the file's settings.
  DistinctiveRegisters();
  unit_.SetByteRegister("01", 0x07);  // no output function has code 07
  unit_.SetByteRegister("05", 0x1F);  // outside E0 ... FF
  unit_.SetByteRegister("09", 0x7F);  // inputs 8 to 13, which the window does not show
  unit_.SetTextRegister("48", "5000");
  unit_.SetTextRegister("10", "-120.5");
  ASSERT_EQ(Ctl({QStringLiteral("read"), QStringLiteral("-o"), File("unit.vorka")}).code, 0);
  // A subset of that file, partly changed.
  std::string subset;
  std::istringstream lines(Slurp(File("unit.vorka")));
  for (std::string line; std::getline(lines, line);)
    if (line.starts_with("OUT3 =") || line.starts_with("Povoleno.14 =")) subset += line + "\n";
  subset += "OUT2 = Laser\nXAxisPolarity = Záporná\nHiLimitY = 2500\nPovoleno.3 = 1\nPovoleno.15 = 1\n";
  std::ofstream(File("subset.vorka").toStdString()) << subset;
  auto expected = Registers();
  unit_.ClearReceived();

  const Run run = Ctl({QStringLiteral("write"), File("subset.vorka")});
  EXPECT_EQ(run.code, 0) << run.err;
  EXPECT_EQ(Writes(),
            (Commands{"!0EW02,01", "!0EW03,05", "!0EW05,1E", "!0EFW24,2500", "!0EW08,89", "!0EW09,FF"}));
  expected["02"] = "1";
  expected["05"] = std::to_string(0x1E);
  expected["24"] = "2500";
  expected["08"] = std::to_string(0x89);
  expected["09"] = std::to_string(0xFF);
  EXPECT_EQ(Registers(), expected);  // every other register, and every other bit, as it was
}

TEST_F(VorkactlTest, AValueTheWindowCannotShowEqualsNothingInAFile) {
  struct Case {
    const char* what;
    std::function<void(VirtualUnit&)> unit;
    const char* file;
    const char* command;
    int code;
    const char* out;  // diff's line, or a fragment of the message
  };
  const Case cases[] = {
      {"an unknown code", [](VirtualUnit& u) { u.SetReplyOverride("ER01", "0,07"); }, "OUT1 = Nepoužito\n",
       "diff", 1, "OUT1\tNepoužito\t? (0,07)\n"},
      {"an unknown code after the write", [](VirtualUnit& u) { u.SetReplyOverride("ER01", "0,07"); },
       "OUT1 = Nepoužito\n", "write", 4, "not verified, the unit holds other values for: OUT1"},
      {"a polarity byte outside E0-FF", [](VirtualUnit& u) { u.SetByteRegister("05", 0x12); },
       "XAxisPolarity = Kladná\n", "diff", 1, "XAxisPolarity\tKladná\t? (0,12)\n"},
      {"a number outside the range", [](VirtualUnit& u) { u.SetTextRegister("48", "5000"); },
       "TimeOver = 2000\n", "diff", 1, "TimeOver\t2000\t? (0,5000)\n"},
      {"the same value spelt otherwise", [](VirtualUnit& u) { u.SetTextRegister("48", "100.000000"); },
       "TimeOver = 0x64\n", "diff", 0, ""},
      {"a reply that does not parse, which the write repairs but the unit keeps answering",
       [](VirtualUnit& u) { u.SetReplyOverride("ER01", "1"); }, "OUT1 = Laser\n", "write", 4,
       "not verified, the unit holds other values for: OUT1"},
  };
  for (const Case& c : cases) {
    unit_.ResetRegisters();
    unit_.ClearReplyOverrides();
    c.unit(unit_);
    std::ofstream(File("case.vorka").toStdString()) << c.file;
    unit_.ClearReceived();
    const Run run = Ctl({QString::fromLatin1(c.command), File("case.vorka")});
    EXPECT_EQ(run.code, c.code) << c.what << ": " << run.err;
    if (std::string(c.command) == "diff")
      EXPECT_EQ(run.out, c.out) << c.what;
    else
      EXPECT_NE(run.err.find(c.out), std::string::npos) << c.what << ": " << run.err;
  }
  EXPECT_EQ(Writes(), Commands{"!0EW01,01"});  // a register that does not parse blocks no repair
}

TEST_F(VorkactlTest, AWriteCutShortAndARefusedResetSaySo) {
  std::ofstream(File("three.vorka").toStdString()) << "OUT1 = Laser\nOUT2 = Laser\nOUT3 = Laser\n";
  unit_.SetSilentOnNth(2 + 29 + 29 + 2);  // identification, the confirmed read, then the second write
  Run run =
      Ctl({QStringLiteral("--timeout"), QStringLiteral("300"), QStringLiteral("write"), File("three.vorka")});
  EXPECT_EQ(run.code, 3);
  EXPECT_TRUE(WithoutChangeLines(run.err).starts_with(
      "vorkactl: the unit stopped answering after acknowledging 1 of 3 writes; it may now hold part of the "
      "file; its settings before are in /"))
      << run.err;

  struct Case {
    const char* reply;  // to "j"; nullptr: the unit restarts without a word
    int code;
  };
  for (const Case& c : {Case{"1", 4}, Case{"0", 0}, Case{nullptr, 0}}) {
    unit_.ClearReplyOverrides();
    if (c.reply) unit_.SetReplyOverride("j", c.reply);
    run = Ctl({QStringLiteral("--timeout"), QStringLiteral("300"), QStringLiteral("reset")});
    EXPECT_EQ(run.code, c.code) << (c.reply ? c.reply : "silent") << ": " << run.err;
  }
  EXPECT_NE(run.err.find("reset sent"), std::string::npos);
}

TEST_F(VorkactlTest, FileAndOutputFaultsAreNamedAndKeepTheOldFile) {
  const std::string old = "# kept\nOUT1 = Laser\n";
  std::ofstream(File("keep.vorka").toStdString()) << old;
  std::ofstream(File("empty.vorka").toStdString()) << "# nothing\n";
  std::ofstream(File("names.vorka").toStdString()) << "Jmeno.0 = Start\n";
  std::ofstream(File("escape.vorka").toStdString()) << "OUT1 = \x1b[31mLaser\n";
  std::ofstream(File("long.vorka").toStdString()) << "OUT1 = " << std::string(1000, 'L') << "\n";
  struct Case {
    QStringList arguments;
    std::function<void()> inChild;
    QString output;
    const char* told;
  };
  const auto defaults = QStringList{QStringLiteral("defaults")};
  const Case cases[] = {
      {{QStringLiteral("defaults"), QStringLiteral("-o"), File("keep.vorka")},
       FullDisk,
       {},
       "file too large"},
      {defaults,
       {},
       QStringLiteral("/dev/full"),
       "cannot write to standard output: no space left on the disk"},
      {defaults, [] { ::close(1); }, {}, "cannot write to standard output: not open for writing"},
      {defaults, FullDisk, File("out.vorka"), "cannot write to standard output: file too large"},
      {{QStringLiteral("write"), File("empty.vorka")}, {}, {}, "the file holds no settings"},
      {{QStringLiteral("diff"), File("empty.vorka")}, {}, {}, "the file holds no settings"},
      {{QStringLiteral("write"), File("names.vorka")}, {}, {}, "holds only input names"},
      {{QStringLiteral("write"), File("escape.vorka")}, {}, {}, "value \"\\x1B[31mLaser\" is not allowed"},
      {{QStringLiteral("write"), File("long.vorka")},
       {},
       {},
       "value \"LLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLL…\""},
  };
  for (const Case& c : cases) {
    const Run run = CtlWith(c.arguments, c.inChild, c.output);
    const std::string call = c.arguments.join(u' ').toStdString();
    EXPECT_EQ(run.code, 5) << call << ": " << run.err;
    EXPECT_NE(run.err.find(c.told), std::string::npos) << call << ": " << run.err;
    EXPECT_EQ(run.err.find('\x1b'), std::string::npos) << call;
    EXPECT_LT(run.err.size(), 200u) << call;
  }
  EXPECT_EQ(Slurp(File("keep.vorka")), old);
  EXPECT_TRUE(Received().empty());
}

TEST_F(VorkactlTest, CtrlCWhileAReplyIsAwaitedEndsTheMonitorWithZero) {
  QProcess process;
  process.start(QStringLiteral(VORKACTL_PATH), {QStringLiteral("monitor")});
  ASSERT_TRUE(process.waitForStarted());
  QTest::qWait(300);
  unit_.SetDelayMs(500);  // from now on the monitor spends its time waiting for replies
  QTest::qWait(700);
  ::kill(static_cast<pid_t>(process.processId()), SIGINT);
  ASSERT_TRUE(process.waitForFinished(3000));
  EXPECT_EQ(process.exitCode(), 0);
  EXPECT_EQ(process.readAllStandardError().toStdString(), "");
}

}  // namespace

namespace {

TEST_F(VorkactlTest, WriteKeepsABackupFirstAndBackupsListsThem) {
  QDir(BackupStore::DefaultFolder()).removeRecursively();
  std::ofstream(File("one.vorka").toStdString()) << "OUT1 = Laser\n";
  unit_.SetByteRegister("01", 0x07);
  ASSERT_EQ(Ctl({QStringLiteral("write"), QStringLiteral("--no-backup"), File("one.vorka")}).code, 0);
  EXPECT_EQ(Ctl({QStringLiteral("backups")}).out, "");
  unit_.SetByteRegister("01", 0x07);
  ASSERT_EQ(Ctl({QStringLiteral("write"), File("one.vorka")}).code, 0);
  const Run listed = Ctl({QStringLiteral("backups")});
  EXPECT_EQ(listed.code, 0);
  const QStringList columns = QString::fromStdString(listed.out).trimmed().split(u'\t');
  ASSERT_EQ(columns.size(), 4) << listed.out;
  EXPECT_EQ(columns[1], QStringLiteral("VK12345"));
  EXPECT_EQ(columns[2], QStringLiteral("TK20MPG v2.4"));
  EXPECT_EQ(Ctl({QStringLiteral("backups"), QStringLiteral("--all")}).out, listed.out);
  // The backup puts back the code the window does not know.
  EXPECT_EQ(Ctl({QStringLiteral("write"), columns[3]}).code, 0);
  EXPECT_EQ(unit_.ByteRegister("01"), 0x07);
  for (const QStringList& wrong : {QStringList{QStringLiteral("read"), QStringLiteral("--all")},
                                   QStringList{QStringLiteral("read"), QStringLiteral("--no-backup")}})
    EXPECT_EQ(Ctl(wrong).code, 2);
}

}  // namespace

namespace {

// vorkactl as its users script it: - for standard input and output, --version, help.
TEST_F(VorkactlTest, OneUnitCopiedOntoAnotherThroughAPipe) {
  ScanPorts ports(1);
  DistinctiveRegisters();
  ports.first.SetByteRegister("01", 0x01);
  QProcess reader, writer;
  reader.setStandardOutputProcess(&writer);
  reader.start(QStringLiteral(VORKACTL_PATH),
               {QStringLiteral("read"), QStringLiteral("-o"), QStringLiteral("-")});
  writer.start(QStringLiteral(VORKACTL_PATH), {QStringLiteral("--port"), QStringLiteral("COM2"),
                                               QStringLiteral("write"), QStringLiteral("-")});
  ASSERT_TRUE(reader.waitForFinished(20000));
  ASSERT_TRUE(writer.waitForFinished(20000));
  EXPECT_EQ(reader.exitCode(), 0) << reader.readAllStandardError().toStdString();
  EXPECT_EQ(writer.exitCode(), 0) << writer.readAllStandardError().toStdString();
  EXPECT_EQ(ports.first.ByteRegister("01"), unit_.ByteRegister("01"));
  EXPECT_EQ(ports.first.TextRegister("30"), unit_.TextRegister("30"));
  EXPECT_EQ(ports.first.ByteRegister("08"), unit_.ByteRegister("08"));

  QProcess diff;
  diff.start(QStringLiteral(VORKACTL_PATH), {QStringLiteral("diff"), QStringLiteral("-")});
  diff.write("OUT1 = Laser\n");
  diff.closeWriteChannel();
  ASSERT_TRUE(diff.waitForFinished(20000));
  EXPECT_EQ(diff.exitCode(), 1);
  EXPECT_EQ(diff.readAllStandardOutput().toStdString(), "OUT1\tLaser\tSignalizace přerušení\n");

  EXPECT_EQ(Ctl({QStringLiteral("--version")}).out, "vorkactl 1.3\n");
  EXPECT_EQ(Ctl({QStringLiteral("help")}).out, Ctl({QStringLiteral("--help")}).out);
  EXPECT_FALSE(QFileInfo::exists(QStringLiteral("-")));
}

// Every failure is one line, starting "vorkactl:".
TEST_F(VorkactlTest, EveryFailureIsOneLine) {
  std::ofstream(File("broken.vorka").toStdString()) << "OUT1 = Laser\nHiLimitX = 0\n";
  std::ofstream(File("one.vorka").toStdString()) << "OUT1 = Laser\n";
  struct Case {
    QStringList arguments;
    std::function<void()> unit;
    const char* says;
  };
  const Case cases[] = {
      {{QStringLiteral("--prot"), QStringLiteral("COM1"), QStringLiteral("identify")},
       {},
       "unknown option '--prot'"},
      {{QStringLiteral("fly")}, {}, "unknown command"},
      {{QStringLiteral("--port"), QStringLiteral("/nonexistent/tty"), QStringLiteral("identify")},
       {},
       "no such device"},
      {{QStringLiteral("--port"), QStringLiteral("USB:NoSuchConverter"), QStringLiteral("identify")},
       {},
       "cannot open usb:NoSuchConverter"},
      {{QStringLiteral("--timeout"), QStringLiteral("200"), QStringLiteral("identify")},
       [this] { unit_.SetSilent(true); },
       "try another --baud, or find it with vorkactl scan"},
      {{QStringLiteral("--timeout"), QStringLiteral("200"), QStringLiteral("read")},
       [this] { unit_.SetSilentOnCommand("EFR30"); },
       "the unit did not answer"},
      {{QStringLiteral("--timeout"), QStringLiteral("200"), QStringLiteral("monitor")},
       [this] { unit_.SetSilentOnCommand("I1"); },
       "the unit was lost"},
      {{QStringLiteral("write"), File("broken.vorka")}, {}, "is not allowed for \"HiLimitX\""},
      {{QStringLiteral("diff"), File("broken.vorka")}, {}, "is not allowed for \"HiLimitX\""},
      {{QStringLiteral("write"), File("one.vorka")},
       [this] { unit_.SetReplyOverride("EW01,01", "1"); },
       "the unit refused: OUT1"},
  };
  for (const Case& c : cases) {
    unit_.SetSilent(false);
    unit_.SetSilentOnCommand("");
    unit_.ClearReplyOverrides();
    if (c.unit) c.unit();
    const Run run = Ctl(c.arguments);
    const std::string call = c.arguments.join(u' ').toStdString();
    EXPECT_NE(run.code, 0) << call;
    const std::string said = WithoutChangeLines(run.err);  // a write names what it changes first
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << call << ": " << run.err;
    EXPECT_EQ(said.rfind("vorkactl: ", 0), 0u) << call << ": " << run.err;
    EXPECT_NE(run.err.find(c.says), std::string::npos) << call << ": " << run.err;
    if (c.arguments.first() == QStringLiteral("diff")) {  // diff sends nothing anyway
      EXPECT_EQ(run.err.find("nothing was sent"), std::string::npos) << call;
    }
  }
}

}  // namespace

// A unit read one way everywhere: read, diff, write with its verification, and backups.
namespace {

// Every kind of unusual content at once: codes no item has, bits of inputs the grid does not
// show, a break delay beyond the window's range, exact and long numbers, numbers the window's
// fields cannot hold, and registers that do not parse.
void UnusualUnit(VirtualUnit& unit) {
  unit.SetByteRegister("01", 0x07);
  unit.SetByteRegister("05", 0x12);
  unit.SetByteRegister("09", 0x7F);
  unit.SetByteRegister("FD", 0x99);
  unit.SetTextRegister("10", "0.1234567890123");
  unit.SetTextRegister("30", "1.23456789");
  unit.SetTextRegister("34", "-2");
  unit.SetTextRegister("38", "7." + std::string(200, '5'));
  unit.SetTextRegister("48", "5000");
  unit.SetTextRegister("54", "nan");
  unit.SetReplyOverride("ER0C", "FF");
}

TEST_F(VorkactlTest, EveryUnusualContentRoundTripsThroughABackup) {
  QDir(BackupStore::DefaultFolder()).removeRecursively();
  DistinctiveRegisters();
  UnusualUnit(unit_);
  const auto held = Registers();
  const Run read = Ctl({QStringLiteral("read"), QStringLiteral("-o"), File("held.vorka")});
  ASSERT_EQ(read.code, 0) << read.err;
  const std::string file = Slurp(File("held.vorka"));
  for (const char* line :
       {"OUT1 = ? (0,07)\n", "XAxisPolarity = ? (0,12)\n", "Povoleno.14 = ? (0,7F)\n",
        "BreakDelay = ? (0,99)\n", "LoLimitX = ? (0,0.1234567890123)\n", "GearX = 1.23456789\n",
        "GearY = ? (0,-2)\n", "TimeOver = ? (0,5000)\n", "RefSpeedY = ? (0,nan)\n", "AxisLink = ? (FF)\n"})
    EXPECT_NE(file.find(line), std::string::npos) << line << file;
  // Each register the window cannot show is named once, not corrected.
  EXPECT_EQ(std::count(read.err.begin(), read.err.end(), '\n'), 9) << read.err;
  EXPECT_EQ(read.err.find("corrected"), std::string::npos);
  // diff sees what read wrote; the write of it verifies and changes nothing.
  EXPECT_EQ(Ctl({QStringLiteral("diff"), File("held.vorka")}).code, 0);
  unit_.ClearReceived();
  const Run same = Ctl({QStringLiteral("write"), File("held.vorka")});
  EXPECT_EQ(same.code, 0) << same.err;
  EXPECT_NE(same.err.find("left as the unit holds them, as the file asks: RefSpeedY, AxisLink"),
            std::string::npos)
      << same.err;
  EXPECT_EQ(Registers(), held);

  // The factory settings over every register a write can put back; the backup kept first puts
  // them back (the two that do not parse cannot be written, so they are left out here).
  std::string factory;
  std::istringstream lines(Ctl({QStringLiteral("defaults")}).out);
  for (std::string line; std::getline(lines, line);)
    if (!line.starts_with("AxisLink") && !line.starts_with("RefSpeedY")) factory += line + "\n";
  std::ofstream(File("factory.vorka").toStdString()) << factory;
  const Run over = Ctl({QStringLiteral("write"), File("factory.vorka")});
  EXPECT_EQ(over.code, 0) << over.err;
  ASSERT_NE(Registers(), held);
  const std::vector<Backup> backups = TestBackups().List("VK12345");
  ASSERT_FALSE(backups.empty());
  EXPECT_EQ(WriteSettingsText(backups.front().settings, {}),
            WriteSettingsText(*ParseSettingsText(file, SettingsReader::Unit).settings, {}));
  const Run restore = Ctl({QStringLiteral("write"), QString::fromStdString(backups.front().path)});
  EXPECT_EQ(restore.code, 0) << restore.err;
  EXPECT_EQ(Registers(), held);  // every register's text, to the letter
  EXPECT_EQ(Ctl({QStringLiteral("diff"), QString::fromStdString(backups.front().path)}).code, 0);
}

TEST_F(VorkactlTest, ALineThatWouldNotFitIsRefusedBeforeTheFirstWrite) {
  unit_.SetTextRegister("30", "1." + std::string(250, '0'));  // the longest reply a unit may give
  ASSERT_EQ(Ctl({QStringLiteral("read"), QStringLiteral("-o"), File("long.vorka")}).code, 0);
  unit_.ResetRegisters();
  unit_.ClearReceived();
  const Run run = Ctl({QStringLiteral("write"), File("long.vorka")});
  EXPECT_EQ(run.code, 4);
  EXPECT_NE(run.err.find("the value of GearX is too long for one line to the unit"), std::string::npos)
      << run.err;
  EXPECT_TRUE(Writes().empty());
  EXPECT_EQ(Ctl({QStringLiteral("identify")}).out, "identifier: VK12345\nfirmware: TK20MPG v2.4\nmpg: yes\n");
}

// A unit's text with a byte that is no printable text (a line feed, an escape sequence) is noise:
// it never reaches the terminal, a file or a backup, and nothing is written after it.
TEST_F(VorkactlTest, TheUnitsTextsWithControlBytesReachNothing) {
  const std::pair<const char*, const char*> replies[] = {
      {"Q", "0,VK1\nGearX = 7"}, {"Q", "0,\x1b[2JVK1"}, {"?", "0,TK20MPG v2.4\x1b]0;x\x07"}};
  std::ofstream(File("one.vorka").toStdString()) << "OUT1 = Laser\n";
  for (const auto& [command, reply] : replies) {
    SCOPED_TRACE(reply);
    QDir(BackupStore::DefaultFolder()).removeRecursively();
    unit_.ClearReplyOverrides();
    unit_.SetReplyOverride(command, reply);
    const Run identify = Ctl({QStringLiteral("identify")});
    EXPECT_EQ(identify.code, kExitOutOfStep) << identify.err;
    EXPECT_EQ(Ctl({QStringLiteral("write"), File("one.vorka")}).code, kExitOutOfStep);
    EXPECT_TRUE(Writes().empty());
    EXPECT_TRUE(TestBackups().List().empty());
    for (const std::string& out : {identify.out, identify.err})
      for (const char* text : {"\x1b", "\x07", "VK1", "GearX"})
        EXPECT_EQ(out.find(text), std::string::npos) << out;
  }
}

// A unit's own text that the protocol allows but that looks like something else (a settings line, a
// comment) goes into the listing, the file header and the backup as data.
TEST_F(VorkactlTest, TheUnitsOwnTextsAreEscapedWhereverTheyGo) {
  struct Case {
    const char* command;
    const char* reply;
    const char* shown;  // in identify's output
  };
  const Case cases[] = {
      {"Q", "0,VK1 # =", "identifier: VK1 # =\n"},
      {"?", "0,TK20MPG v2.4 # OUT1 = Laser", "firmware: TK20MPG v2.4 # OUT1 = Laser\n"},
  };
  std::ofstream(File("one.vorka").toStdString()) << "OUT1 = Laser\n";
  for (const Case& c : cases) {
    QDir(BackupStore::DefaultFolder()).removeRecursively();
    unit_.ResetRegisters();
    unit_.ClearReplyOverrides();
    unit_.SetReplyOverride(c.command, c.reply);
    const Run identify = Ctl({QStringLiteral("identify")});
    EXPECT_NE(identify.out.find(c.shown), std::string::npos) << c.reply << ": " << identify.out;
    ASSERT_EQ(Ctl({QStringLiteral("write"), File("one.vorka")}).code, 0) << c.reply;
    // The backup loads, is listed on one line, and puts the unit back.
    const Run listed = Ctl({QStringLiteral("backups")});
    EXPECT_EQ(std::count(listed.out.begin(), listed.out.end(), '\n'), 1) << c.reply << ": " << listed.out;
    for (const std::string& out : {identify.out, listed.out}) {
      EXPECT_EQ(out.find('\x1b'), std::string::npos) << c.reply;
      EXPECT_EQ(out.find('\x07'), std::string::npos) << c.reply;
    }
    const QString backup = QString::fromStdString(listed.out.substr(listed.out.rfind('\t') + 1)).trimmed();
    EXPECT_EQ(Ctl({QStringLiteral("write"), backup}).code, 0) << c.reply;
    EXPECT_EQ(unit_.ByteRegister("01"), 0x02) << c.reply;
  }
}

TEST_F(VorkactlTest, BackupsAreTheStoresOwnFilesInTheOrderTheyWereKept) {
  QDir(BackupStore::DefaultFolder()).removeRecursively();
  const QString folder = TestBackups().FolderOf("VK12345");
  QDir().mkpath(folder);
  // The operator's own copy of exactly what the unit holds, and a hundred backups made while the
  // clock was years ahead.
  const Run held = Ctl({QStringLiteral("read")});
  std::ofstream((folder + QStringLiteral("/pred-opravou.vorka")).toStdString()) << held.out;
  for (int n = 0; n < 100; ++n) {
    const QDateTime ahead = QDateTime(QDate(2031, 1, 1), QTime(0, 0), Qt::UTC).addSecs(n);
    std::ofstream((folder + u'/' + ahead.toString(QStringLiteral("yyyy-MM-dd_HH-mm-ss-zzz")) +
                   QStringLiteral("Z.vorka"))
                      .toStdString())
        << "# Záloha (UTC): " << ahead.toString(Qt::ISODateWithMs).toStdString() << "\nOUT1 = Laser\n";
  }
  std::ofstream(File("one.vorka").toStdString()) << "OUT1 = Laser\n";
  const Run write = Ctl({QStringLiteral("write"), File("one.vorka")});
  ASSERT_EQ(write.code, 0) << write.err;
  const auto at = write.err.find("; backup: ");
  ASSERT_NE(at, std::string::npos) << write.err;
  const QString kept = QString::fromStdString(write.err.substr(at + 10)).trimmed();
  EXPECT_TRUE(QFileInfo::exists(kept)) << kept.toStdString();  // the new one is never pruned
  EXPECT_TRUE(QFileInfo::exists(folder + QStringLiteral("/pred-opravou.vorka")));
  const std::vector<Backup> listed = TestBackups().List("VK12345");
  EXPECT_EQ(listed.size(), 100u);
  // The newest, though the clock was ahead when the others were kept; the oldest of them went.
  EXPECT_EQ(listed.front().path, kept.toStdString());
  EXPECT_FALSE(QFileInfo::exists(folder + QStringLiteral("/2031-01-01_00-00-00-000Z.vorka")));
  for (const Backup& backup : listed) EXPECT_EQ(backup.path.find("pred-opravou"), std::string::npos);
  EXPECT_EQ(QDir(folder).entryList(QDir::Files).size(), 101);  // the operator's file kept aside
}

TEST_F(VorkactlTest, AWriteInterruptedSaysHowFarItGotAndWhereTheBackupIs) {
  DistinctiveRegisters();
  std::ofstream(File("factory.vorka").toStdString()) << Ctl({QStringLiteral("defaults")}).out;
  unit_.ClearReceived();
  for (const int signal : {SIGINT, SIGTERM}) {
    DistinctiveRegisters();
    unit_.ClearReceived();
    unit_.SetDelayMs(30);  // every reply takes its time
    QProcess process;
    process.start(QStringLiteral(VORKACTL_PATH), {QStringLiteral("write"), File("factory.vorka")});
    ASSERT_TRUE(process.waitForStarted());
    const auto pid = static_cast<pid_t>(process.processId());
    ASSERT_GT(pid, 0);  // kill(0) would signal this test's whole process group
    QElapsedTimer clock;
    clock.start();
    while (Writes().size() < 3 && clock.elapsed() < 10000) QTest::qWait(5);
    ASSERT_EQ(process.state(), QProcess::Running);
    ::kill(pid, signal);
    ASSERT_TRUE(process.waitForFinished(5000));
    const std::string err = process.readAllStandardError().toStdString();
    EXPECT_EQ(process.exitCode(), 130) << err;
    const std::size_t written = Writes().size();
    EXPECT_GT(written, 1u);
    EXPECT_LT(written, 29u);
    // The register in flight was finished and counted: every write sent was acknowledged.
    EXPECT_NE(err.find("interrupted after " + std::to_string(written) + " of 29 writes"), std::string::npos)
        << err;
    EXPECT_NE(err.find("its settings before are in /"), std::string::npos) << err;
  }
  unit_.SetDelayMs(0);
}

// Ctrl-C in one of the reads around the writes stops it before its next command: before the
// writes nothing was sent, after them nothing was verified, and both are said (exit 130).
TEST_F(VorkactlTest, AWriteInterruptedInItsReadsStopsThere) {
  std::ofstream(File("two.vorka").toStdString()) << "HiLimitX = 500\nHiLimitY = 500\n";
  struct Case {
    const char* name;
    std::size_t readsBefore;  // register reads the unit has had when Ctrl-C comes
    std::size_t writes;
    const char* said;
  };
  const Case cases[] = {
      {"in the read before", 5, 0, "interrupted before the first write; nothing was sent"},
      {"in the read after", 29 + 29 + 5, 2,
       "interrupted in the read after the writes: all 2 writes were acknowledged, none verified"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    unit_.ResetRegisters();
    unit_.ClearReceived();
    unit_.SetDelayMs(30);
    QProcess process;
    process.start(QStringLiteral(VORKACTL_PATH), {QStringLiteral("write"), File("two.vorka")});
    ASSERT_TRUE(process.waitForStarted());
    const auto pid = static_cast<pid_t>(process.processId());
    ASSERT_GT(pid, 0);
    const auto reads = [&] {
      std::size_t n = 0;
      for (const std::string& line : Received())
        n += line.rfind("!0ER", 0) == 0 || line.rfind("!0EFR", 0) == 0 || line.rfind("!0EUR", 0) == 0;
      return n;
    };
    QElapsedTimer clock;
    clock.start();
    while (reads() < c.readsBefore && clock.elapsed() < 10000) QTest::qWait(2);
    ::kill(pid, SIGINT);
    ASSERT_TRUE(process.waitForFinished(5000));
    const std::string err = process.readAllStandardError().toStdString();
    EXPECT_EQ(process.exitCode(), 130) << err;
    EXPECT_NE(err.find(c.said), std::string::npos) << err;
    EXPECT_EQ(Writes().size(), c.writes);
    EXPECT_LE(reads(), c.readsBefore + 2);  // stopped at once, not after the whole read
  }
  unit_.SetDelayMs(0);
}

// A backup that cannot be written (the disk full for it) stops the write before the unit hears of it.
TEST_F(VorkactlTest, NoBackupOnAFullDiskMeansNoWrite) {
  QDir(BackupStore::DefaultFolder()).removeRecursively();
  std::ofstream(File("one.vorka").toStdString()) << "OUT1 = Laser\n";
  unit_.ClearReceived();
  const Run run = CtlWith({QStringLiteral("write"), File("one.vorka")}, FullDisk);
  EXPECT_EQ(run.code, 5) << run.err;
  EXPECT_EQ(WithoutChangeLines(run.err),
            "vorkactl: cannot keep a backup of the unit: file too large; nothing was sent\n");
  EXPECT_TRUE(Writes().empty());
  EXPECT_TRUE(TestBackups().List("VK12345").empty());  // nothing half-written left as a backup
}

TEST_F(VorkactlTest, ADryRunSaysWhatAWriteWouldChangeAndSendsNothing) {
  std::ofstream(File("two.vorka").toStdString()) << "OUT1 = Laser\nOUT2 = Ofuk\nHiLimitY = 250\n";
  const std::string changes = "OUT1: Chlazení -> Laser\nHiLimitY: 1 -> 250\n";  // OUT2 is Ofuk already
  unit_.ClearReceived();
  const Run dry = Ctl({QStringLiteral("write"), QStringLiteral("--dry-run"), File("two.vorka")});
  EXPECT_EQ(dry.code, 1) << dry.err;
  EXPECT_EQ(dry.out, changes);
  EXPECT_EQ(dry.err, "");
  EXPECT_TRUE(Writes().empty());
  EXPECT_TRUE(TestBackups().List("VK12345").empty());
  // The write names the same changes on standard error, before its last line.
  const Run write = Ctl({QStringLiteral("write"), File("two.vorka")});
  EXPECT_EQ(write.code, 0) << write.err;
  EXPECT_TRUE(write.err.starts_with(changes)) << write.err;
  EXPECT_NE(write.err.find("\nvorkactl: written and verified: 3 registers"), std::string::npos) << write.err;
  const Run again = Ctl({QStringLiteral("write"), QStringLiteral("--dry-run"), File("two.vorka")});
  EXPECT_EQ(again.code, 0);
  EXPECT_EQ(again.out, "");
  const Run elsewhere = Ctl({QStringLiteral("read"), QStringLiteral("--dry-run")});
  EXPECT_EQ(elsewhere.code, kExitUsage);
  EXPECT_NE(elsewhere.err.find("--dry-run is for write"), std::string::npos) << elsewhere.err;
}

TEST_F(VorkactlTest, ABackupOfAnotherUnitOrFirmwareIsANoticeNotARefusal) {
  std::ofstream(File("other.vorka").toStdString())
      << "# Jednotka: VK11111, TK20MPG v2.4\n# Záloha (UTC): 2026-12-01T10:00:00.000Z\nOUT1 = Laser\n";
  std::ofstream(File("same.vorka").toStdString()) << "# Jednotka: VK22222, TK20MPG v3.0\nOUT1 = Laser\n";
  unit_.SetReplyOverride("Q", "0,VK22222");
  unit_.SetReplyOverride("?", "0,TK20MPG v3.0");
  const Run other = Ctl({QStringLiteral("write"), File("other.vorka")});
  EXPECT_EQ(other.code, 0) << other.err;
  EXPECT_NE(other.err.find("the backup was taken from VK11111 (TK20MPG v2.4); writing it into VK22222 "
                           "(TK20MPG v3.0)\n"),
            std::string::npos)
      << other.err;
  const Run same = Ctl({QStringLiteral("write"), File("same.vorka")});
  EXPECT_EQ(same.code, 0) << same.err;
  EXPECT_EQ(same.err.find("taken from"), std::string::npos) << same.err;
}

}  // namespace

namespace {

class MonitorRecordingTest : public VorkactlTest {
 protected:
  // vorkactl monitor with the arguments, started; the inputs then take each word for `holdMs`.
  void MonitorWhile(QProcess& process, const QStringList& arguments, const std::vector<uint16_t>& words,
                    int holdMs = 300) {
    process.start(QStringLiteral(VORKACTL_PATH), QStringList{QStringLiteral("monitor")} + arguments);
    ASSERT_TRUE(process.waitForStarted());
    QTest::qWait(300);  // identified and polling
    for (const uint16_t word : words) {
      unit_.SetInputWordAtNextPoll(word);  // both bytes of a poll from one word: a row per change
      QTest::qWait(holdMs);                // four polls or more
    }
  }
  // Finished now or within a few seconds (waitForFinished is false for one that already has).
  static bool Finished(QProcess& process) {
    return process.state() == QProcess::NotRunning || process.waitForFinished(5000);
  }
  static std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  }
};

TEST_F(MonitorRecordingTest, EveryEdgeIsRecordedAndSigrokReadsThem) {
  ASSERT_EQ(QProcess::execute(QStringLiteral("sigrok-cli"), {QStringLiteral("--version")}), 0)
      << "sigrok-cli is missing: scripts/install-deps installs it";
  // Input 0 pressed three times, input 14 once, input 1 with it.
  const std::vector<uint16_t> words = {0x0001, 0x0000, 0x0001, 0x0000, 0x4003,
                                       0x4002, 0x0000, 0x0001, 0x0000};
  QProcess process;
  MonitorWhile(process, {QStringLiteral("--csv"), File("in.csv"), QStringLiteral("--vcd"), File("in.vcd")},
               words);
  process.terminate();
  ASSERT_TRUE(process.waitForFinished(3000));
  EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();

  std::vector<std::string> csv = Lines(Slurp(File("in.csv")));
  ASSERT_GE(csv.size(), 6U);
  EXPECT_EQ(csv[1], "# Jednotka: VK12345, TK20MPG v2.4");
  auto header = std::find(csv.begin(), csv.end(), "time_ms,in0,in1,in2,in3,in4,in5,in6,in7,in14,in15");
  ASSERT_NE(header, csv.end());
  ASSERT_TRUE(header[-1].starts_with("# Snímáno po ")) << header[-1];
  // A busy machine may change the period: its note is no row.
  csv.erase(
      std::remove_if(header + 1, csv.end(), [](const std::string& l) { return l.starts_with("# Od "); }),
      csv.end());
  header = std::find(csv.begin(), csv.end(), "time_ms,in0,in1,in2,in3,in4,in5,in6,in7,in14,in15");
  ASSERT_NE(header, csv.end());
  // The first levels, then a row per change.
  ASSERT_EQ(csv.end() - header - 1, static_cast<long>(words.size() + 1)) << Slurp(File("in.csv"));
  EXPECT_TRUE(header[1].ends_with(",0,0,0,0,0,0,0,0,0,0")) << header[1];  // its time: when it came
  EXPECT_TRUE(header[6].ends_with(",1,1,0,0,0,0,0,0,1,0")) << header[6];

  const std::map<std::string, int> edges = SigrokEdges(File("in.vcd"));
  ASSERT_EQ(edges.size(), 11U);  // the ten inputs and the no-reply wire
  EXPECT_EQ(edges.at("in0_RefX"), 8);
  EXPECT_EQ(edges.at("in1_RefY"), 2);
  EXPECT_EQ(edges.at("in14_Tl_Sens"), 2);
  EXPECT_EQ(edges.at("in2_RefZ"), 0);
}

TEST_F(MonitorRecordingTest, ALostUnitEndsTheRecordingsWholeAndMarked) {
  QProcess process;
  MonitorWhile(
      process,
      {QStringLiteral("--duration"), QStringLiteral("20"), QStringLiteral("--lost-after"),
       QStringLiteral("1"), QStringLiteral("--csv"), File("in.csv"), QStringLiteral("--vcd"), File("in.vcd")},
      {0x0001, 0x0000});
  server_->Stop();  // the line hangs up, for longer than --lost-after
  ASSERT_TRUE(Finished(process));
  EXPECT_EQ(process.exitCode(), kExitNoUnit);
  EXPECT_EQ(process.readAllStandardError().toStdString(), "vorkactl: the unit was lost\n");
  const std::vector<std::string> csv = Lines(Slurp(File("in.csv")));
  ASSERT_FALSE(csv.empty());
  // The loss when the replies stopped, and the end when the silence had lasted a second.
  ASSERT_GE(csv.size(), 2U);
  EXPECT_TRUE(csv[csv.size() - 2].starts_with("# Spojení s jednotkou ztraceno v ")) << csv[csv.size() - 2];
  EXPECT_TRUE(csv.back().starts_with("# Záznam končí v ")) << csv.back();
  EXPECT_TRUE(csv.back().ends_with(" ms: jednotka neodpovídá")) << csv.back();
  const std::string vcd = Slurp(File("in.vcd"));
  EXPECT_NE(vcd.find("$comment spojeni s jednotkou ztraceno, zaznam konci $end\nx!\n"), std::string::npos)
      << vcd;
  EXPECT_EQ(SigrokEdges(File("in.vcd")).at("in0_RefX"), 2);
}

TEST_F(MonitorRecordingTest, AMissedReplyIsAGapAndTheRecordingGoesOn) {
  unit_.SetSilentOnPoll(8);  // one poll unanswered, some 300 ms in
  QProcess process;
  MonitorWhile(process,
               {QStringLiteral("--timeout"), QStringLiteral("200"), QStringLiteral("--csv"), File("in.csv"),
                QStringLiteral("--vcd"), File("in.vcd")},
               {0x0001, 0x0000, 0x0001, 0x0000});
  process.terminate();
  ASSERT_TRUE(process.waitForFinished(3000));
  EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
  const std::vector<std::string> out = Lines(process.readAllStandardOutput().toStdString());
  const auto said = [&](const char* text) {
    return std::count_if(out.begin(), out.end(), [&](const std::string& l) { return l.ends_with(text); });
  };
  EXPECT_EQ(said(" no reply: the inputs are not known from here"), 1);
  EXPECT_EQ(said(" the unit answers again"), 1);
  EXPECT_EQ(said(" input 0 (RefX) 0 -> 1"), 2);  // the changes after the gap as well
  const std::string csv = Slurp(File("in.csv"));
  const auto gap = csv.find("# Spojení s jednotkou ztraceno v ");
  ASSERT_NE(gap, std::string::npos) << csv;
  EXPECT_EQ(csv.find("záznam končí"), std::string::npos) << csv;
  EXPECT_NE(csv.find(",1,0,0,0,0,0,0,0,0,0\n", gap), std::string::npos) << csv;  // rows after it
  const std::map<std::string, int> edges = SigrokEdges(File("in.vcd"));
  EXPECT_EQ(edges.at("in0_RefX"), 4);
  EXPECT_EQ(edges.at("no_reply"), 2);  // the gap, up and down
}

// Every command the help names runs to an exit of its own, never a signal: a command added to the
// table without its handler does not compile, and one that compiles ends as a process should.
TEST_F(VorkactlTest, EveryCommandTheHelpNamesEndsWithAnExitNeverASignal) {
  const Run help = Ctl({QStringLiteral("--help")});
  std::vector<std::string> named;
  bool inCommands = false;
  std::istringstream lines(help.out);
  for (std::string line; std::getline(lines, line);) {
    if (line == "Commands:") {
      inCommands = true;
    } else if (line.empty()) {
      inCommands = false;
    } else if (inCommands && line.size() > 2 && line.starts_with("  ") && std::islower(line[2])) {
      named.push_back(line.substr(2, line.find(' ', 2) - 2));
    }
  }
  ASSERT_EQ(named.size(), kCtlCommandCount) << help.out;
  for (const std::string& name : named) {
    SCOPED_TRACE(name);
    const auto info = std::find_if(CtlCommands().begin(), CtlCommands().end(),
                                   [&](const CtlCommandInfo& c) { return c.name == name; });
    ASSERT_NE(info, CtlCommands().end());
    QStringList arguments{QStringLiteral("--port"), File("no-such-port"), QString::fromStdString(name)};
    for (int file = 0; file < info->files; ++file) arguments << File("no-such.vorka");
    if (info->command == CtlCommand::Monitor)
      arguments << QStringLiteral("--duration") << QStringLiteral("0.1");
    const Run run = Ctl(arguments);
    EXPECT_GE(run.code, 0) << "ended by a signal";  // Ctl gives -1 for a crash
    EXPECT_LE(run.code, kExitOutOfStep) << run.err;
  }
}

// Back to back, an input at 50 Hz is counted (at the default 40 ms it would be a slower wave that
// is not there, or none), and the first line and the recording say the period measured.
// The unit is not paced here, so that a busy machine leaves the polls well inside 10 ms; the pace
// at 115200 Bd is a benchmark's.
TEST_F(MonitorRecordingTest, FastSamplingCountsA50HzInputAndSaysItsPeriod) {
  unit_.SetToggle(0, 50.0);
  const Run run = Ctl({QStringLiteral("monitor"), QStringLiteral("--fast"), QStringLiteral("--duration"),
                       QStringLiteral("2"), QStringLiteral("--csv"), File("fast.csv"),
                       QStringLiteral("--vcd"), File("fast.vcd")});
  EXPECT_EQ(run.code, 0) << run.err;
  const std::vector<std::string> out = Lines(run.out);
  ASSERT_FALSE(out.empty());
  const QRegularExpressionMatch first =
      QRegularExpression(QStringLiteral("^sampling every ([0-9]+(\\.[0-9])?) ms \\(back to back\\)$"))
          .match(QString::fromStdString(out[0]));
  ASSERT_TRUE(first.hasMatch()) << out[0];
  const std::vector<std::string> csv = Lines(Slurp(File("fast.csv")));
  const auto header = std::find(csv.begin(), csv.end(), "time_ms,in0,in1,in2,in3,in4,in5,in6,in7,in14,in15");
  ASSERT_NE(header, csv.end());
  EXPECT_TRUE(header[-1].starts_with("# Snímáno po ")) << header[-1];
  // The changes of in0 the CSV holds. After a pause (a busy machine) a row restates every level,
  // changed or not, so rows are not changes.
  int changes = 0;
  std::optional<char> in0;
  for (auto row = header + 1; row != csv.end(); ++row) {
    const std::size_t comma = row->find(',');
    if (row->starts_with("#") || comma == std::string::npos || comma + 1 >= row->size()) continue;
    const char level = (*row)[comma + 1];
    if (in0 && *in0 != level) ++changes;
    in0 = level;
  }
  // Two seconds of 100 changes a second. A busy machine (a sanitizer's build, a test per core)
  // pauses the polling now and then, and the changes in a pause are a gap, not seen; sampled every
  // 40 ms the input would show hardly any change at all.
  EXPECT_GE(changes, 100);
  EXPECT_LE(changes, 202);
  // sigrok reads the same edges from the fast VCD: one at its very last moment it may not show,
  // and a busy machine that takes two polls' words within one millisecond puts both changes in
  // one time step, where sigrok sees neither.
  const std::map<std::string, int> edges = SigrokEdges(File("fast.vcd"));
  ASSERT_EQ(edges.size(), 11U);
  EXPECT_NEAR(edges.at("in0_RefX"), changes, 1 + changes / 50);
}

// The period said is the one measured: a unit that answers each poll's two commands 75 ms late is
// polled about every 150 ms, whatever was asked (40 ms, or back to back).
TEST_F(MonitorRecordingTest, ThePeriodSaidIsTheOneMeasured) {
  unit_.SetDelayMs(75);
  for (const bool fast : {false, true}) {
    SCOPED_TRACE(fast ? "--fast" : "at 40 ms");
    QStringList arguments = {QStringLiteral("monitor"), QStringLiteral("--duration"), QStringLiteral("4"),
                             QStringLiteral("--csv"), File("slow.csv")};
    if (fast) arguments << QStringLiteral("--fast");
    const Run run = Ctl(arguments);
    ASSERT_EQ(run.code, kExitOk) << run.err;
    const QRegularExpressionMatch said = QRegularExpression(QStringLiteral("^sampling every ([0-9.]+) ms"))
                                             .match(QString::fromStdString(run.out));
    ASSERT_TRUE(said.hasMatch()) << run.out;
    EXPECT_GE(said.captured(1).toDouble(), 145.0) << run.out;
    EXPECT_LE(said.captured(1).toDouble(), 200.0) << run.out;
    const QRegularExpressionMatch recorded = QRegularExpression(QStringLiteral("# Snímáno po ([0-9.]+) ms"))
                                                 .match(QString::fromStdString(Slurp(File("slow.csv"))));
    ASSERT_TRUE(recorded.hasMatch());
    EXPECT_EQ(recorded.captured(1), said.captured(1));
  }
}

// An input at 60 Hz polled every 40 ms changes faster than it is sampled: said in the lines, the
// CSV where it was seen, and the VCD at its end.
TEST_F(MonitorRecordingTest, AnInputFasterThanTheSamplingIsSaidEverywhere) {
  unit_.SetToggle(0, 60.0);
  const Run run = Ctl({QStringLiteral("monitor"), QStringLiteral("--duration"), QStringLiteral("3"),
                       QStringLiteral("--csv"), File("fast.csv"), QStringLiteral("--vcd"), File("fast.vcd")});
  ASSERT_EQ(run.code, kExitOk) << run.err;
  const QRegularExpression line(QStringLiteral(
      "input 0 changes faster than it is sampled \\(every [0-9]+ ms\\): its counts are a lower bound\n"));
  EXPECT_EQ(QString::fromStdString(run.out).count(line), 1) << run.out;
  EXPECT_EQ(run.out.find("input 1 changes faster"), std::string::npos);
  const std::string csv = Slurp(File("fast.csv"));
  EXPECT_NE(csv.find("# Vstup 0 se mění rychleji, než je snímán (po "), std::string::npos) << csv;
  const std::string vcd = Slurp(File("fast.vcd"));
  EXPECT_NE(vcd.find("$comment faster than the sampling, its counts a lower bound: input 0 (every "),
            std::string::npos)
      << vcd;
}

// A reader that went away (`| head -3`) ends the monitor as Ctrl-C does, the recording whole, and
// the failure named: never a death by SIGPIPE with the recording cut.
TEST_F(MonitorRecordingTest, AReaderThatWentAwayEndsTheMonitorWithItsRecordingWhole) {
  QProcess shell;
  shell.start(QStringLiteral("/bin/bash"),
              {QStringLiteral("-c"),
               QStringLiteral("'%1' monitor --fast --vcd '%2' | head -3 > /dev/null; exit ${PIPESTATUS[0]}")
                   .arg(QStringLiteral(VORKACTL_PATH), File("v.vcd"))});
  ASSERT_TRUE(shell.waitForStarted());
  QTest::qWait(300);
  for (const uint16_t word : {0x0001, 0x0000, 0x0001, 0x0000}) {
    unit_.SetInputWordAtNextPoll(word);
    QTest::qWait(150);
  }
  ASSERT_TRUE(Finished(shell));
  EXPECT_EQ(shell.exitCode(), kExitFile);
  const std::string err = shell.readAllStandardError().toStdString();
  EXPECT_EQ(err, "vorkactl: cannot write to standard output: its reader went away (broken pipe)\n");
  // Closed by the program: whole lines, its header complete (its closing time step falls in the
  // last change's millisecond when the reader goes at once).
  const std::string vcd = Slurp(File("v.vcd"));
  EXPECT_NE(vcd.find("$enddefinitions $end\n#0\n$dumpvars\n"), std::string::npos) << vcd;
  EXPECT_TRUE(vcd.ends_with("\n")) << vcd;
}

// Two names of one file would interleave two formats in it: refused before either is opened.
TEST_F(MonitorRecordingTest, OneFileUnderTwoNamesIsRefused) {
  ASSERT_TRUE(QDir(dir_.path()).mkdir(QStringLiteral("sub")));
  { std::ofstream(File("kept.csv").toStdString()) << "mine\n"; }
  ASSERT_EQ(::link(File("kept.csv").toLocal8Bit().constData(), File("linked.vcd").toLocal8Bit().constData()),
            0);
  ASSERT_TRUE(QFile::link(File("missing.vcd"), File("dangling.csv")));
  const std::pair<QString, QString> cases[] = {
      {File("kept.csv"), File("sub/../kept.csv")},
      {File("new.csv"), File("sub/../new.csv")},                             // not there yet: the same place
      {File("kept.csv"), File("linked.vcd")},                                // a hard link: the same file
      {QDir::current().relativeFilePath(File("new.csv")), File("new.csv")},  // relative and absolute
      {File("dangling.csv"), File("missing.vcd")},  // a symbolic link to a file not there yet
  };
  for (const auto& [csv, vcd] : cases) {
    const Run run = Ctl({QStringLiteral("monitor"), QStringLiteral("--duration"), QStringLiteral("0.2"),
                         QStringLiteral("--csv"), csv, QStringLiteral("--vcd"), vcd});
    EXPECT_EQ(run.code, kExitFile) << vcd.toStdString();
    EXPECT_EQ(run.err, "vorkactl: --csv " + csv.toStdString() + " and --vcd " + vcd.toStdString() +
                           " are one file: give two\n");
  }
  EXPECT_EQ(Slurp(File("kept.csv")), "mine\n");
  EXPECT_FALSE(QFile::exists(File("new.csv")));
  EXPECT_FALSE(QFile::exists(File("missing.vcd")));
}

// A hang-up (the terminal closed) ends the monitor as Ctrl-C does, the recording whole; a process
// held still for a second has a gap for that second, not steady inputs.
TEST_F(MonitorRecordingTest, AHangUpClosesTheRecordingAndAHeldProcessLeavesAGap) {
  QProcess process;
  MonitorWhile(process, {QStringLiteral("--csv"), File("in.csv"), QStringLiteral("--vcd"), File("in.vcd")},
               {0x0001, 0x0000}, 400);
  ::kill(static_cast<pid_t>(process.processId()), SIGSTOP);
  QTest::qWait(1000);
  ::kill(static_cast<pid_t>(process.processId()), SIGCONT);
  QTest::qWait(400);
  unit_.SetInputWordAtNextPoll(0x0001);
  QTest::qWait(300);
  ::kill(static_cast<pid_t>(process.processId()), SIGHUP);
  ASSERT_TRUE(Finished(process));
  EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
  const std::vector<std::string> out = Lines(process.readAllStandardOutput().toStdString());
  EXPECT_EQ(std::count_if(out.begin(), out.end(),
                          [](const std::string& l) {
                            return l.find(" no polls for ") != std::string::npos &&
                                   l.ends_with(" ms: the inputs are not known in between");
                          }),
            1)
      << ::testing::PrintToString(out);
  const std::string csv = Slurp(File("in.csv"));
  const auto gap = csv.find("# Bez čtení od ");
  ASSERT_NE(gap, std::string::npos) << csv;
  EXPECT_NE(csv.find(",1,0,0,0,0,0,0,0,0,0\n", gap), std::string::npos) << csv;
  EXPECT_EQ(csv.back(), '\n');
  const std::map<std::string, int> edges = SigrokEdges(File("in.vcd"));
  EXPECT_EQ(edges.at("in0_RefX"), 3);
  EXPECT_EQ(edges.at("no_reply"), 2);
}

// The unit's line disappears (a converter unplugged) and comes back under the same name: the monitor
// opens it again by itself and goes on, the gap marked in the recording.
TEST_F(MonitorRecordingTest, AUnitPulledAwayAndPluggedBackGoesOnByItself) {
  QTemporaryDir dir;
  const std::string port = LinkCom1(dir.path().toStdString());
  QProcess process;
  MonitorWhile(
      process,
      {QStringLiteral("--lost-after"), QStringLiteral("120"), QStringLiteral("--csv"), File("in.csv")},
      {0x0001, 0x0000});
  Unplug(port);
  QTest::qWait(1500);  // away a while: asked for again and not found
  PlugBack(port);
  unit_.SetInputWordAtNextPoll(0x0001);
  ASSERT_TRUE(WaitFor(
      [&] {
        const std::string csv = Slurp(File("in.csv"));
        const auto gap = csv.find("# Spojení s jednotkou ztraceno");
        return gap != std::string::npos && csv.find(",1,0,0,0,0,0,0,0,0,0\n", gap) != std::string::npos;
      },
      10'000))
      << Slurp(File("in.csv")) << process.readAllStandardOutput().toStdString()
      << process.readAllStandardError().toStdString();
  ::kill(static_cast<pid_t>(process.processId()), SIGHUP);
  ASSERT_TRUE(Finished(process));
  EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
  const std::string out = process.readAllStandardOutput().toStdString();
  EXPECT_NE(out.find("no reply: the inputs are not known from here"), std::string::npos) << out;
  EXPECT_NE(out.find("the unit answers again"), std::string::npos) << out;
}

TEST_F(MonitorRecordingTest, SilenceLongerThanLostAfterEndsIt) {
  QProcess process;
  MonitorWhile(process,
               {QStringLiteral("--timeout"), QStringLiteral("100"), QStringLiteral("--lost-after"),
                QStringLiteral("0.5"), QStringLiteral("--csv"), File("in.csv")},
               {0x0001});
  QElapsedTimer silence;
  silence.start();
  unit_.SetSilent(true);
  ASSERT_TRUE(Finished(process));
  EXPECT_GE(silence.elapsed(), 450);  // not at the first missed reply
  EXPECT_EQ(process.exitCode(), kExitNoUnit);
  EXPECT_EQ(process.readAllStandardError().toStdString(), "vorkactl: the unit was lost\n");
  const std::vector<std::string> csv = Lines(Slurp(File("in.csv")));
  ASSERT_FALSE(csv.empty());
  EXPECT_TRUE(csv.back().ends_with(" ms: jednotka neodpovídá")) << csv.back();
}

TEST_F(MonitorRecordingTest, ARecordingOnAFullStandardOutputIsNamedSo) {
  const Run run = CtlWith({QStringLiteral("monitor"), QStringLiteral("--duration"), QStringLiteral("0.5"),
                           QStringLiteral("--vcd"), QStringLiteral("-")},
                          {}, QStringLiteral("/dev/full"));
  EXPECT_EQ(run.code, kExitFile);
  EXPECT_EQ(run.err, "vorkactl: cannot write standard output: no space left on the disk\n");
}

TEST_F(MonitorRecordingTest, AFullDiskStopsTheRecordingWithWholeRows) {
  QProcess process;
  process.setChildProcessModifier([] {
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{450, 450};  // the header and a few rows
    ::setrlimit(RLIMIT_FSIZE, &limit);
  });
  std::vector<uint16_t> words;
  for (int i = 0; i < 12; ++i) words.push_back(i % 2 ? 0x0000 : 0x0001);
  MonitorWhile(process,
               {QStringLiteral("--duration"), QStringLiteral("20"), QStringLiteral("--csv"), File("in.csv")},
               words, 100);
  ASSERT_TRUE(Finished(process));
  EXPECT_EQ(process.exitCode(), kExitFile);
  EXPECT_EQ(process.readAllStandardError().toStdString(),
            "vorkactl: cannot write " + File("in.csv").toStdString() +
                ": file too large; the recording stopped, what it holds is whole\n");
  const std::string csv = Slurp(File("in.csv"));
  EXPECT_LE(csv.size(), 450U);
  ASSERT_FALSE(csv.empty());
  EXPECT_EQ(csv.back(), '\n');  // no half row
  for (const std::string& line : Lines(csv)) {
    if (!line.starts_with("#")) {
      EXPECT_EQ(std::count(line.begin(), line.end(), ','), 10) << line;
    }
  }
}

// What a PDF says, as pdftotext reads it, and whether qpdf finds it sound.
std::string PdfText(const QString& path) {
  QProcess process;
  process.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), path, QStringLiteral("-")});
  process.waitForFinished(20000);
  return process.readAllStandardOutput().toStdString();
}
int QpdfCheck(const QString& path) {
  QProcess process;
  process.start(QStringLiteral("qpdf"), {QStringLiteral("--check"), path});
  process.waitForFinished(20000);
  return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}
int PdfPages(const QString& path) {
  QProcess process;
  process.start(QStringLiteral("qpdf"), {QStringLiteral("--show-npages"), path});
  process.waitForFinished(20000);
  return process.readAllStandardOutput().trimmed().toInt();
}

// Every setting's value the unit holds, as the settings file of a read has it (input names apart).
std::vector<std::pair<std::string, std::string>> HeldValues(const std::string& settingsFile) {
  std::vector<std::pair<std::string, std::string>> values;
  std::istringstream lines(settingsFile);
  for (std::string line; std::getline(lines, line);) {
    const auto equals = line.find(" = ");
    if (line.starts_with("#") || equals == std::string::npos || line.starts_with("Jmeno.")) continue;
    values.emplace_back(line.substr(0, equals), line.substr(equals + 3));
  }
  return values;
}

// The record's input grid is the unit's: each input's Polarita and Povoleno as the unit holds them
// (a read of the same unit says which), in the text and in the PDF.
TEST_F(VorkactlTest, TheRecordsInputGridIsTheUnits) {
  DistinctiveRegisters();
  const Run read = Ctl({QStringLiteral("read")});
  ASSERT_EQ(read.code, 0) << read.err;
  std::map<std::string, std::string> held;
  for (const auto& [name, value] : HeldValues(read.out)) held[name] = value;
  ASSERT_EQ(Ctl({QStringLiteral("report"), QStringLiteral("-o"), File("grid.pdf")}).code, 0);
  const Run text = Ctl({QStringLiteral("report")});
  ASSERT_EQ(text.code, 0) << text.err;
  const std::string pdf = PdfText(File("grid.pdf"));
  int differing = 0;
  for (const int input : kInputOfRow) {
    const std::string n = std::to_string(input), polarity = held.at("Polarita." + n),
                      enabled = held.at("Povoleno." + n);
    differing += polarity != "0" || enabled != "0";
    // "  14  Tl.Sens  1  0": the input, its name, then its two bits.
    const QRegularExpression row(
        QString::fromStdString("\\n +" + n + " +\\S+ +" + polarity + " +" + enabled + "\\b"));
    EXPECT_TRUE(row.match(QString::fromStdString(text.out)).hasMatch()) << n << "\n" << text.out;
    const QRegularExpression cells(
        QString::fromStdString("(^|\\s)" + n + " +\\S+ +" + polarity + " +" + enabled + "(\\s|$)"));
    EXPECT_TRUE(cells.match(QString::fromStdString(pdf)).hasMatch()) << n << "\n" << pdf;
  }
  EXPECT_GT(differing, 2);  // the unit's bits are not the defaults
}

// The longest a record gets stays readable: fields of any length wrap in their cells, each label
// apart from its value, every page numbered of all; a field of another name comes after the five.
TEST_F(VorkactlTest, ALongRecordWrapsInItsCellsAndNumbersItsPages) {
  const std::string word(70, 'W');
  std::string longNote;
  while (longNote.size() < 3000) longNote += "řádek poznámky číslo " + std::to_string(longNote.size()) + "; ";
  const Run run =
      Ctl({QStringLiteral("report"), QStringLiteral("-o"), File("long.pdf"), QStringLiteral("--field"),
           QString::fromStdString("Stroj=" + word), QStringLiteral("--field"),
           QString::fromStdString("Poznámka=" + longNote), QStringLiteral("--field"),
           QStringLiteral("Zakázka=Z-117"), QStringLiteral("--field"), QStringLiteral("Zákazník=Strojírna")});
  ASSERT_EQ(run.code, 0) << run.err;
  const int pages = PdfPages(File("long.pdf"));
  ASSERT_GE(pages, 2);
  const std::string text = PdfText(File("long.pdf"));
  for (int page = 1; page <= pages; ++page)
    EXPECT_NE(text.find("Strana " + std::to_string(page) + " z " + std::to_string(pages)), std::string::npos)
        << text;
  const QString all = QString::fromStdString(text);
  for (const char* line :
       {"Zákazník +Strojírna\n", "Stroj +WWWW", "Zakázka +Z-117\n", "Identifikátor +VK12345 "})
    EXPECT_TRUE(QRegularExpression(QString::fromUtf8(line)).match(all).hasMatch()) << line;
  // The five first, another name after them; the note whole, however it wrapped.
  EXPECT_LT(all.indexOf(QStringLiteral("Poznámka")), all.indexOf(QStringLiteral("Zakázka")));
  QString joined = all;
  joined.remove(QRegularExpression(QStringLiteral("\\s")));
  EXPECT_TRUE(
      joined.contains(QString::fromStdString(longNote).remove(QRegularExpression(QStringLiteral("\\s")))));
  EXPECT_TRUE(joined.contains(QString::fromStdString(word)));
  EXPECT_EQ(QpdfCheck(File("long.pdf")), 0);
  // A field without a name is a usage error.
  EXPECT_EQ(Ctl({QStringLiteral("report"), QStringLiteral("--field"), QStringLiteral("=x")}).code,
            kExitUsage);
}

// The record in each format holds the unit's identifier and every value it holds, one page of a
// sound PDF; a suffix that is no format is refused before the unit is asked.
TEST_F(VorkactlTest, TheRecordHoldsEveryValueTheUnitHoldsInEachFormat) {
  DistinctiveRegisters();
  const Run read = Ctl({QStringLiteral("read")});
  ASSERT_EQ(read.code, 0) << read.err;
  const auto values = HeldValues(read.out);
  ASSERT_GT(values.size(), 20U);
  const struct {
    const char* file;
    bool pdf;
  } formats[] = {{"unit.pdf", true}, {"unit.html", false}, {"unit.txt", false}, {"-", false}};
  for (const auto& format : formats) {
    SCOPED_TRACE(format.file);
    const QString path = format.file == std::string("-") ? QStringLiteral("-") : File(format.file);
    const Run run = Ctl({QStringLiteral("report"), QStringLiteral("-o"), path});
    ASSERT_EQ(run.code, 0) << run.err;
    EXPECT_EQ(run.err, "");
    std::string text = path == QStringLiteral("-") ? run.out : format.pdf ? PdfText(path) : Slurp(path);
    if (format.pdf) {
      EXPECT_EQ(QpdfCheck(path), 0);
      EXPECT_EQ(PdfPages(path), 1);
    }
    EXPECT_NE(text.find("VK12345"), std::string::npos) << text;
    EXPECT_NE(text.find("TK20MPG v2.4"), std::string::npos) << text;
    for (const auto& [name, value] : values) {
      if (name.starts_with("Povoleno.") || name.starts_with("Polarita.")) continue;
      SCOPED_TRACE(name);
      const std::string caption = FindSetting(name)->caption;
      if (format.pdf) {
        // Two columns interleave in the text a PDF gives back, and a long value wraps: each of
        // its words is there.
        for (const QString& word : QString::fromStdString(value).split(u' ', Qt::SkipEmptyParts))
          EXPECT_NE(text.find(word.toStdString()), std::string::npos) << text;
        continue;
      }
      // Beside its caption, on the caption's line.
      const bool html = format.file == std::string("unit.html");
      const auto escaped = [&](const std::string& t) {
        return html ? QString::fromStdString(t).toHtmlEscaped().toStdString() : t;
      };
      const auto at = text.find(escaped(caption));
      ASSERT_NE(at, std::string::npos) << caption;
      const std::string line = text.substr(at, text.find('\n', at) - at);
      EXPECT_NE(line.find(escaped(value)), std::string::npos) << line;
    }
  }
  // A full disk is named, with the file error's code, and the record before it stays whole.
  const std::string before = Slurp(File("unit.pdf"));
  const Run full = CtlWith({QStringLiteral("report"), QStringLiteral("-o"), File("unit.pdf")}, FullDisk);
  EXPECT_EQ(full.code, kExitFile) << full.err;
  EXPECT_NE(full.err.find("cannot write"), std::string::npos) << full.err;
  EXPECT_EQ(Slurp(File("unit.pdf")), before);
  const Run refused = Ctl({QStringLiteral("report"), QStringLiteral("-o"), File("unit.doc")});
  EXPECT_EQ(refused.code, kExitUsage);
  EXPECT_FALSE(QFile::exists(File("unit.doc")));
}

// A second unit on COM2, beside the fixture's on COM1.
class TwoUnitsTest : public VorkactlTest {
 protected:
  void SetUp() override {
    VorkactlTest::SetUp();
    second_ = std::make_unique<PtyServer>(secondUnit_);
    ASSERT_TRUE(second_->Start());
    ::setenv("VORKA_COM2", second_->SlavePath().c_str(), 1);
  }
  void TearDown() override {
    second_->Stop();
    ::unsetenv("VORKA_COM2");
    VorkactlTest::TearDown();
  }
  VirtualUnit secondUnit_{VirtualUnit::Options{"VK20002", " v2.4", true, 300}};
  std::unique_ptr<PtyServer> second_;
};

// Both units written and verified, each said on a line led by its port; a port with no unit
// makes the exit code the worst, and the other unit is written all the same.
TEST_F(TwoUnitsTest, SeveralPortsWriteEveryUnitEachOnItsLine) {
  { std::ofstream(File("limits.vorka").toStdString()) << "HiLimitX = 500\nGearY = 320\n"; }
  const QStringList both{QStringLiteral("--port"), QStringLiteral("COM1"), QStringLiteral("--port"),
                         QStringLiteral("COM2")};
  const Run run = Ctl(both + QStringList{QStringLiteral("write"), File("limits.vorka")});
  ASSERT_EQ(run.code, 0) << run.err;
  for (const VirtualUnit* unit : {&unit_, &secondUnit_}) {
    EXPECT_EQ(*unit->TextRegister("20"), "500");
    EXPECT_EQ(*unit->TextRegister("34"), "320");
  }
  EXPECT_NE(run.err.find("vorkactl: COM1: written and verified"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("vorkactl: COM2: written and verified"), std::string::npos) << run.err;

  const Run identify = Ctl(both + QStringList{QStringLiteral("identify")});
  EXPECT_EQ(identify.out, "COM1\tVK12345\tTK20MPG v2.4\tmpg yes\nCOM2\tVK20002\tTK20MPG v2.4\tmpg yes\n");

  const Run read = Ctl(both + QStringList{QStringLiteral("read"), QStringLiteral("-o"), File("units")});
  ASSERT_EQ(read.code, 0) << read.err;
  EXPECT_NE(Slurp(File("units/VK20002.vorka")).find("HiLimitX = 500"), std::string::npos);

  unit_.SetSilent(true);
  const Run oneSilent =
      Ctl(both + QStringList{QStringLiteral("report"), QStringLiteral("-o"), File("records")});
  EXPECT_EQ(oneSilent.code, kExitNoUnit);
  EXPECT_NE(oneSilent.err.find("vorkactl: COM1: "), std::string::npos) << oneSilent.err;
  EXPECT_EQ(oneSilent.out, "COM2\t" + File("records/VK20002.pdf").toStdString() + "\n");
  EXPECT_NE(PdfText(File("records/VK20002.pdf")).find("VK20002"), std::string::npos);

  // One unit at a time for the others: the second port is refused by name, not dropped.
  const Run monitor = Ctl(both + QStringList{QStringLiteral("monitor")});
  EXPECT_EQ(monitor.code, kExitUsage);
  EXPECT_NE(monitor.err.find("monitor takes one --port"), std::string::npos) << monitor.err;
}

// Two units with one identifier on two ports: their files would be one (the second written over the
// first), so neither is read, and both ports and the identifier are named once; with identifiers of
// their own both are read as ever.
TEST_F(TwoUnitsTest, TwoUnitsWithOneIdentifierNeverShareAFile) {
  secondUnit_.SetId("VK12345");
  const QStringList both{QStringLiteral("--port"), QStringLiteral("COM1"), QStringLiteral("--port"),
                         QStringLiteral("COM2")};
  for (const char* command : {"read", "report"}) {
    SCOPED_TRACE(command);
    const QString folder = File(command);
    const Run run = Ctl(both + QStringList{QString::fromLatin1(command), QStringLiteral("-o"), folder});
    EXPECT_EQ(run.code, kExitRefused) << run.err;
    EXPECT_EQ(run.err,
              "vorkactl: COM1: 2 units answer as VK12345 (COM1, COM2): their files would be one, so none of "
              "them was read\n");
    EXPECT_TRUE(QDir(folder).entryList(QDir::Files).isEmpty());
  }
  secondUnit_.SetId("VK20002");
  const Run read = Ctl(both + QStringList{QStringLiteral("read"), QStringLiteral("-o"), File("units")});
  EXPECT_EQ(read.code, 0) << read.err;
  EXPECT_EQ(QDir(File("units")).entryList(QDir::Files).size(), 2);
}

// A series on one port: the first unit fails its verification, is listed so and left alone while
// it stays; the port goes and comes back with the next unit, which is written once, verified and
// recorded; Ctrl-C between units ends it with 0.
TEST_F(VorkactlTest, ASeriesWritesEachUnitOnceRecordsItAndGoesOnAfterAFailure) {
  const QString port = File("tty");
  ASSERT_TRUE(QFile::link(QString::fromStdString(server_->SlavePath()), port));
  { std::ofstream(File("line.vorka").toStdString()) << "HiLimitX = 500\nJmeno.0 = Doraz X\n"; }
  unit_.SetWriteStoredAs("20", "700");  // acknowledged, not kept: the verification fails
  QProcess series;
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert(QStringLiteral("VORKA_COM1"), port);
  series.setProcessEnvironment(environment);
  series.start(QStringLiteral(VORKACTL_PATH),
               {QStringLiteral("series"), File("line.vorka"), QStringLiteral("--records"), File("records")});
  std::string out;
  const auto waitFor = [&](const std::string& text) {
    QElapsedTimer clock;
    clock.start();
    while (out.find(text) == std::string::npos && clock.elapsed() < 20000) {
      series.waitForReadyRead(200);
      out += series.readAllStandardOutput().toStdString();
    }
    return out.find(text) != std::string::npos;
  };
  ASSERT_TRUE(waitFor("VK12345")) << out;
  QTest::qWait(2500);  // still attached: left alone

  // The adapter moved to the next unit: the port goes, then comes back.
  ASSERT_TRUE(QFile::remove(port));
  QTest::qWait(1200);
  VirtualUnit next(VirtualUnit::Options{"VK20002", " v2.4", true, 300});
  PtyServer nextServer(next);
  ASSERT_TRUE(nextServer.Start());
  ASSERT_TRUE(QFile::link(QString::fromStdString(nextServer.SlavePath()), port));
  ASSERT_TRUE(waitFor("VK20002")) << out;
  QTest::qWait(2500);
  ::kill(static_cast<pid_t>(series.processId()), SIGINT);
  ASSERT_TRUE(series.waitForFinished(20000));
  out += series.readAllStandardOutput().toStdString();
  nextServer.Stop();
  // Not every unit it tried was written and verified: the worst outcome's code.
  EXPECT_EQ(series.exitCode(), kExitRefused) << series.readAllStandardError().toStdString();

  const auto writesOf = [](const VirtualUnit& unit) {
    int writes = 0;
    for (const std::string& line : unit.Received()) writes += line == "!0EFW20,500";
    return writes;
  };
  EXPECT_EQ(writesOf(unit_), 1);
  EXPECT_EQ(writesOf(next), 1);
  EXPECT_EQ(*next.TextRegister("20"), "500");
  const std::string list = Slurp(File("records/series.txt"));
  EXPECT_NE(list.find("VK12345\tTK20MPG v2.4\t"), std::string::npos) << list;
  EXPECT_NE(list.find("failed"), std::string::npos) << list;
  EXPECT_NE(list.find("VK20002\tTK20MPG v2.4\t"), std::string::npos) << list;
  EXPECT_NE(list.find("written and verified"), std::string::npos) << list;
  EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 2) << out;
  for (const char* name : {"VK12345-chyba", "VK20002"}) {  // named by the outcome
    const QString record = File("records/") + QString::fromLatin1(name) + QStringLiteral(".pdf");
    EXPECT_EQ(QpdfCheck(record), 0) << name;
    const std::string text = PdfText(record);
    EXPECT_NE(text.find(std::string(name).substr(0, 7)), std::string::npos) << text;
    EXPECT_NE(text.find("Doraz X"), std::string::npos) << text;  // the file's input names
  }
  EXPECT_NE(PdfText(File("records/VK12345-chyba.pdf")).find("700"), std::string::npos);
}

// A unit of other firmware, one taken away in the middle of its write, and two units of one
// identifier, the second holding other values: each listed as it went, the failed ones with what
// was and was not written, records named by the outcome, the end naming them, the exit code the
// worst unit's.
TEST_F(VorkactlTest, ASeriesListsEachUnitAsItWentAndEndsWithTheWorstCode) {
  { std::ofstream(File("mpg.vorka").toStdString()) << "HiLimitX = 500\nHiLimitY = 600\nMpgAcc = 400\n"; }
  unit_.SetId("VK10001");
  unit_.SetMpg(false);
  QProcess series;
  series.start(QStringLiteral(VORKACTL_PATH),
               {QStringLiteral("series"), File("mpg.vorka"), QStringLiteral("--records"), File("records")});
  std::string out;
  const auto listed = [&](std::size_t lines) {
    QElapsedTimer clock;
    clock.start();
    while (static_cast<std::size_t>(std::count(out.begin(), out.end(), '\n')) < lines &&
           clock.elapsed() < 30000) {
      series.waitForReadyRead(200);
      out += series.readAllStandardOutput().toStdString();
    }
    return static_cast<std::size_t>(std::count(out.begin(), out.end(), '\n')) >= lines;
  };
  const auto next = [&](const char* id) {
    unit_.SetSilent(true);  // unplugged: a try finds nobody
    QTest::qWait(1500);
    unit_.ResetRegisters();
    unit_.SetId(id);
    unit_.SetMpg(true);
  };
  ASSERT_TRUE(listed(1)) << out;
  next("VK20002");
  unit_.SetSilentFromCommand("EFW24,600");  // taken away after its first write
  unit_.SetSilent(false);
  ASSERT_TRUE(listed(2)) << out;
  next("VK30003");
  unit_.SetSilent(false);
  ASSERT_TRUE(listed(3)) << out;
  next("VK30003");  // another unit from the factory under the same identifier
  unit_.SetSilent(false);
  ASSERT_TRUE(listed(4)) << out;
  ::kill(static_cast<pid_t>(series.processId()), SIGINT);
  ASSERT_TRUE(series.waitForFinished(20000));
  out += series.readAllStandardOutput().toStdString();
  const std::string err = series.readAllStandardError().toStdString();
  EXPECT_EQ(series.exitCode(), kExitRefused) << err;  // the worst: refused (4) over no unit (3)
  EXPECT_NE(err.find("the series ended: written and verified: 2 (VK30003, VK30003); failed: 2 (VK10001, "
                     "VK20002); left alone, done already: 0\n"),
            std::string::npos)
      << err;

  const QStringList lines = QString::fromStdString(out).split(u'\n', Qt::SkipEmptyParts);
  ASSERT_EQ(lines.size(), 4) << out;
  const QString rows[] = {
      QStringLiteral("^VK10001\t.*\tfailed: the file holds MPG settings and the unit has no MPG firmware; "
                     "nothing was sent; record .*VK10001-chyba\\.pdf$"),
      QStringLiteral(
          "^VK20002\t.*\tfailed: the unit stopped answering after acknowledging 1 of 3 writes; it may "
          "now hold part of the file; its settings before are in .*VK20002.*; no record: the unit did "
          "not answer its reading$"),
      QStringLiteral("^VK30003\t.*\twritten and verified: 3 registers; backup: .*; record .*VK30003\\.pdf$"),
      QStringLiteral("^VK30003\t.*\twritten and verified: 3 registers; backup: .*; its identifier was done "
                     "before, on a unit that held other values; record .*VK30003-2\\.pdf$"),
  };
  for (int n = 0; n < 4; ++n)
    EXPECT_TRUE(QRegularExpression(rows[n]).match(lines[n]).hasMatch()) << lines[n].toStdString();
  const std::string list = Slurp(File("records/series.txt"));
  EXPECT_NE(list.find("\n# the series ended: written and verified: 2"), std::string::npos) << list;
  const std::string record = PdfText(File("records/VK10001-chyba.pdf"));
  EXPECT_NE(record.find("nic nezapsáno"), std::string::npos) << record;
  EXPECT_EQ(record.find("neproběhl"), std::string::npos) << record;
}

// Without a font a record's PDF would hold bars, not text, and exit 0: with nothing to lay pages out
// in (a font configuration of no fonts), report and series fail, named, before a unit is asked;
// a text record needs no font.
TEST_F(VorkactlTest, ARecordWithoutAFontIsRefusedBeforeTheUnitIsAsked) {
  { std::ofstream(File("limit.vorka").toStdString()) << "HiLimitX = 500\n"; }
  {
    std::ofstream(File("fonts.conf").toStdString()) << "<?xml version=\"1.0\"?>\n<fontconfig></fontconfig>\n";
  }
  ::setenv("FONTCONFIG_FILE", File("fonts.conf").toLocal8Bit().constData(), 1);
  const struct {
    QStringList arguments;
    int code;
  } cases[] = {
      {{QStringLiteral("report"), QStringLiteral("-o"), File("unit.pdf")}, kExitFile},
      {{QStringLiteral("series"), File("limit.vorka"), QStringLiteral("--records"), File("records")},
       kExitFile},
      {{QStringLiteral("report"), QStringLiteral("-o"), File("unit.txt")}, kExitOk},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.arguments.join(u' ').toStdString());
    unit_.ClearReceived();
    const Run run = Ctl(c.arguments);
    EXPECT_EQ(run.code, c.code) << run.err;
    if (c.code == kExitOk) continue;
    EXPECT_EQ(
        run.err,
        "vorkactl: no font was found to lay out a record's pages in, so its PDF would hold no text; nothing "
        "was asked of the unit\n");
    EXPECT_TRUE(Received().empty());
    EXPECT_FALSE(QFile::exists(File("unit.pdf")));
    EXPECT_FALSE(QFile::exists(File("records")));
  }
  ::unsetenv("FONTCONFIG_FILE");
}

// Ctrl-C while a unit is being done ends the series there with 130, the unit listed as interrupted.
TEST_F(VorkactlTest, ASeriesInterruptedInAUnitEndsWith130) {
  { std::ofstream(File("line.vorka").toStdString()) << "HiLimitX = 500\n"; }
  unit_.SetDelayMs(40);  // the read before the write takes over a second
  QProcess series;
  series.start(QStringLiteral(VORKACTL_PATH),
               {QStringLiteral("series"), File("line.vorka"), QStringLiteral("--records"), File("records")});
  QElapsedTimer clock;
  clock.start();
  // Inside the unit's backup read: past the identification and a few registers.
  while (Received().size() < 8 && clock.elapsed() < 20000) QTest::qWait(10);
  ::kill(static_cast<pid_t>(series.processId()), SIGINT);
  ASSERT_TRUE(series.waitForFinished(20000));
  EXPECT_EQ(series.exitCode(), kExitInterrupted) << series.readAllStandardError().toStdString();
  EXPECT_NE(Slurp(File("records/series.txt")).find("VK12345\tTK20MPG v2.4\t"), std::string::npos);
  const auto writes = Writes();
  EXPECT_EQ(std::count(writes.begin(), writes.end(), "!0EFW20,500"), 0);  // nothing sent
}

}  // namespace
