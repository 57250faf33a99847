#include "entry/CfgReader.h"
#include "entry/Cp1250.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <map>

namespace {

namespace fs = std::filesystem;

class CfgReaderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("vorka-cfg-" + std::to_string(::getpid()) + "-" +
                                        ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string Write(const std::string& bytes, const std::string& name = "machine.cfg") {
    const fs::path path = dir_ / name;
    std::ofstream(path, std::ios::binary) << bytes;
    return path.string();
  }
  bool Read(const std::string& bytes) {
    return ReadCfgFile(Write(bytes), tables_,
                       [this](const char* f, const std::string& v) { fields_[f] = v; });
  }

  fs::path dir_;
  CfgTables tables_;
  std::map<std::string, std::string> fields_;
};

TEST(SplitCfgLineTest, KeyAndValue) {
  struct Case {
    const char* line;
    bool hasValue;
    const char* key;
    const char* value;
  };
  const Case cases[] = {
      {"KrNaMmX=200*16/5", true, "KRNAMMX", "200*16/5"},
      {"  VrefX=50", true, "VREFX", "50"},
      {"VrefX = 50", true, "VREFX ", "50"},
      {"VrefX= 50", true, "VREFX", "50"},
      {"VrefX=\t50\t", true, "VREFX", "50"},
      {"VrefX= \t 50 ", true, "VREFX", "50"},
      {"INTR3=1,1,Limit X", true, "INTR3", "1,1,LIMIT"},
      {"a=b=c", true, "A", "B=C"},
      {"x=\tv w", true, "X", "V"},
      {"x=v\tw", true, "X", "V\tW"},
      {"=5", true, "", "5"},
      {"  =5", true, "", "5"},
      {"INTR3", false, "", ""},
      {"", false, "", ""},
      {"\xe8=\xe8x", true, "\xe8", "\xe8X"},  // only a to z change case
  };
  for (const Case& c : cases) {
    const CfgLine line = SplitCfgLine(c.line);
    EXPECT_EQ(line.hasValue, c.hasValue) << c.line;
    EXPECT_EQ(line.key, c.key) << c.line;
    EXPECT_EQ(line.value, c.value) << c.line;
  }
}

TEST_F(CfgReaderTest, KnownKeysGoToTheirFields) {
  EXPECT_TRUE(
      Read("krnammx=200\r\nKrNaMmY=1,5\r\nKRNAMMZ=7\r\nVrefX=12.5\r\nVrefY=1\r\nVrefZ=2\r\n"
           "LimitX=100\r\nLimitY=200\r\nLimitZ=-150\r\nVmax=5000\r\nAkcelerace=300\r\n"
           "LoLimitX=5\r\nTimeOver=9\r\n[Sekce]\r\n; comment=1\r\n"));
  const std::map<std::string, std::string> expected = {
      {"GearX", "200"},    {"GearY", "1,5"},        {"GearZ", "7"},      {"RefSpeedX", "12.5"},
      {"RefSpeedY", "1"},  {"RefSpeedZ", "2"},      {"HiLimitX", "100"}, {"HiLimitY", "200"},
      {"HiLimitZ", "150"}, {"MpgMaxSpeed", "5000"}, {"MpgAcc", "300"}};
  EXPECT_EQ(fields_, expected);
}

TEST_F(CfgReaderTest, LimitZDropsOnlyALeadingMinus) {
  for (const auto& [text, field] : std::map<std::string, std::string>{{"LimitZ=-150", "150"},
                                                                      {"LimitZ=150", "150"},
                                                                      {"LimitZ=5", "5"},
                                                                      {"LimitZ=-", ""},
                                                                      {"LimitZ=", ""}}) {
    fields_.clear();
    Read(text);
    EXPECT_EQ(fields_["HiLimitZ"], field) << text;
  }
}

TEST_F(CfgReaderTest, InputLines) {
  tables_.names[9] = "EARLIER";
  EXPECT_TRUE(
      Read("INTR14=1,0,Tl.Sens\rINTR5=0,1,abcdefghijklmnopqrstuvwxyz\rINTR2=1,0,A\rINTR2=0,1,B\r"
           "INTR16=1,1,X\rINTR05=1,1,X\rINTR3\rINTR0=1\rINTR1=1,1\r"));
  EXPECT_EQ(tables_.names[14], "TL.SENS");
  EXPECT_EQ(tables_.names[5], "ABCDEFGHIJKLMNOPQRST");
  EXPECT_EQ(tables_.names[2], "B");
  EXPECT_EQ(tables_.names[9], "EARLIER");  // no line for it: the earlier import's name stays
  EXPECT_EQ(tables_.names[0], "");
  EXPECT_EQ(tables_.enableMask, (1u << 14) | (1u << 2) | 1u | (1u << 1));
  EXPECT_EQ(tables_.polarityMask, (1u << 5) | (1u << 2) | (1u << 1));
}

TEST_F(CfgReaderTest, EachImportStartsWithClearedFlags) {
  tables_.enableMask = tables_.polarityMask = tables_.namedMask = 0xFFFF;
  EXPECT_TRUE(Read("Vmax=1\r\n"));
  EXPECT_EQ(tables_.enableMask, 0);
  EXPECT_EQ(tables_.polarityMask, 0);
  EXPECT_EQ(tables_.namedMask, 0);
  EXPECT_TRUE(Read("INTR3=0,0,\r\nINTR12=1,0,Dvere\r\n"));  // an input off is named all the same
  EXPECT_EQ(tables_.namedMask, (1 << 3) | (1 << 12));
}

TEST_F(CfgReaderTest, LineEndsCrCrLfAndLf) {
  for (const char* end : {"\r", "\r\n", "\n"}) {
    fields_.clear();
    Read(std::string("VrefX=10") + end + "VrefY=20" + end + "VrefZ=30");
    EXPECT_EQ(fields_["RefSpeedX"], "10");
    EXPECT_EQ(fields_["RefSpeedY"], "20");
    EXPECT_EQ(fields_["RefSpeedZ"], "30");
  }
}

TEST_F(CfgReaderTest, CtrlZEndsTheFile) {
  Read("VrefX=10\r\n\x1aVrefY=20\r\n");
  EXPECT_EQ(fields_["RefSpeedX"], "10");
  EXPECT_EQ(fields_.count("RefSpeedY"), 0u);
  fields_.clear();
  Read(
      "VrefX=1\x1a"
      "0\r\n");
  EXPECT_EQ(fields_["RefSpeedX"], "1");
}

TEST_F(CfgReaderTest, OnlyTheFirst255CharactersOfALineCount) {
  Read("VrefX=" + std::string(249, '7') + "8" + std::string(44, '9') + "\r\nVrefY=2\r\n");
  EXPECT_EQ(fields_["RefSpeedX"], std::string(249, '7'));
  EXPECT_EQ(fields_["RefSpeedY"], "2");
}

TEST_F(CfgReaderTest, CzechNamesInCodePage1250) {
  Read("INTR3=1,0,\xe8idlo\r\nINTR4=1,0,Dve\xf8\xe1\r\n");  // "čidlo", "Dveřá"
  EXPECT_EQ(Cp1250ToUtf16(tables_.names[3]), u"\u010dIDLO");
  EXPECT_EQ(Cp1250ToUtf16(tables_.names[4]), u"DVE\u0159\u00e1");
  EXPECT_EQ(Cp1250ToUtf16("\x8a\x9e\x80\x81"), u"\u0160\u017e\u20ac\ufffd");
}

TEST_F(CfgReaderTest, MissingFileChangesNothing) {
  tables_.enableMask = 5;
  EXPECT_FALSE(ReadCfgFile((dir_ / "none.cfg").string(), tables_, [](const char*, const std::string&) {}));
  EXPECT_FALSE(ReadCfgFile(dir_ / "none" / "x.cfg", tables_, [](const char*, const std::string&) {}));
  EXPECT_EQ(tables_.enableMask, 5);
}

TEST_F(CfgReaderTest, DirectoryIsAnInputOutputError) {
  try {
    ReadCfgFile(dir_.string(), tables_, [](const char*, const std::string&) {});
    ADD_FAILURE();
  } catch (const CfgIoError& e) {
    EXPECT_STREQ(e.what(), "File access denied");
  }
}

TEST(IoErrorMessageTest, SystemErrorsGiveTheOperatorsMessages) {
  struct Case {
    int error;
    const char* message;
  };
  const Case cases[] = {
      {ENOENT, "File not found"},      {ENOTDIR, "Invalid filename"},   {ENAMETOOLONG, "Invalid filename"},
      {EMFILE, "Too many open files"}, {ENFILE, "Too many open files"}, {EACCES, "File access denied"},
      {EPERM, "File access denied"},   {EISDIR, "File access denied"},  {ENOSPC, "Disk full"},
      {EIO, "I/O error 30"},
  };
  for (const Case& c : cases) EXPECT_EQ(IoErrorMessage(IoErrorCode(c.error)), c.message) << c.error;
  // Any other error by the system's own number.
  EXPECT_EQ(IoErrorMessage(IoErrorCode(ELOOP)), "I/O error " + std::to_string(ELOOP));
}

TEST(IoErrorMessageTest, MessagesOfTheCodes) {
  EXPECT_EQ(IoErrorMessage(2), "File not found");
  EXPECT_EQ(IoErrorMessage(3), "Invalid filename");
  EXPECT_EQ(IoErrorMessage(4), "Too many open files");
  EXPECT_EQ(IoErrorMessage(5), "File access denied");
  EXPECT_EQ(IoErrorMessage(100), "Read beyond end of file");
  EXPECT_EQ(IoErrorMessage(101), "Disk full");
  EXPECT_EQ(IoErrorMessage(106), "Invalid numeric input");
  EXPECT_EQ(IoErrorMessage(30), "I/O error 30");
}

}  // namespace
