#include "link/Async.h"
#include "link/OpenFailure.h"
#include "tests/support/SimFixture.h"

#include <QSerialPort>

#include <grp.h>
#include <unistd.h>

#include <pwd.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace {

TEST(OpenFailureTest, SystemErrorsGiveTheReason) {
  // A node owned by the group that may open serial ports; the reason names that group.
  const std::string node =
      std::filesystem::temp_directory_path() / ("vorka-node-" + std::to_string(::getpid()));
  std::ofstream(node).put('x');
  const group* dialout = ::getgrnam("dialout");
  ASSERT_NE(dialout, nullptr);
  ASSERT_EQ(::chown(node.c_str(), static_cast<uid_t>(-1), dialout->gr_gid), 0);
  ASSERT_EQ(::chmod(node.c_str(), 0660), 0);
  struct Case {
    int error;
    OpenFailure::Kind kind;
    const char* czech;
  };
  using K = OpenFailure::Kind;
  const Case cases[] = {
      {ENOENT, K::NoDevice, "takové zařízení není"},
      {ENXIO, K::NoDevice, "takové zařízení není"},
      {EACCES, K::PermissionDenied,
       "přístup odepřen.\nPřidejte se do skupiny dialout příkazem\n    sudo usermod -aG dialout $USER\na "
       "přihlaste se znovu."},
      {EPERM, K::PermissionDenied, "sudo usermod -aG dialout $USER"},
      {EBUSY, K::InUse, "používá ho jiný program"},
      {EIO, K::Other, "nelze otevřít: Input/output error"},
  };
  for (const Case& c : cases) {
    const OpenFailure failure = ClassifyOpenFailure("COM3", node, c.error);
    EXPECT_EQ(failure.kind, c.kind) << c.error;
    EXPECT_NE(CzechText(failure).find(c.czech), std::string::npos) << CzechText(failure);
    EXPECT_EQ(CzechText(failure).rfind("Port COM3 (" + node + ") nelze otevřít", 0), 0u)
        << CzechText(failure);
  }
  EXPECT_EQ(
      EnglishText(ClassifyOpenFailure("COM3", node, EACCES)),
      "cannot open COM3 (" + node +
          "): permission denied; join the group with `sudo usermod -aG dialout $USER`, then log in again");

  // A node its group may not read and write: joining the group would not help.
  for (const mode_t mode : {0600, 0620, 0640}) {
    ASSERT_EQ(::chmod(node.c_str(), mode), 0);
    const OpenFailure failure = ClassifyOpenFailure("COM3", node, EACCES);
    const std::string owner = ::getpwuid(::geteuid())->pw_name;
    EXPECT_EQ(EnglishText(failure), "cannot open COM3 (" + node + "): permission denied; only its owner (" +
                                        owner + ") may open it")
        << std::oct << mode;
    EXPECT_EQ(CzechText(failure).find("usermod"), std::string::npos);
    EXPECT_NE(CzechText(failure).find("Otevřít ho smí jen jeho vlastník (" + owner + ")."),
              std::string::npos);
  }
  std::filesystem::remove(node);
}

class OpenFailureLinkTest : public SimFixture {};

TEST_F(OpenFailureLinkTest, TheLinkTellsWhyAnOpenFailed) {
  EXPECT_FALSE(ComOpen("/nonexistent/tty", 115200, 'n', 8, 1.0f));
  ASSERT_TRUE(ComOpenFailure());
  EXPECT_EQ(ComOpenFailure()->kind, OpenFailure::Kind::NoDevice);

  // Another program holds the device.
  QSerialPort other;
  other.setPortName(QString::fromStdString(server_->SlavePath()));
  ASSERT_TRUE(other.open(QIODevice::ReadWrite));
  EXPECT_FALSE(ComOpen("COM1", 115200, 'n', 8, 1.0f));
  ASSERT_TRUE(ComOpenFailure());
  EXPECT_EQ(ComOpenFailure()->kind, OpenFailure::Kind::InUse);
  EXPECT_EQ(ComOpenFailure()->port, "COM1");
  EXPECT_EQ(ComOpenFailure()->device, server_->SlavePath());
  other.close();

  EXPECT_TRUE(ComOpen("COM1", 115200, 'n', 8, 1.0f));
  EXPECT_FALSE(ComOpenFailure());
}

}  // namespace
