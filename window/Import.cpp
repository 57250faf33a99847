// The main window: import of MPG parameters and input definitions from a TORVEL file.
#include "window/Term.h"

#include "entry/Cp1250.h"
#include "protocol/MessageSeam.h"
#include "ui_Term.h"
#include "window/TermShared.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>

using namespace term;

// ---- Import from a TORVEL configuration file ----

void TTermForm::ReadCFGClick() {
  if (!MpgCapable) return;
  OpenDialog->setNameFilter(QStringLiteral("Konfigurace Torvel (*.cfg)"));
  OpenDialog->setDirectory(QDir::currentPath());
  QString path;
  if (!RunOpenDialog(path)) return;
  ReadCfgFile(path.left(255));
  // Also when no file was there: the grid shows the tables as they stand.
  for (int row = 1; row <= 10; ++row) {
    const int input = kInputRowBits[row - 1];
    const auto bit = static_cast<uint16_t>(1u << input);
    const std::u16string name = Cp1250ToUtf16(CfgImport.names[static_cast<std::size_t>(input)]);
    ui->StrGridVstupy->item(row, 2)->setText(QString::fromStdU16String(name));
    SetCell(3, row, CfgImport.polarityMask & bit ? "1" : "0");
    SetCell(4, row, CfgImport.enableMask & bit ? "1" : "0");
  }
}

void TTermForm::ReadCfgFile(const QString& path) {
  const auto setField = [this](const char* field, const std::string& value) {
    findChild<QLineEdit*>(QString::fromLatin1(field))
        ->setText(QString::fromStdU16String(Cp1250ToUtf16(value)));
  };
  if (::ReadCfgFile(QFile::encodeName(path).toStdString(), CfgImport, setField)) ValidateNumericFields();
}
