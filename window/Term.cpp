#include "window/Term.h"

#include "entry/Cp1250.h"
#include "entry/IntegerText.h"
#include "entry/NumericFields.h"
#include "entry/Validation.h"
#include "link/Async.h"
#include "link/Help.h"
#include "link/Setup.h"
#include "link/UniUSB.h"
#include "protocol/InputWord.h"
#include "ui_Term.h"
#include "window/LimitedEdit.h"
#include "window/Look.h"
#include "window/MessageSeam.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileDialog>
#include <QRadioButton>
#include <QScreen>
#include <QScrollBar>
#include <QTimer>

namespace {

const QString kNoPortOpen = QStringLiteral("Není otevřen žádný port");
const QString kNotVorka = QStringLiteral("Jednotka nekomunikuje nebo není VORKA");
const QString kNotSaved = QStringLiteral("Neuloženo");
const QString kStartInputCaption = QStringLiteral("Vstup pro start referencí");
const QColor kGreyText(128, 128, 128);

constexpr int kInputsPage = 1;
constexpr int kDebugPage = 3;
// Bit of the input word shown in column "Stav" of grid rows 1 to 10: inputs 0 to 7, 14 and 15.
constexpr int kInputRowBits[] = {0, 1, 2, 3, 4, 5, 6, 7, 14, 15};

// The factory settings, in the order they are set: a radio group's item, a radio button's check
// (value 1 or 0), or an edit's text.
struct FactorySetting {
  const char* control;
  int value;
  const char* text;
};
constexpr FactorySetting kFactorySettings[] = {
    {"OUT1", 2, nullptr},
    {"XAxisPolarity", 0, nullptr},
    {"OUT2", 3, nullptr},
    {"YAxisPolarity", 0, nullptr},
    {"OUT3", 7, nullptr},
    {"ZAxisPolarity", 0, nullptr},
    {"PWM", 0, nullptr},
    {"AAxisPolarity", 0, nullptr},
    {"AxisLink", 0, nullptr},
    {"BreakDelay", 0, "10"},
    {"RadioPolarityInverze", 0, nullptr},
    {"RadioPolarityNormal", 1, nullptr},
    {"MpgUsage", 0, nullptr},
    {"LoLimitX", 0, "0"},
    {"LoLimitY", 0, "0"},
    {"LoLimitZ", 0, "0"},
    {"HiLimitX", 0, "1"},
    {"HiLimitY", 0, "1"},
    {"HiLimitZ", 0, "1"},
    {"GearX", 0, "1"},
    {"GearY", 0, "1"},
    {"GearZ", 0, "1"},
    {"RefSpeedX", 0, "1"},
    {"RefSpeedY", 0, "1"},
    {"RefSpeedZ", 0, "1"},
    {"MpgMaxSpeed", 0, "1"},
    {"MpgAcc", 0, "1"},
    {"TimeOver", 0, "100"},
    {"DefSpinSpeed", 0, "1"},
};
constexpr int kGridRowHeight = 18;
constexpr int kGridWidthAfterStartup = 297;
constexpr int kGridColumnWidths[] = {22, 40, 75, 75, 75};

// The input grid: rows 1 to 10 with their input numbers and start-up names.
struct GridRow {
  const char* number;
  const char* name;
};
constexpr GridRow kGridRows[] = {
    {"0", "RefX"}, {"1", "RefY"}, {"2", "RefZ"}, {"3", "-"},        {"4", "-"},
    {"5", "-"},    {"6", "-"},    {"7", "-"},    {"14", "Tl.Sens"}, {"15", "Sensor"},
};
const char* const kGridHeader[] = {"č.", "Stav", "Jméno", "Polarita", "Povoleno"};

// What the MPG mode does to an edit, per item of MpgUsage.
enum class Mode { Off, On, OnInDebug, OffInDebug };
struct ModeRule {
  const char* names[3];
  Mode item[3];
};
constexpr ModeRule kMpgModeRules[] = {
    {{"GearX", "GearY", "GearZ"}, {Mode::Off, Mode::On, Mode::On}},
    {{"LoLimitX", "LoLimitY", "LoLimitZ"}, {Mode::Off, Mode::OnInDebug, Mode::OffInDebug}},
    {{"HiLimitX", "HiLimitY", "HiLimitZ"}, {Mode::Off, Mode::On, Mode::Off}},
    {{"RefSpeedX", "RefSpeedY", "RefSpeedZ"}, {Mode::Off, Mode::On, Mode::On}},
    {{"MpgMaxSpeed", "MpgAcc", nullptr}, {Mode::Off, Mode::On, Mode::On}},
    {{"DefSpinSpeed", "TimeOver", nullptr}, {Mode::Off, Mode::On, Mode::On}},
    {{"StrGridVstupy", "StartNum", nullptr}, {Mode::Off, Mode::On, Mode::On}},
};

// The MPG controls that are not covered by the mode rules.
const char* const kMpgOnlyControls[] = {"TabSheet2", "TabSheet3", "MpgUsage", "ReadCFG", "AxisLink"};
const char* const kLoLimits[] = {"LoLimitX", "LoLimitY", "LoLimitZ"};
const char* const kOutputControls[] = {"BreakDelay",
                                       "PWM",
                                       "OUT1",
                                       "OUT2",
                                       "OUT3",
                                       "RadioPolarityInverze",
                                       "RadioPolarityNormal",
                                       "XAxisPolarity",
                                       "YAxisPolarity",
                                       "ZAxisPolarity",
                                       "AAxisPolarity",
                                       "AxisLink"};

QString Latin1(const std::string& text) { return QString::fromLatin1(text.data(), qsizetype(text.size())); }

// Characters from..to (counted from 1) of a text, fewer when it is shorter.
std::string Chars(const std::string& text, std::size_t from, std::size_t to) {
  if (text.size() < from) return {};
  return text.substr(from - 1, to - from + 1);
}

}  // namespace

