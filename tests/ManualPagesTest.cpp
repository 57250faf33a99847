// The manual pages name exactly the options the programs accept, as their --help lists them.
#include <gtest/gtest.h>

#include <QProcess>
#include <QRegularExpression>

#include <fstream>
#include <set>
#include <sstream>
#include <string>

namespace {

std::string Page(const char* name) {
  std::ifstream in(std::string(VORKA_SOURCE_DIR) + "/packaging/man/" + name);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

std::string Help(const char* program) {
  QProcess process;
  process.start(QString::fromLatin1(program), {QStringLiteral("--help")});
  process.waitForFinished(10000);
  return (process.readAllStandardOutput() + process.readAllStandardError()).toStdString();
}

// The long options a text names ("--port"; in a page "\-\-port").
std::set<std::string> LongOptions(std::string text) {
  for (std::size_t at; (at = text.find("\\-")) != std::string::npos;) text.replace(at, 2, "-");
  std::set<std::string> options{"--help"};  // the option that prints the help names itself or not
  const QRegularExpression option(QStringLiteral("--[a-z][a-z-]*[a-z]"));
  for (auto it = option.globalMatch(QString::fromStdString(text)); it.hasNext();)
    options.insert(it.next().captured().toStdString());
  return options;
}

TEST(ManualPagesTest, EachPageNamesTheOptionsItsProgramAccepts) {
  struct Case {
    const char* page;
    const char* program;
  };
  for (const Case& c : {Case{"vorkactl.1", VORKACTL_PATH}, Case{"vorka-sim.1", VORKA_SIM_PATH}}) {
    const std::string page = Page(c.page);
    ASSERT_FALSE(page.empty()) << c.page;
    EXPECT_EQ(LongOptions(page), LongOptions(Help(c.program))) << c.page;
  }
  // vorkactl's commands, each a paragraph of its page.
  const std::string help = Help(VORKACTL_PATH), page = Page("vorkactl.1");
  const auto paragraph = [&](const std::string& command) {
    for (const char* font : {"\n.B ", "\n.BR ", "\n.BI "})
      if (page.find(font + command) != std::string::npos) return true;
    return false;
  };
  for (const char* command :
       {"ports", "scan", "identify", "read", "write", "diff", "defaults", "reset", "monitor", "backups"}) {
    EXPECT_NE(help.find("\n  " + std::string(command)), std::string::npos) << command;
    EXPECT_TRUE(paragraph(command)) << command;
  }
  // The window program takes one parameter.
  EXPECT_NE(Page("vorka_config.1").find(".B debug"), std::string::npos);
}

}  // namespace
