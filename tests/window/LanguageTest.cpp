#include "common/Wording.h"
#include "look/Language.h"
#include "tests/support/WindowFixture.h"
#include "ui_Term.h"

#include <QMenuBar>

#include <string>
#include <vector>

namespace {

TEST(LanguageChoice, TheOptionOrElseTheDesktopsFirstLanguageDecides) {
  struct Case {
    QStringList desktop;
    const char* chosen;
    Language expected;
  };
  const Case cases[] = {
      {{"en-US", "cs-CZ"}, "", Language::English},
      {{"en"}, "", Language::English},
      {{"en_GB"}, "", Language::English},
      {{"cs-CZ", "en-US"}, "", Language::Czech},
      {{"C"}, "", Language::Czech},
      {{}, "", Language::Czech},
      {{"de-DE", "en-US"}, "", Language::Czech},
      {{"eng"}, "", Language::Czech},
      {{"en-US"}, "cs", Language::Czech},
      {{"cs-CZ"}, "en", Language::English},
      {{"en-US"}, "fr", Language::English},  // a later version's choice: the desktop's
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.desktop.join(u',').toStdString() + " / " + c.chosen);
    EXPECT_EQ(LanguageFor(c.desktop, QString::fromLatin1(c.chosen)), c.expected);
  }
}

// The same read and save in each language: the window's words follow it, the unit hears the same.
class LanguageWindowTest : public WindowFixture {
 protected:
  void TearDown() override {
    InstallLanguage(Language::Czech);
    WindowFixture::TearDown();
  }
  std::vector<std::string> ReadAndSave(Language language) {
    EXPECT_TRUE(InstallLanguage(language));
    messages_.speaks = language;
    StartQuick();
    term_->ReadSettingClick();
    Settle();
    ui().RefSpeedZ->setText(QStringLiteral("42"));
    term_->BtnSend1Click();
    Settle();
    return Received();
  }
};

TEST_F(LanguageWindowTest, EnglishWordsTheWindowAndSendsTheUnitWhatCzechDoes) {
  const std::vector<std::string> czech = ReadAndSave(Language::Czech);
  EXPECT_EQ(ui().FileMnu->title(), QStringLiteral("Soubor"));
  EXPECT_EQ(messages_.all.value(messages_.all.size() - 1), QStringLiteral("Uložení proběhlo v pořádku"));

  Destroy();
  unit_.ClearReceived();
  const std::vector<std::string> english = ReadAndSave(Language::English);
  EXPECT_EQ(english, czech);
  EXPECT_FALSE(english.empty());
  EXPECT_EQ(ui().FileMnu->title(), QStringLiteral("File"));
  EXPECT_EQ(ui().ReadSetting->text(), QStringLiteral("Read from VORKA   "));
  EXPECT_EQ(ui().StrGridVstupy->item(0, 2)->text(), QStringLiteral("Name"));
  // The catalogue's words too.
  EXPECT_EQ(messages_.all.value(messages_.all.size() - 1),
            QString::fromStdString(Words(Said::Saved, Language::English)));
}

}  // namespace
