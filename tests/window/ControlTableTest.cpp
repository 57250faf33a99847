#include "ui_Term.h"
#include "window/ControlTable.h"

#include <QLineEdit>
#include <QMainWindow>

#include <gtest/gtest.h>

namespace {

// The window's form, as Designer leaves it, with one control renamed.
struct RenamedForm {
  explicit RenamedForm(const char* name) {
    ui.setupUi(&window);
    if (*name)
      window.findChild<QObject*>(QString::fromLatin1(name))->setObjectName(QStringLiteral("Renamed"));
  }
  QMainWindow window;
  Ui::TTermForm ui;
};

std::string ProblemOf(const char* renamed) {
  RenamedForm form(renamed);
  try {
    ControlTable table(form.window);
  } catch (const MissingControls& missing) {
    return missing.what();
  }
  return {};
}

}  // namespace

TEST(ControlTableTest, TheFormHasEveryControlTheTablesName) {
  RenamedForm form("");
  const ControlTable table(form.window);
  EXPECT_EQ(&table.Edit("GearX"), form.ui.GearX);
  EXPECT_EQ(&table.Radio("RadioPolarityNormal"), form.ui.RadioPolarityNormal);
  EXPECT_EQ(table.Group("OUT1").Count(), 9);
  EXPECT_EQ(table.Group("OUT1").Box(), form.ui.OUT1);
  EXPECT_EQ(&table.Widget("TabSheet3"), form.ui.TabSheet3);
  // A name outside the tables is the program's fault, said as loudly.
  EXPECT_THROW(table.Edit("Gear"), std::logic_error);
  EXPECT_THROW(table.Group("StartNum"), std::logic_error);
}

TEST(ControlTableTest, AControlRenamedInTheFormIsNamedWhenTheWindowIsMade) {
  const struct {
    const char* renamed;
    const char* named;
  } cases[] = {
      {"GearY", "GearY (QLineEdit)"},                      // a numeric field
      {"BreakDelay", "BreakDelay (QLineEdit)"},            // a register's edit
      {"OUT2", "OUT2 (QGroupBox)"},                        // a list register
      {"PWMItem1", "PWMItem0 … PWMItem1 (QRadioButton)"},  // an item of a list
      {"ZAxisPolarity", "ZAxisPolarity (QGroupBox)"},      // a bit of the polarity byte
      {"RadioPolarityInverze", "RadioPolarityInverze (QRadioButton)"},
      {"TabSheet2", "TabSheet2 (QWidget)"},  // enabled by the identification
      {"DefSpinSpeed", "DefSpinSpeed (QLineEdit)"},
  };
  for (const auto& c : cases) EXPECT_NE(ProblemOf(c.renamed).find(c.named), std::string::npos) << c.renamed;
}
