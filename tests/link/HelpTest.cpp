#include "support/WindowFixture.h"
#include "ui_Help.h"
#include "ui_Setup.h"

#include <QTimer>

namespace {

class HelpTest : public WindowFixture {};

TEST_F(HelpTest, PanesHoldTheTextsExactly) {
  Create();
  const auto& ui = *help_->ui;
  EXPECT_EQ(help_->windowTitle(), QStringLiteral("FormHelp"));
  EXPECT_EQ(help_->size(), QSize(406, 165));
  EXPECT_TRUE(ui.Memo1->isReadOnly());
  EXPECT_TRUE(ui.Memo2->isReadOnly());
  const QStringList pins = ui.Memo1->toPlainText().split(u'\n');
  ASSERT_EQ(pins.size(), 10);
  EXPECT_EQ(pins[0], QStringLiteral("CAN 9 pinů"));
  EXPECT_EQ(pins[9], QStringLiteral("9=RI  vstup"));
  const QStringList notes = ui.Memo2->toPlainText().split(u'\n');
  ASSERT_EQ(notes.size(), 13);
  EXPECT_EQ(notes[0], QStringLiteral("VORKA config v1.2"));
  EXPECT_EQ(notes[1], QStringLiteral("28.01.2010"));
  EXPECT_EQ(notes[5], QStringLiteral("Veškeré změny se projeví po restartu jednotky nebo po "));
  EXPECT_EQ(notes[9], QStringLiteral("Po spuštění programu není otevřen žádný port. "));
  EXPECT_EQ(notes[10], QStringLiteral("Nastavte si ten, který vás zajímá, a stiskněte tlačítko "));
  EXPECT_EQ(notes[11], QStringLiteral("Otevřít. Dokud bude otevřen, tak nelze změnit jeho "));
  EXPECT_EQ(notes[12], QStringLiteral("parametry."));
}

TEST_F(HelpTest, ShownModallyFromTheMenuAndTheDialog) {
  Create();
  int shown = 0;
  auto closeWhenShown = [&] {
    QTimer::singleShot(0, help_.get(), [&] {
      if (help_->isVisible() && help_->isModal()) ++shown;
      help_->reject();
    });
  };
  closeWhenShown();
  term_->HelpMnuClick();
  closeWhenShown();
  setup_->BtnHelpClick();
  EXPECT_EQ(shown, 2);
}

}  // namespace