TTermForm::TTermForm(QStringList args, QWidget* parent)
    : QMainWindow(parent), ui(new Ui::TTermForm), args_(std::move(args)), exchange_(*this, serial_) {
  ui->setupUi(this);
  exchange_.SetUsbTransport(&usb_);
  SetUsbErrorReporter(
      [](const std::string& message) { Messages().ErrorBox(QString::fromStdString(message)); });
  SetUpControls();
  ConnectHandlers();
  FormCreate();
}

TTermForm::~TTermForm() { delete ui; }

RadioGroup* TTermForm::Group(const QString& name) const {
  for (const auto& group : groups_)
    if (group->Box()->objectName() == name) return group.get();
  return nullptr;
}

void TTermForm::SetForms(TFormSetup* setup, TFormHelp* help) {
  setup_ = setup;
  help_ = help;
}

void TTermForm::SetUpControls() {
  ApplyLook(this);
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
  ui->centralwidget->setFixedSize(857, 361);
  setFixedSize(857, 361 + ui->MainMenu1->sizeHint().height());
  if (const QScreen* screen = QGuiApplication::primaryScreen())
    move(screen->availableGeometry().center() - rect().center());

  for (QGroupBox* box : {ui->OUT1, ui->OUT2, ui->OUT3, ui->PWM, ui->XAxisPolarity, ui->YAxisPolarity,
                         ui->ZAxisPolarity, ui->AAxisPolarity, ui->AxisLink, ui->MpgUsage})
    groups_.push_back(std::make_unique<RadioGroup>(box));

  for (const NumericField& field : kNumericFields)
    LimitTyping(findChild<QLineEdit*>(QString::fromLatin1(field.name)), field.maxTyped);
  LimitTyping(ui->BreakDelay, kBreakDelayMaxTyped);

  ui->PageControl->setTabVisible(kDebugPage, false);
  ui->StartNum->setCurrentIndex(-1);
  ui->StartNum->setEditText(QStringLiteral("StartNum"));

  auto* grid = ui->StrGridVstupy;
  grid->setColumnCount(5);
  grid->setRowCount(11);
  grid->horizontalHeader()->hide();
  grid->verticalHeader()->hide();
  grid->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  grid->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  grid->setFont(FixedPitchFont(9));
  grid->verticalHeader()->setMinimumSectionSize(kGridRowHeight);
  for (int r = 0; r < 11; ++r) {
    grid->setRowHeight(r, kGridRowHeight);
    for (int c = 0; c < 5; ++c) {
      auto* item = new QTableWidgetItem;
      if (r == 0 || c < 2) {  // fixed cells: headers, input numbers, live state
        item->setFlags(Qt::ItemIsEnabled);
        item->setBackground(palette().button());
      }
      grid->setItem(r, c, item);
    }
  }

  tim_ = new QTimer(this);
  tim_->setInterval(40);

  OpenDialog = new QFileDialog(this);
  OpenDialog->setFileMode(QFileDialog::ExistingFile);
  OpenDialog->setAcceptMode(QFileDialog::AcceptOpen);
  RunOpenDialog = [this](QString& path) {
    if (OpenDialog->exec() != QDialog::Accepted || OpenDialog->selectedFiles().isEmpty()) return false;
    path = OpenDialog->selectedFiles().first();
    return true;
  };
}

