#include "tests/support/WindowFixture.h"
#include "ui_Help.h"
#include "ui_Setup.h"

#include <QApplication>
#include <QTextBlock>
#include <QTextLayout>
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
  const QStringList pins = {QStringLiteral("CAN 9 pinů"),   QStringLiteral("1=DCD vstup"),
                            QStringLiteral("2=RxD vstup"),  QStringLiteral("3=TxD výstup"),
                            QStringLiteral("4=DTR výstup"), QStringLiteral("5=GND"),
                            QStringLiteral("6=DSR vstup"),  QStringLiteral("7=RTS výstup"),
                            QStringLiteral("8=CTS vstup"),  QStringLiteral("9=RI  vstup")};
  EXPECT_EQ(ui.Memo1->toPlainText().split(u'\n'), pins);
  const QStringList notes = {QStringLiteral("VORKA config v1.2"),
                             QStringLiteral("28.01.2010"),
                             QString(),
                             QStringLiteral("Program slouží ke konfiguraci výstupů jednotky VORKA"),
                             QString(),
                             QStringLiteral("Veškeré změny se projeví po restartu jednotky nebo po "),
                             QStringLiteral("odpojení a přípojení napájení."),
                             QStringLiteral("Po restartu program zahlásí chybu komunikace."),
                             QString(),
                             QStringLiteral("Po spuštění programu není otevřen žádný port. "),
                             QStringLiteral("Nastavte si ten, který vás zajímá, a stiskněte tlačítko "),
                             QStringLiteral("Otevřít. Dokud bude otevřen, tak nelze změnit jeho "),
                             QStringLiteral("parametry.")};
  EXPECT_EQ(ui.Memo2->toPlainText().split(u'\n'), notes);
}

TEST_F(HelpTest, AllTenPinLinesShowInThePane) {
  Create();
  help_->show();
  QApplication::processEvents();
  auto* pins = help_->ui->Memo1;
  EXPECT_EQ(pins->geometry(), QRect(0, 4, 109, 157));
  QTextCursor last(pins->document()->lastBlock());
  last.movePosition(QTextCursor::EndOfBlock);
  EXPECT_LE(pins->cursorRect(last).bottom(), pins->viewport()->height());
  // One visual line per pin line: none of them wraps.
  int lines = 0;
  for (QTextBlock b = pins->document()->begin(); b.isValid(); b = b.next()) lines += b.layout()->lineCount();
  EXPECT_EQ(lines, 10);
  help_->hide();
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
