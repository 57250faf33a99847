// The main window: its controls, start-up and shutdown, and the debug page with the exchange.
#include "window/Term.h"

#include "common/Version.h"
#include "entry/InputNames.h"
#include "entry/NumericFields.h"
#include "link/Async.h"
#include "link/Speeds.h"
#include "link/UniUSB.h"
#include "link/ui/Help.h"
#include "link/ui/Setup.h"
#include "look/Look.h"
#include "protocol/MessageSeam.h"
#include "protocol/UnitProtocol.h"
#include "ui_Term.h"
#include "window/FileFolders.h"
#include "window/LimitedEdit.h"
#include "window/Review.h"
#include "window/Series.h"
#include "window/SettingsFiles.h"
#include "window/TermShared.h"
#include "window/Timeline.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileDialog>
#include <QScopedValueRollback>
#include <QScrollBar>
#include <QTimer>

#include <utility>

using namespace term;

namespace {

// The 18-pixel rows with their 1-pixel grid line: Qt draws the line inside the row, so the pitch
// that keeps the labels beside the grid on their rows is 19.
constexpr int kGridRowHeight = 19;
constexpr int kGridWidthAfterStartup = 297;
constexpr int kGridColumnWidths[] = {22, 40, 75, 75, 75};

const char* const kGridHeader[] = {"č.", "Stav", "Jméno", "Polarita", "Povoleno"};

const QString kTitlePrefix =
    QStringLiteral("VORKA config v") + QLatin1String(kProgramVersion) + QStringLiteral(" - ");

}  // namespace

const QString TTermForm::kTitleNoPort = kTitlePrefix + QStringLiteral("Žádný port");
const QString TTermForm::kTitleStartup = kTitlePrefix + QStringLiteral("COM1 - %1").arg(kStartupSpeed);

TTermForm::TTermForm(QStringList args, BackupStore backups, QWidget* parent)
    : QMainWindow(parent),
      ui(std::make_unique<Ui::TTermForm>()),
      backups_(std::move(backups)),
      args_(std::move(args)),
      exchange_(*this, serial_) {
  ui->setupUi(this);
  try {
    controls_ = std::make_unique<ControlTable>(*this);
  } catch (const MissingControls& missing) {
    // A control renamed in the form: nothing of the window could be trusted.
    qFatal("%s", missing.what());
  }
  exchange_.SetUsbTransport(&usb_);
  SetUsbErrorReporter(
      [](UsbCall, const std::string& message) { Messages().ErrorBox(QString::fromStdString(message)); });
  SetUsbOpenHint([](const OpenFailure& failure) { return CzechText(failure); });
  SetUpControls();
  files_ = std::make_unique<SettingsFiles>(*this, this);
  ChooseRecordFile = [this](const QString& title, const QString& filter) {
    return ChooseSavePath(this, title, filter);
  };
  ChooseSeriesFolder = [this] {
    QString folder = QFileDialog::getExistingDirectory(this, QStringLiteral("Složka pro protokoly série"),
                                                       FileDialogFolder());
    if (!folder.isEmpty()) RememberFileDialogChoice(QDir(folder).filePath(QStringLiteral("series.txt")));
    return folder;
  };
  RunSeriesDialog = [](TFormSeries& dialog) {
    CentreOnScreen(&dialog);
    dialog.exec();
  };
  files_->Loading = [this](const std::function<void()>& load) { ProgramChanges(load); };
  files_->Loaded = [this](const UnitSettings& filled, const std::string& from) {
    sources_.Loaded(ShownSettings(), filled, from);
  };
  ConnectHandlers();
  WatchSettingChanges();
  FormCreate();
  sources_.Consequences(ShownSettings());  // the form's own values: nobody chose them
}

TTermForm::~TTermForm() {
  // The USB link outlives the window: it reports to no box that is gone.
  SetUsbErrorReporter({});
  SetUsbOpenHint({});
}

void TTermForm::SetForms(TFormSetup* setup, TFormHelp* help) {
  setup_ = setup;
  help_ = help;
}