void TTermForm::ConnectHandlers() {
  connect(ui->PortMnu, &QAction::triggered, this, Guarded([this] { PortMnuClick(); }));
  connect(ui->HelpMnu, &QAction::triggered, this, Guarded([this] { HelpMnuClick(); }));
  connect(ui->btexit, &QPushButton::clicked, this, Guarded([this] { btexitClick(); }));
  connect(ui->posuvnik, &QScrollBar::actionTriggered, this,
          [this](int) { RunGuarded([this] { posuvnikScroll(ui->posuvnik->sliderPosition()); }); });
  MpgUsage().OnClick([this] { RunGuarded([this] { MpgUsageClick(); }); });
  connect(ui->PageControl, &QTabWidget::currentChanged, this, Guarded([this] { PageControlChange(); }));
  connect(tim_, &QTimer::timeout, this, Guarded([this] { TimTimer(); }));
  connect(ui->Button1, &QPushButton::clicked, this, Guarded([this] { Button1Click(); }));
  connect(ui->ReadCFG, &QPushButton::clicked, this, Guarded([this] { ReadCFGClick(); }));
  connect(ui->ReadSetting, &QPushButton::clicked, this, Guarded([this] { ReadSettingClick(); }));
  connect(ui->BtnSend1, &QPushButton::clicked, this, Guarded([this] { BtnSend1Click(); }));
  connect(ui->reset, &QPushButton::clicked, this, Guarded([this] { resetClick(); }));
  connect(ui->BreakDelay, &QLineEdit::textChanged, this, Guarded([this] { BreakDelayChange(); }));
  connect(ui->StartNum, &QComboBox::activated, this, Guarded([this] { StartNumChange(); }));
  connect(ui->StartNum->lineEdit(), &QLineEdit::textEdited, this, [this](const QString& text) {
    // Typed text that is not an item leaves no item selected, as the list's index follows the text.
    const int index = ui->StartNum->findText(text, Qt::MatchExactly);
    if (index != ui->StartNum->currentIndex()) {
      const int cursor = ui->StartNum->lineEdit()->cursorPosition();
      ui->StartNum->setCurrentIndex(index);
      ui->StartNum->setEditText(text);
      ui->StartNum->lineEdit()->setCursorPosition(cursor);
    }
    RunGuarded([this] { StartNumChange(); });
  });
}

// ---- Creation, start-up, shutdown ----

void TTermForm::FormCreate() {
  setWindowTitle(kTitleNoPort);
  PortOpen = false;
  ui->MemoMakro1->clear();
}

void TTermForm::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (shown_) return;
  shown_ = true;
  // Once the window is on the screen, so that the operator sees it while the unit is asked.
  QTimer::singleShot(0, this, [this] { RunGuarded([this] { FormShow(); }); });
}

