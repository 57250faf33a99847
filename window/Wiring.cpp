#include "window/Wiring.h"

#include "look/Language.h"
#include "look/Look.h"
#include "protocol/MessageSeam.h"
#include "protocol/settings/Settings.h"
#include "ui_Wiring.h"

#include <QDateTime>
#include <QDir>

TFormWiring::TFormWiring(QWidget* parent) : QDialog(parent), ui(std::make_unique<Ui::TFormWiring>()) {
  ui->setupUi(this);
  ApplyLook(this);
  connect(ui->BtnSkip, &QPushButton::clicked, this, Guarded([this] { BtnSkipClick(); }));
  connect(ui->BtnSaveResult, &QPushButton::clicked, this, Guarded([this] { BtnSaveResultClick(); }));
  connect(ui->BtnCloseWiring, &QPushButton::clicked, this, &QDialog::hide);
}

TFormWiring::~TFormWiring() = default;

void TFormWiring::Start(std::vector<WiringInput> inputs, std::vector<WiringInput> grid,
                        const Identity& unit) {
  unit_ = unit;
  startedAt_ = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm"));
  check_.emplace(std::move(inputs), std::move(grid));
  ui->LblMoved->clear();
  ShowState();
}

void TFormWiring::Sample(int64_t ms, uint16_t word) {
  if (!check_) return;
  const std::optional<WiringInput> before = check_->LastMoved();
  check_->Sample(ms, word);
  // Which input moved, live: the operator sees the wire answer before any verdict.
  if (const auto& moved = check_->LastMoved();
      moved && (!before || before->input != moved->input || ui->LblMoved->text().isEmpty()))
    ui->LblMoved->setText(tr("Naposledy se změnil: %1").arg(QString::fromStdString(InputCaption(*moved))));
  ShowState();
}

void TFormWiring::BtnSkipClick() {
  if (!check_) return;
  check_->Skip();
  ShowState();
}

void TFormWiring::ShowState() {
  ui->LstResults->clear();
  if (!check_) return;
  const bool done = check_->Done();
  ui->LblAsk->setText(done ? tr("Kontrola je hotová.")
                           : QString::fromStdString(check_->Instruction()) + QStringLiteral("."));
  for (const WiringResult& result : check_->Results())
    if (result.verdict != WiringVerdict::Pending)
      ui->LstResults->addItem(QString::fromStdString(WiringCheck::Line(result)));
  ui->BtnSkip->setEnabled(!done);
}

QString TFormWiring::ResultText() const {
  QString text =
      tr("Kontrola zapojení jednotky %1 (%2), %3\n")
          .arg(QString::fromStdString(unit_.id), QString::fromStdString(unit_.version), startedAt_);
  if (check_)
    for (const WiringResult& result : check_->Results())
      text += QString::fromStdString(WiringCheck::Line(result)) + u'\n';
  return text;
}

void TFormWiring::BtnSaveResultClick() {
  const QString path = ChooseSaveFile(tr("Uložit výsledek kontroly"), QStringLiteral("Text (*.txt)"));
  if (path.isEmpty()) return;
  if (const FileFault fault =
          SaveSettingsFile(path.toStdString(), ResultText().toStdString(), FileTarget::RegularOnly))
    Messages().Message(
        tr("Výsledek nelze uložit do „%1“: %2").arg(QDir::toNativeSeparators(path), WindowText(fault)));
}