void TTermForm::SetUpControls() {
  ApplyLook(this);
  ui->centralwidget->setFixedSize(857, 361);
  MakeFixedWindow(this, false, 857, 361 + ui->MainMenu1->sizeHint().height());
  CentreOnScreen(this);

  for (const NumericField& field : kNumericFields) LimitTyping(&controls_->Edit(field.name), field.maxTyped);
  LimitTyping(ui->BreakDelay, kBreakDelayMaxTyped);

  ui->PageControl->setTabVisible(kDebugPage, false);
  ui->EditPrefix->setText(QString::fromLatin1(kUnitPrefix));
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

  clock_.start();
  tim_ = new QTimer(this);
  tim_->setInterval(kMonitorPeriodMs);

  openDialog_ = new QFileDialog(this, QStringLiteral("Načíst konfiguraci TORVEL"));
  openDialog_->setFileMode(QFileDialog::ExistingFile);
  openDialog_->setAcceptMode(QFileDialog::AcceptOpen);
  runOpenDialog_ = [this](QString& path) {
    if (openDialog_->exec() != QDialog::Accepted || openDialog_->selectedFiles().isEmpty()) return false;
    path = openDialog_->selectedFiles().first();
    RememberFileDialogChoice(path);
    return true;
  };
}

void TTermForm::ConnectHandlers() {
  connect(ui->SaveToFileMnu, &QAction::triggered, this,
          Guarded([this] { ProgramChanges([this] { files_->SaveToFileClick(); }); }));
  connect(ui->LoadFromFileMnu, &QAction::triggered, this,
          Guarded([this] { ProgramChanges([this] { files_->LoadFromFileClick(); }); }));
  connect(ui->CompareMnu, &QAction::triggered, this,
          Guarded([this] { ProgramChanges([this] { files_->CompareWithUnitClick(); }); }));
  connect(ui->BackupsMnu, &QAction::triggered, this,
          Guarded([this] { ProgramChanges([this] { files_->BackupsClick(); }); }));
  connect(ui->PortMnu, &QAction::triggered, this, Guarded([this] { PortMnuClick(); }));
  connect(ui->HelpMnu, &QAction::triggered, this, Guarded([this] { HelpMnuClick(); }));
  connect(ui->TimelineMnu, &QAction::triggered, this, Guarded([this] { TimelineMnuClick(); }));
  connect(ui->RecordMnu, &QAction::triggered, this, Guarded([this] { RecordMnuClick(); }));
  connect(ui->SeriesMnu, &QAction::triggered, this, Guarded([this] { SeriesMnuClick(); }));
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
  // Input names keep the files' rule wherever they come from (typed, pasted, a TORVEL import), so
  // that a saved file always loads again.
  connect(ui->StrGridVstupy, &QTableWidget::itemChanged, this, [](QTableWidgetItem* item) {
    if (item->column() != kNameColumn || item->row() == 0) return;
    const std::string name = item->text().toStdString();
    if (!InputNameAccepted(name)) item->setText(QString::fromStdString(CleanInputName(name)));
  });
}

// ---- Creation, start-up, shutdown ----

void TTermForm::FormCreate() {
  setWindowTitle(kTitleNoPort);
  state_.portOpen = false;
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
  // What start-up sets nobody chose.
  ProgramChanges([this] { StartUp(); });
}

void TTermForm::StartUp() {
  shown_ = true;
  ui->posuvnik->setValue(ui->posuvnik->maximum());
  state_.debugMode = args_.size() > 1 && args_.at(1) == QStringLiteral("debug");
  if (state_.debugMode) {
    ui->PageControl->setTabVisible(kDebugPage, true);
    for (const char* name : kLoLimits) controls_->Widget(name).setEnabled(true);
  }
  MpgUsage().SetItemIndex(0);
  // The title names COM1 only when it really opened; otherwise nothing is sent and the unit
  // shows as absent.
  state_.portOpen = ComOpen("COM1", kStartupSpeed, 'n', 8, 1.0f);
  setWindowTitle(state_.portOpen ? kTitleStartup : kTitleNoPort);
  SetReplyTimeoutMs(kReplyTimeoutMs);
  if (setup_) {
    setup_->SelectStartupSpeed();
    setup_->SetStartupOpenFailure(ComOpenFailure());  // said when the operator opens the dialog
  }
  SetUpInputGrid();
  for (QLabel* label : {ui->in3descp, ui->in4descp, ui->in5descp, ui->in6descp, ui->in7descp}) label->clear();
  IdentifyUnit();
  if (state_.unitPresent) {
    state_.commandMode = "reset";
    RunCommandScript();
  }
}

void TTermForm::SetUpInputGrid() {
  auto* grid = ui->StrGridVstupy;
  for (int c = 0; c < 5; ++c) {
    grid->setColumnWidth(c, kGridColumnWidths[c]);
    grid->item(0, c)->setText(QString::fromUtf8(kGridHeader[c]));
  }
  for (int r = 1; r <= kInputRows; ++r) {
    grid->item(r, 0)->setText(QString::number(kInputOfRow[r - 1]));
    grid->item(r, 2)->setText(QString::fromLatin1(kStartupInputNames[r - 1]));
    grid->item(r, 3)->setText(QStringLiteral("0"));
    grid->item(r, 4)->setText(QStringLiteral("0"));
  }
  grid->resize(kGridWidthAfterStartup, grid->height());
}

