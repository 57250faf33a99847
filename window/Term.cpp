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
#include "look/Language.h"
#include "look/Look.h"
#include "protocol/MessageSeam.h"
#include "protocol/UnitProtocol.h"
#include "protocol/settings/TextFormat.h"
#include "ui_Term.h"
#include "window/FileFolders.h"
#include "window/LimitedEdit.h"
#include "window/RecordFields.h"
#include "window/Review.h"
#include "window/Series.h"
#include "window/SettingsFiles.h"
#include "window/TermShared.h"
#include "window/Timeline.h"

#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileDialog>
#include <QScopedValueRollback>
#include <QScrollBar>
#include <QTabBar>
#include <QTimer>

#include <utility>

using namespace term;

namespace {

// The 18-pixel rows with their 1-pixel grid line: Qt draws the line inside the row, so the pitch
// that keeps the labels beside the grid on their rows is 19.
constexpr int kGridRowHeight = 19;
constexpr int kGridWidthAfterStartup = 297;
constexpr int kGridColumnWidths[] = {22, 40, 75, 75, 75};

const char* const kGridHeader[] = {
    QT_TRANSLATE_NOOP("TTermForm", "č."), QT_TRANSLATE_NOOP("TTermForm", "Stav"),
    QT_TRANSLATE_NOOP("TTermForm", "Jméno"), QT_TRANSLATE_NOOP("TTermForm", "Polarita"),
    QT_TRANSLATE_NOOP("TTermForm", "Povoleno")};

const QString kTitlePrefix =
    QStringLiteral("VORKA config v") + QLatin1String(kProgramVersion) + QStringLiteral(" - ");

}  // namespace

const QString TTermForm::kTitleStartup = kTitlePrefix + QStringLiteral("COM1 - %1").arg(kStartupSpeed);