void TTermForm::FormShow() {
  shown_ = true;
  ui->posuvnik->setValue(ui->posuvnik->maximum());
  DebugMode = args_.size() > 1 && args_.at(1) == QStringLiteral("debug");
  if (DebugMode) {
    ui->PageControl->setTabVisible(kDebugPage, true);
    for (const char* name : kLoLimits) findChild<QWidget*>(QString::fromLatin1(name))->setEnabled(true);
  }
  MpgUsage().SetItemIndex(0);
  // The title names COM1 only when it really opened; otherwise nothing is sent and the unit
  // shows as absent.
  PortOpen = ComOpen("COM1", 115200, 'n', 8, 1.0f);
  setWindowTitle(PortOpen ? kTitleStartup : kTitleNoPort);
  SetReplyTimeoutMs(1000);
  if (setup_) setup_->SelectStartupSpeed();
  SetUpInputGrid();
  for (QLabel* label : {ui->in3descp, ui->in4descp, ui->in5descp, ui->in6descp, ui->in7descp}) label->clear();
  IdentifyUnit();
  if (UnitPresent) {
    CommandMode = "reset";
    RunCommandScript();
  }
}

void TTermForm::SetUpInputGrid() {
  auto* grid = ui->StrGridVstupy;
  for (int c = 0; c < 5; ++c) {
    grid->setColumnWidth(c, kGridColumnWidths[c]);
    grid->item(0, c)->setText(QString::fromUtf8(kGridHeader[c]));
  }
  for (int r = 1; r <= 10; ++r) {
    grid->item(r, 0)->setText(QString::fromLatin1(kGridRows[r - 1].number));
    grid->item(r, 2)->setText(QString::fromLatin1(kGridRows[r - 1].name));
    grid->item(r, 3)->setText(QStringLiteral("0"));
    grid->item(r, 4)->setText(QStringLiteral("0"));
  }
  grid->resize(kGridWidthAfterStartup, grid->height());
}

void TTermForm::CloseLink() {
  if (!PortOpen) return;
  if (setup_)
    setup_->CloseOpenedLink();
  else
    ComClose();
}

void TTermForm::FormClose() { CloseLink(); }

void TTermForm::closeEvent(QCloseEvent* event) {
  if (!exiting_) RunGuarded([this] { FormClose(); });
  exiting_ = true;
  event->accept();
  QApplication::quit();
}

void TTermForm::btexitClick() {
  FormClose();
  exiting_ = true;  // the close handler must not close the link a second time
  close();
}

void TTermForm::PortMnuClick() {
  if (setup_) setup_->exec();
  IdentifyUnit();
}

void TTermForm::HelpMnuClick() {
  if (help_) help_->exec();
}

// ---- The exchange and the debug page ----

std::vector<std::string> TTermForm::BuildScript() {
  if (CommandMode == "read") return BuildReadScript(MpgCapable);
  if (CommandMode == "write") return BuildWriteScript(*this, MpgCapable);
  return ShortScript(CommandMode);
}

ExchangeResult TTermForm::RunCommandScript() { return exchange_.Run(BuildScript()); }

LinkKind TTermForm::CurrentLinkKind() { return setup_ ? setup_->CurrentLinkKind() : LinkKind::Serial; }

std::string TTermForm::CommandPrefix() { return ui->EditPrefix->text().toLatin1().toStdString(); }

void TTermForm::LogsCleared() {
  ui->MemoMakro1->clear();
  ui->MemoRec->clear();
  ui->MemoSend->clear();
}

void TTermForm::ScriptShown(const std::vector<std::string>& script) {
  for (const auto& line : script) ui->MemoMakro1->appendPlainText(Latin1(line));
}

void TTermForm::LineSent(const std::string& line) { ui->MemoSend->appendPlainText(Latin1(line)); }

void TTermForm::ReplyLogged(const std::string& reply) { ui->MemoRec->appendPlainText(Latin1(reply)); }

void TTermForm::ExchangeTimed(long long microseconds) {
  ui->LbTime1->setText(QString::number(microseconds) + QStringLiteral("us"));
  ui->LbTime1->adjustSize();
}

void TTermForm::LogsToEnd() {
  for (QPlainTextEdit* memo : {ui->MemoRec, ui->MemoSend}) {
    QTextCursor cursor = memo->textCursor();
    cursor.movePosition(QTextCursor::End);
    memo->setTextCursor(cursor);
  }
}

void TTermForm::IdentifyAfterUsbFailure() { IdentifyUnit(); }

