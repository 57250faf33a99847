// The manual pages and the shell completion name exactly the commands, options, speeds and exit
// codes the programs have, as their tables and --help list them.
#include "common/Version.h"
#include "link/Speeds.h"
#include "protocol/CtlArguments.h"

#include <gtest/gtest.h>

#include <QProcess>
#include <QRegularExpression>

#include <fstream>
#include <set>
#include <sstream>
#include <string>

namespace {

// As the build writes them, with its version.
std::string Page(const char* name) {
  std::ifstream in(std::string(VORKA_BUILD_DIR) + "/packaging/man/" + name);
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

// vorkactl's options as its table heads them: the long ones, and those named only by their short form.
std::set<std::string> TableOptions() {
  std::set<std::string> options;
  for (const CtlOptionInfo& option : CtlOptionTable()) {
    const std::string heading = option.heading;
    if (heading.find("--") != std::string::npos)
      options.insert(std::string("--") + option.longName);
    else
      options.insert(std::string("-") + option.shortName);
  }
  return options;
}

std::set<std::string> LongOnly(std::set<std::string> options) {
  std::erase_if(options, [](const std::string& o) { return !o.starts_with("--"); });
  return options;
}

TEST(ManualPagesTest, EachPageNamesTheOptionsItsProgramAccepts) {
  // vorkactl's parser reads its table: the help and the page name each option in it.
  EXPECT_EQ(LongOptions(Help(VORKACTL_PATH)), LongOnly(TableOptions()));
  EXPECT_EQ(LongOptions(Page("vorkactl.1")), LongOnly(TableOptions()));
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
  for (const CtlCommandInfo& command : CtlCommands()) {
    EXPECT_NE(help.find("\n  " + std::string(command.name)), std::string::npos) << command.name;
    EXPECT_TRUE(paragraph(command.name)) << command.name;
  }
  // The speeds --baud takes, and what each exit code means.
  std::string speeds;
  for (std::size_t i = 0; i < std::size(kLinkSpeeds); ++i)
    speeds += (i == 0 ? "" : i + 1 < std::size(kLinkSpeeds) ? ", " : " or ") + std::to_string(kLinkSpeeds[i]);
  speeds += "; default " + std::to_string(kStartupSpeed);
  EXPECT_NE(page.find(speeds), std::string::npos) << speeds;
  std::string flowing = page;  // the exit codes' paragraph as one line
  for (char& c : flowing)
    if (c == '\n') c = ' ';
  for (const CtlExitInfo& exit : CtlExitCodes())
    EXPECT_NE(flowing.find(std::to_string(exit.code) + " " + exit.meaning), std::string::npos)
        << exit.meaning;
  // The window program takes one parameter.
  EXPECT_NE(Page("vorka_config.1").find(".B debug"), std::string::npos);
  // Every page carries the program's version, and the changelog's newest entry is of it.
  for (const char* name : {"vorka_config.1", "vorkactl.1", "vorka-sim.1"})
    EXPECT_NE(Page(name).find(std::string("\"vorka-config ") + kProgramVersion + "\""), std::string::npos)
        << name;
  std::ifstream changelog(std::string(VORKA_SOURCE_DIR) + "/packaging/changelog");
  std::string newest;
  std::getline(changelog, newest);
  EXPECT_TRUE(newest.starts_with(std::string("vorka-config (") + kProgramVersion + ")")) << newest;
}

// The guide's page on vorkactl: a row per command of the table, and each exit code with the meaning
// the help gives it.
TEST(ManualPagesTest, TheGuidesPageOnVorkactlFollowsTheTable) {
  std::ifstream in(std::string(VORKA_SOURCE_DIR) + "/doc/vorkactl.md");
  std::stringstream s;
  s << in.rdbuf();
  std::string page = s.str();
  ASSERT_FALSE(page.empty());
  for (const CtlCommandInfo& command : CtlCommands())
    EXPECT_NE(page.find("\n| `" + std::string(command.name)), std::string::npos) << command.name;
  for (const CtlExitInfo& exit : CtlExitCodes())
    EXPECT_NE(page.find("\n- " + std::to_string(exit.code) + " " + exit.meaning), std::string::npos)
        << exit.meaning;
}

// What bash completes, with the completion as installed and vorkactl on the path.
std::set<std::string> Completed(const std::string& words) {
  QProcess bash;
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  const QString folder = QString::fromLatin1(VORKACTL_PATH).section(QLatin1Char('/'), 0, -2);
  environment.insert(QStringLiteral("PATH"),
                     folder + QLatin1Char(':') + environment.value(QStringLiteral("PATH")));
  bash.setProcessEnvironment(environment);
  const std::string script =
      "source '" + std::string(VORKA_SOURCE_DIR) +
      "/packaging/vorkactl.bash-completion'\nCOMP_WORDS=(vorkactl " + words +
      ")\nCOMP_CWORD=$((${#COMP_WORDS[@]} - 1))\n_vorkactl\nprintf '%s\\n' \"${COMPREPLY[@]}\"\n";
  bash.start(QStringLiteral("bash"), {QStringLiteral("-c"), QString::fromStdString(script)});
  bash.waitForFinished(10000);
  std::set<std::string> words_;
  std::istringstream out(bash.readAllStandardOutput().toStdString());
  for (std::string word; std::getline(out, word);)
    if (!word.empty()) words_.insert(word);
  return words_;
}

TEST(ManualPagesTest, TheCompletionOffersWhatVorkactlTakes) {
  std::set<std::string> commands{"help"};
  for (const CtlCommandInfo& command : CtlCommands()) commands.insert(command.name);
  EXPECT_EQ(Completed("''"), commands);
  std::set<std::string> speeds;
  for (const int32_t speed : kLinkSpeeds) speeds.insert(std::to_string(speed));
  EXPECT_EQ(Completed("--baud ''"), speeds);
  EXPECT_EQ(Completed("-"), TableOptions());
}

}  // namespace