TTermForm::TTermForm(QStringList args, BackupStore backups, QWidget* parent)
    : QMainWindow(parent),
      ui(std::make_unique<Ui::TTermForm>()),
      backups_(std::move(backups)),
      args_(std::move(args)) {
  ui->setupUi(this);
  try {
    controls_ = std::make_unique<ControlTable>(*this);
  } catch (const MissingControls& missing) {
    // A control renamed in the form: nothing of the window could be trusted.
    qFatal("%s", missing.what());
  }
  line_ = std::make_unique<LineWorker>();
  unit_ = std::make_unique<UnitOnLine>(*line_, *this, backups_, pollOrigin_);
  SetUsbErrorReporter(
      [](UsbCall, const std::string& message) { Messages().ErrorBox(QString::fromStdString(message)); });
  SetUsbOpenHint([](const OpenFailure& failure) { return WindowText(failure).toStdString(); });
  SetUpControls();
  SetUpLanguageMenu();
  files_ = std::make_unique<SettingsFiles>(*this, this);
  ChooseRecordFile = [this](const QString& title, const QString& filter, const QString& proposedName) {
    return ChooseSavePath(this, title, filter, proposedName);
  };
  RunRecordFieldsDialog = [](TFormRecordFields& dialog) {
    CentreOnScreen(&dialog);
    return dialog.exec() == QDialog::Accepted;
  };
  ChooseSeriesFile = [this] {
    QString path =
        QFileDialog::getOpenFileName(this, tr("Soubor nastavení pro sérii"), FileDialogFolder(),
                                     tr("Nastavení VORKA (*.%1)").arg(QLatin1String(kSettingsFileSuffix)));
    RememberFileDialogChoice(path);
    return path;
  };
  ChooseSeriesFolder = [this] {
    QString folder =
        QFileDialog::getExistingDirectory(this, tr("Složka pro protokoly série"), FileDialogFolder());
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
  // The line's thread ends before anything it could reach of the window goes, and closes the port
  // it holds (its objects live on that thread).
  CloseLink();
  // The USB link outlives the window: it reports to no box that is gone.
  SetUsbErrorReporter({});
  SetUsbOpenHint({});
}

void TTermForm::SetForms(TFormSetup* setup, TFormHelp* help) {
  setup_ = setup;
  help_ = help;
}

QString TTermForm::TitleNoPort() { return kTitlePrefix + tr("Žádný port"); }

void TTermForm::SetUpLanguageMenu() {
  auto* choices = new QActionGroup(this);
  const std::pair<QAction*, QString> languages[] = {{ui->LanguageDesktopMnu, QString()},
                                                    {ui->LanguageCzechMnu, QStringLiteral("cs")},
                                                    {ui->LanguageEnglishMnu, QStringLiteral("en")}};
  const QString chosen = term::ChosenLanguage();
  for (const auto& [action, code] : languages) {
    choices->addAction(action);
    action->setChecked(code == chosen);
    connect(action, &QAction::triggered, this, [code = code] {
      QSettings preferences = term::Preferences();
      preferences.setValue(QLatin1String(term::kLanguageKey), code);
      preferences.sync();
      if (preferences.status() != QSettings::NoError)
        Messages().Message(tr("Volbu nelze uložit: platí jen do zavření programu."));
    });
  }
  // A choice this program does not know (a later version's) is the desktop's until one is made.
  if (!choices->checkedAction()) ui->LanguageDesktopMnu->setChecked(true);
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

  openDialog_ = new QFileDialog(this, tr("Načíst konfiguraci TORVEL"));
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
  connect(ui->EditPrefix, &QLineEdit::textChanged, this, [this](const QString& prefix) {
    line_->Queue([this, prefix = prefix.toLatin1().toStdString()] { unit_->SetCommandPrefix(prefix); });
  });
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
  setWindowTitle(TitleNoPort());
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
  auto failure = std::make_shared<std::optional<OpenFailure>>();
  auto opened = std::make_shared<bool>(false);
  WithLink([opened, failure] {
    *opened = ComOpen("COM1", kStartupSpeed, 'n', 8, 1.0f);
    *failure = ComOpenFailure();
  });
  state_.portOpen = *opened;
  setWindowTitle(state_.portOpen ? kTitleStartup : TitleNoPort());
  line_->Queue([this, open = state_.portOpen, debug = state_.debugMode] {
    unit_->SetPortOpen(open, LinkKind::Serial);
    unit_->SetDebugMode(debug);
  });
  SetReplyTimeoutMs(kReplyTimeoutMs);
  if (setup_) {
    setup_->SelectStartupSpeed();
    setup_->SetStartupOpenFailure(*failure);  // said when the operator opens the dialog
  }
  SetUpInputGrid();
  for (QLabel* label : {ui->in3descp, ui->in4descp, ui->in5descp, ui->in6descp, ui->in7descp}) label->clear();
  RunFlow([](UnitHost& unit) {
    ::IdentifyUnit(unit);
    if (unit.State().unitPresent) {
      unit.State().commandMode = "reset";
      unit.RunCommandScript();
    }
  });
}

void TTermForm::SetUpInputGrid() {
  auto* grid = ui->StrGridVstupy;
  for (int c = 0; c < 5; ++c) {
    grid->setColumnWidth(c, kGridColumnWidths[c]);
    grid->item(0, c)->setText(tr(kGridHeader[c]));
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
  // The line ends first: a reply awaited is given up, a flow ends between two exchanges, and the
  // port is closed as the line's last work, by the transport that was opened.
  const bool open = state_.portOpen;
  const LinkKind kind = openedKind_;
  line_->Close([open, kind] {
    if (!open) return;
    if (kind == LinkKind::Usb)
      Close_USB();
    else
      ComClose();
  });
  state_.portOpen = false;
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
  openedKind_ = CurrentLinkKind();
  setWindowTitle(link ? kTitlePrefix + *link : TitleNoPort());
  line_->Queue([this, open = state_.portOpen, kind = openedKind_] { unit_->SetPortOpen(open, kind); });
}

void TTermForm::SetReplyTimeoutMs(uint32_t ms) {
  replyTimeoutMs_ = ms;
  line_->Queue([this, ms] { unit_->SetReplyTimeoutMs(ms); });
}

void TTermForm::PortMnuClick() {
  // The dialog opens and closes the link itself: the line stops polling first, and is idle while
  // the dialog is shown.
  RunFlow([](UnitHost& unit) { unit.PauseMonitor(); },
          [this] {
            if (setup_) setup_->exec();
            IdentifyUnit();
          });
}

void TTermForm::HelpMnuClick() {
  if (help_) help_->exec();
}

// ---- The flows, the line, and the debug page ----

void TTermForm::RunFlow(std::function<void(UnitHost& unit)> flow, std::function<void()> done) {
  if (line_->Closed()) return;
  if (flowsRunning_++ == 0) {
    BeginProgramChange();
    ShowBusy(true);
  }
  line_->Post([this, flow = std::move(flow)] { unit_->Run(flow); },
              [this, done = std::move(done)] {
                if (done) RunGuarded(done);
                if (--flowsRunning_ == 0) {
                  ShowBusy(false);
                  EndProgramChange();
                }
              });
}

void TTermForm::OnLine(std::function<void(UnitOnLine& unit)> work) {
  RunFlow([this, work = std::move(work)](UnitHost&) { work(*unit_); });
}

void TTermForm::ReadUnit(std::function<void(std::optional<UnitSettings>)> read) {
  auto held = std::make_shared<std::optional<UnitSettings>>();
  RunFlow([held](UnitHost& unit) { *held = ReadUnitSettings(unit); },
          [held, read = std::move(read)] { read(*held); });
}

void TTermForm::ShowBusy(bool busy) {
  for (QWidget* button : {static_cast<QWidget*>(ui->ReadSetting), static_cast<QWidget*>(ui->BtnSend1),
                          static_cast<QWidget*>(ui->Button1), static_cast<QWidget*>(ui->reset)})
    button->setEnabled(!busy);
  for (QAction* action : {ui->PortMnu, ui->RecordMnu, ui->SeriesMnu, ui->CompareMnu, ui->BackupsMnu,
                          ui->LoadFromFileMnu, ui->SaveToFileMnu})
    action->setEnabled(!busy);
  // The settings take no input meanwhile: a value typed while a read fills the window, or while a
  // save reads it, would be lost or half sent. The pages can still be turned.
  if (busy) {
    ui->centralwidget->setCursor(Qt::BusyCursor);
    qApp->installEventFilter(this);
  } else {
    ui->centralwidget->unsetCursor();
    qApp->removeEventFilter(this);
  }
}

bool TTermForm::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::Wheel: {
      auto* widget = qobject_cast<QWidget*>(watched);
      const bool turningPages =
          widget && (widget == ui->PageControl->tabBar() || ui->PageControl->tabBar()->isAncestorOf(widget));
      if (widget && flowsRunning_ > 0 && ui->centralwidget->isAncestorOf(widget) && !turningPages)
        return true;
      break;
    }
    default: break;
  }
  return QMainWindow::eventFilter(watched, event);
}