void TTermForm::ReportFailure() {
  Messages().Message(QStringLiteral("Chyba komunikace"));
  UnitPresent = false;
}

void TTermForm::posuvnikScroll(int newPosition) {
  const int lines = static_cast<int>(exchange_.Script().size());
  ui->posuvnik->setMaximum(lines > 14 ? lines - 14 : 1);
  // One event moves both logs by one line, however far the thumb travelled.
  const int step = newPosition > posuvnikMemory_ ? 1 : newPosition < posuvnikMemory_ ? -1 : 0;
  for (QPlainTextEdit* memo : {ui->MemoMakro1, ui->MemoRec}) {
    QScrollBar* bar = memo->verticalScrollBar();
    bar->setValue(bar->value() + step);
  }
  posuvnikMemory_ = newPosition;
}

// ---- Unit identification and enabling ----

void TTermForm::IdentifyUnit() {
  bool identified = false;
  if (PortOpen) {
    CommandMode = "check";
    RunCommandScript();
    identified = true;
    const std::string r1 = ReplyLine(1);
    if (Chars(r1, 3, 6) == "TK20") {
      UnitPresent = true;
      if (Chars(r1, 7, 9) == "MPG") {
        MpgCapable = true;
      } else {
        DisableMpgControls();
        MpgCapable = false;
      }
    } else {
      UnitPresent = MpgCapable = false;
    }
  }
  if (UnitPresent) {
    SetOutputControlsEnabled(true);
    if (MpgCapable) {
      EnableMpgControls();
      ApplyMpgUsage();
    }
    // Without a port the log holds whatever ran last, not the identification: keep the fields.
    if (identified) {
      ui->EditIpID->setText(Latin1(Chars(ReplyLine(0), 3, 9)));
      ui->EditVerIp->setText(Latin1(ReplyLine(1).size() > 2 ? ReplyLine(1).substr(2) : std::string()));
    }
  } else {
    ui->EditVerIp->setText(QStringLiteral("Jednotka nenalezena"));
    ui->EditIpID->setText(QStringLiteral("Nezjištěno"));
    SetOutputControlsEnabled(false);
    DisableMpgControls();
  }
}

void TTermForm::SetOutputControlsEnabled(bool on) {
  for (const char* name : kOutputControls) findChild<QWidget*>(QString::fromLatin1(name))->setEnabled(on);
}

void TTermForm::DisableMpgControls() {
  for (const char* name : kMpgOnlyControls) findChild<QWidget*>(QString::fromLatin1(name))->setEnabled(false);
  for (const ModeRule& rule : kMpgModeRules)
    for (const char* name : rule.names)
      if (name) findChild<QWidget*>(QString::fromLatin1(name))->setEnabled(false);
  SetGridTextColor(kGreyText);
}

void TTermForm::EnableMpgControls() {
  for (const char* name : kMpgOnlyControls) findChild<QWidget*>(QString::fromLatin1(name))->setEnabled(true);
  for (const ModeRule& rule : kMpgModeRules)
    for (const char* name : rule.names) {
      if (!name) continue;
      const bool loLimit = QByteArray(name).startsWith("LoLimit");
      if (!loLimit || DebugMode) findChild<QWidget*>(QString::fromLatin1(name))->setEnabled(true);
    }
  SetGridTextColor(palette().color(QPalette::WindowText));
}

void TTermForm::ApplyMpgUsage() {
  const int item = MpgUsage().ItemIndex();
  if (item < 0 || item > 2) return;
  for (const ModeRule& rule : kMpgModeRules) {
    const Mode mode = rule.item[item];
    for (const char* name : rule.names) {
      if (!name) continue;
      auto* edit = findChild<QWidget*>(QString::fromLatin1(name));
      switch (mode) {
        case Mode::Off: edit->setEnabled(false); break;
        case Mode::On: edit->setEnabled(true); break;
        case Mode::OnInDebug:
          if (DebugMode) edit->setEnabled(true);
          break;
        case Mode::OffInDebug:
          if (DebugMode) edit->setEnabled(false);
          break;
      }
    }
  }
  if (item == 0) {
    ui->StartNum->setCurrentIndex(0);
    UpdateStartInputLabels();
  }
}