void TTermForm::CloseLink() {
  if (!state_.portOpen) return;
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

void TTermForm::SetLinkOpen(const std::optional<QString>& link) {
  state_.portOpen = link.has_value();
  setWindowTitle(link ? kTitlePrefix + *link : kTitleNoPort);
}

void TTermForm::PortMnuClick() {
  if (setup_) setup_->exec();
  IdentifyUnit();
}

void TTermForm::HelpMnuClick() {
  if (help_) help_->exec();
}

// ---- The exchange and the debug page ----

ExchangeResult TTermForm::RunCommandScript() {
  return exchange_.Run(ScriptFor(state_.commandMode, *this, state_.mpgCapable));
}

// The transport that is open, not the one the dialog's radio buttons show for the next open.
LinkKind TTermForm::CurrentLinkKind() { return setup_ ? setup_->OpenedLinkKind() : LinkKind::Serial; }

std::string TTermForm::CommandPrefix() { return ui->EditPrefix->text().toLatin1().toStdString(); }

// The logs are set once a script has run (LogsWritten follows on every path), and only where they
// changed: input polls back to back repeat the same lines hundreds of times a second.
void TTermForm::LogsCleared() {}

namespace {

// A log's lines as one text: one layout of the memo instead of one per line.
QString LogText(const std::vector<std::string>& lines) {
  QStringList text;
  for (const std::string& line : lines) text << Latin1(line);
  return text.join(u'\n');
}

}  // namespace

void TTermForm::ShowLog(QPlainTextEdit* memo, const std::vector<std::string>& lines) {
  // Unchanged since it was set (the operator may type in a memo, and that shows in its revision).
  ShownLog& shown = shownLogs_[memo];
  if (shown.lines == lines && shown.revision == memo->document()->revision()) return;
  logsChanged_ = true;
  shown.lines = lines;
  if (lines.empty())
    memo->clear();
  else
    memo->setPlainText(LogText(lines));
  shown.revision = memo->document()->revision();
}

void TTermForm::ScriptShown(const std::vector<std::string>& script) { ShowLog(ui->MemoMakro1, script); }

void TTermForm::LogsWritten(const std::vector<std::string>& sent, const std::vector<std::string>& replies) {
  ShowLog(ui->MemoSend, sent);
  ShowLog(ui->MemoRec, replies);
}

void TTermForm::ExchangeTimed(long long microseconds) {
  // Polls back to back repeat one script hundreds of times a second: its time is shown ten times
  // a second, which is as often as anybody can read it.
  constexpr int kRepeatShownEveryMs = 100;
  const bool repeated = exchange_.Script() == timedScript_;
  if (repeated && timedClock_.isValid() && timedClock_.elapsed() < kRepeatShownEveryMs) return;
  timedScript_ = exchange_.Script();
  timedClock_.start();
  ui->LbTime1->setText(QString::number(microseconds) + QStringLiteral("us"));
  ui->LbTime1->adjustSize();
}

void TTermForm::LogsToEnd() {
  if (!std::exchange(logsChanged_, false)) return;
  for (QPlainTextEdit* memo : {ui->MemoRec, ui->MemoSend}) {
    QTextCursor cursor = memo->textCursor();
    cursor.movePosition(QTextCursor::End);
    memo->setTextCursor(cursor);
  }
}

void TTermForm::IdentifyAfterUsbFailure() {
  if (identifying_) return;  // the identification itself failed: it is not run twice
  const QScopedValueRollback<bool> afterFailure(identifyingAfterUsbFailure_, true);
  IdentifyUnit();
}

void TTermForm::ReportFailure() {
  // Levels of a unit that no longer answers would look live.
  ClearInputLevels();
  // The timeline shows the gap while the box is open, not only after it.
  if (pollAskedUs_ && TimelineShown() && !inputsAway_) {
    timeline_->Lost(*pollAskedUs_);
    inputsAway_ = true;
    timeline_->Refresh();
  }
  if (!quietFailure_) Messages().Message(QStringLiteral("Chyba komunikace"));
  state_.unitPresent = false;
}

void TTermForm::ReportOutOfStep() {
  ClearInputLevels();
  Tell(Said::OutOfStep);
  state_.unitPresent = false;
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