// The transport that is open, not the one the dialog's radio buttons show for the next open.
LinkKind TTermForm::CurrentLinkKind() { return setup_ ? setup_->OpenedLinkKind() : LinkKind::Serial; }

void TTermForm::StateIs(const UnitState& state) {
  // The port and the debug mode are the window's to set.
  const bool portOpen = state_.portOpen, debugMode = state_.debugMode;
  state_ = state;
  state_.portOpen = portOpen;
  state_.debugMode = debugMode;
}

namespace {

// A log's lines as one text: one layout of the memo instead of one per line.
QString LogText(const std::vector<std::string>& lines) {
  QStringList text;
  for (const std::string& line : lines) text << Latin1(line);
  return text.join(u'\n');
}

}  // namespace

// The logs are set only where they changed: input polls back to back repeat the same lines
// hundreds of times a second.
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

void TTermForm::ShowLog(const ExchangeLog& log) {
  shownScript_ = log.script;
  ShowLog(ui->MemoMakro1, log.script);
  ShowLog(ui->MemoSend, log.sent);
  ShowLog(ui->MemoRec, log.replies);
  // A script that did not run to its end keeps the time shown and the logs where they stand.
  if (!log.microseconds) return;
  // Polls back to back repeat one script hundreds of times a second: its time is shown ten times
  // a second, which is as often as anybody can read it.
  constexpr int kRepeatShownEveryMs = 100;
  const bool repeated = log.script == timedScript_;
  if (!repeated || !timedClock_.isValid() || timedClock_.elapsed() >= kRepeatShownEveryMs) {
    timedScript_ = log.script;
    timedClock_.start();
    ui->LbTime1->setText(QString::number(*log.microseconds) + QStringLiteral("us"));
    ui->LbTime1->adjustSize();
  }
  if (!std::exchange(logsChanged_, false)) return;
  for (QPlainTextEdit* memo : {ui->MemoRec, ui->MemoSend}) {
    QTextCursor cursor = memo->textCursor();
    cursor.movePosition(QTextCursor::End);
    memo->setTextCursor(cursor);
  }
}

void TTermForm::ExchangeFailed() {
  // Levels of a unit that no longer answers would look live.
  ClearInputLevels();
  Messages().Message(tr("Chyba komunikace"));
}

void TTermForm::ExchangeOutOfStep() {
  ClearInputLevels();
  Tell(Said::OutOfStep);
}

void TTermForm::posuvnikScroll(int newPosition) {
  const int lines = static_cast<int>(shownScript_.size());
  ui->posuvnik->setMaximum(lines > 14 ? lines - 14 : 1);
  // One event moves both logs by one line, however far the thumb travelled.
  const int step = newPosition > posuvnikMemory_ ? 1 : newPosition < posuvnikMemory_ ? -1 : 0;
  for (QPlainTextEdit* memo : {ui->MemoMakro1, ui->MemoRec}) {
    QScrollBar* bar = memo->verticalScrollBar();
    bar->setValue(bar->value() + step);
  }
  posuvnikMemory_ = newPosition;
}