void TTermForm::MpgUsageClick() { ApplyMpgUsage(); }

void TTermForm::StartNumChange() { UpdateStartInputLabels(); }

void TTermForm::UpdateStartInputLabels() {
  const int item = ui->StartNum->currentIndex();
  if (item < 0) return;
  QLabel* labels[] = {ui->in3descp, ui->in4descp, ui->in5descp, ui->in6descp, ui->in7descp};
  for (int i = 0; i < 5; ++i) labels[i]->setText(item == i + 1 ? kStartInputCaption : QString());
}

void TTermForm::SetGridTextColor(const QColor& color) {
  QPalette p = ui->StrGridVstupy->palette();
  for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
    p.setColor(group, QPalette::Text, color);
  ui->StrGridVstupy->setPalette(p);
}

QColor TTermForm::GridTextColor() const {
  return ui->StrGridVstupy->palette().color(QPalette::Active, QPalette::Text);
}

// ---- Input monitor ----

bool TTermForm::InputsPageShown() const { return ui->PageControl->currentIndex() == kInputsPage; }

void TTermForm::PageControlChange() {
  if (!MpgCapable) return;
  if (InputsPageShown()) {
    tim_->start();
    CommandMode = "stav";
  } else {
    tim_->stop();
  }
}

void TTermForm::TimTimer() {
  if (!MpgCapable) return;
  // The failure box of an exchange lets ticks through while it is open; no tick may start an
  // exchange of its own then. Nor while no port is open on the transport chosen now (the port
  // dialog may show another one than is open): that would only repeat the failure.
  if (exchange_.Busy() || !PortOpen || (setup_ && !setup_->ChosenLinkIsOpened())) return;
  const uint16_t word = ReadInputWord();
  for (int row = 1; row <= 10; ++row) {
    const int bit = kInputRowBits[row - 1];
    ui->StrGridVstupy->item(row, 1)->setText((word >> bit) & 1 ? QStringLiteral("1") : QStringLiteral("0"));
  }
}

uint16_t TTermForm::ReadInputWord() {
  CommandMode = "stav";
  RunCommandScript();
  return InputWordFromReplies(ReplyLine(0), ReplyLine(1));
}

void TTermForm::PauseMonitor() {
  if (InputsPageShown()) tim_->stop();
}

void TTermForm::ResumeMonitor() {
  if (InputsPageShown() && MpgCapable) {
    CommandMode = "stav";
    tim_->start();
  }
}

// ---- Factory defaults and unit reset ----

void TTermForm::Button1Click() {
  for (const FactorySetting& setting : kFactorySettings) {
    const QString name = QString::fromLatin1(setting.control);
    if (setting.text) {
      findChild<QLineEdit*>(name)->setText(QString::fromLatin1(setting.text));
    } else if (RadioGroup* group = Group(name)) {
      group->SetItemIndex(setting.value);
    } else {
      findChild<QRadioButton*>(name)->setChecked(setting.value != 0);
    }
  }
  IdentifyUnit();
}

void TTermForm::resetClick() {
  if (!PortOpen) {
    Messages().Message(kNoPortOpen);
    return;
  }
  IdentifyUnit();
  if (!UnitPresent) return;
  PauseMonitor();
  CommandMode = "reset";
  RunCommandScript();
  ResumeMonitor();
}

// ---- Value entry ----

bool TTermForm::ValidateNumericFields() {
  bool gearsAccepted = true;
  const GearReport report = [](const std::string& message) {
    Messages().ErrorBox(QString::fromUtf8(message.data(), qsizetype(message.size())));
  };
  for (const NumericField& field : kNumericFields) {
    auto* edit = findChild<QLineEdit*>(QString::fromLatin1(field.name));
    const std::string text = edit->text().toStdString();
    std::optional<std::string> checked;
    if (field.kind == FieldKind::Integer)
      checked = CheckIntegerField(text, field.lowest, field.highest);
    else
      checked = CheckGearField(text, field.lowest, field.highest, report);
    if (!checked)
      gearsAccepted = false;
    else if (*checked != text)
      edit->setText(QString::fromStdString(*checked));
  }
  return gearsAccepted;
}

void TTermForm::BreakDelayChange() {
  const QString text = ui->BreakDelay->text();
  if (text.isEmpty()) return;
  const IntegerText parsed = ParseIntegerText(text.toStdString());
  if (parsed.malformed) {
    Messages().Message(QStringLiteral("Zadávat lze jen celá čísla"));
    ui->BreakDelay->setText(QString::number(BreakDelayValue));
    return;
  }
  if (parsed.value > kBreakDelayHighest)
    ui->BreakDelay->setText(QString::number(kBreakDelayHighest));
  else if (parsed.value < kBreakDelayLowest)
    ui->BreakDelay->setText(QString::number(kBreakDelayLowest));
  BreakDelayValue = ParseIntegerText(ui->BreakDelay->text().toStdString()).value;
}

// ---- Reading and saving settings ----

TTermForm::Reach TTermForm::ReachUnit() {
  if (!PortOpen) {
    Messages().Message(kNoPortOpen);
    return Reach::NoPort;
  }
  IdentifyUnit();
  if (!UnitPresent) {
    Messages().Message(kNotVorka);
    return Reach::NoUnit;
  }
  return Reach::Unit;
}

void TTermForm::ReadSettingClick() {
  if (ReachUnit() != Reach::Unit) return;
  PauseMonitor();
  CommandMode = "read";
  const ExchangeResult result = RunCommandScript();
  // Only the replies that arrived are decoded: after a failed exchange the controls not reached
  // keep the operator's values.
  const bool whole = DecodeReadReplies(result.replies, *this, MpgCapable);
  if (result.completed && !whole) return;  // an empty first reply: the outputs are all there is
  if (!InputsPageShown()) {
    ValidateNumericFields();
  } else if (MpgCapable) {
    ResumeMonitor();
    ValidateNumericFields();
  }
}

void TTermForm::BtnSend1Click() {
  // A gear ratio the pass rejected is not written to the unit.
  if (!ValidateNumericFields()) {
    Messages().Message(kNotSaved);
    return;
  }
  const Reach reach = ReachUnit();
  if (reach == Reach::NoUnit) Messages().Message(kNotSaved);
  if (reach != Reach::Unit) return;
  PauseMonitor();
  CommandMode = "write";
  const ExchangeResult result = RunCommandScript();
  // Saved only when every write got its reply and the first one begins with "0".
  if (result.completed && !result.replies.empty() && result.replies[0].compare(0, 1, "0") == 0)
    Messages().Message(QStringLiteral("Uložení proběhlo v pořádku"));
  ResumeMonitor();
}

// ---- The controls as the register map sees them ----

int TTermForm::ItemIndex(const std::string& control) {
  if (control == "StartNum") return ui->StartNum->currentIndex();
  return Group(QString::fromStdString(control))->ItemIndex();
}

void TTermForm::SelectItem(const std::string& control, int item) {
  if (control == "StartNum")
    ui->StartNum->setCurrentIndex(item);
  else
    Group(QString::fromStdString(control))->SetItemIndex(item);
}

std::string TTermForm::Text(const std::string& control) {
  return findChild<QLineEdit*>(QString::fromStdString(control))->text().toLatin1().toStdString();
}

void TTermForm::SetText(const std::string& control, const std::string& text) {
  findChild<QLineEdit*>(QString::fromStdString(control))->setText(Latin1(text));
}

bool TTermForm::Checked(const std::string& radioButton) {
  return findChild<QRadioButton*>(QString::fromStdString(radioButton))->isChecked();
}

void TTermForm::SetChecked(const std::string& radioButton, bool checked) {
  findChild<QRadioButton*>(QString::fromStdString(radioButton))->setChecked(checked);
}

std::string TTermForm::Cell(int column, int row) {
  return ui->StrGridVstupy->item(row, column)->text().toLatin1().toStdString();
}

void TTermForm::SetCell(int column, int row, const std::string& text) {
  ui->StrGridVstupy->item(row, column)->setText(Latin1(text));
}

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
