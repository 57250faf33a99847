#include "window/Timeline.h"

#include "common/Version.h"
#include "look/Language.h"
#include "look/Look.h"
#include "protocol/MessageSeam.h"
#include "protocol/settings/Settings.h"
#include "ui_Timeline.h"
#include "window/FileFolders.h"
#include "window/Wiring.h"

#include <QDateTime>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

namespace {

constexpr const char* kRecordingFilter =
    QT_TRANSLATE_NOOP("TFormTimeline", "CSV (*.csv);;VCD – logické analyzátory (*.vcd)");
constexpr int kDefaultSpan = 2;  // 10 s

QString Native(const QString& path) { return QDir::toNativeSeparators(path); }

}  // namespace

RecordingFormat FormatOfPath(const QString& path) {
  return path.endsWith(QStringLiteral(".vcd"), Qt::CaseInsensitive) ? RecordingFormat::Vcd
                                                                    : RecordingFormat::Csv;
}

TFormTimeline::TFormTimeline(QWidget* parent) : QDialog(parent), ui(std::make_unique<Ui::TFormTimeline>()) {
  ui->setupUi(this);
  ApplyLook(this);
  setModal(false);
  ui->LanesView->SetTimeline(&timeline_);
  ui->CmbZoom->setCurrentIndex(kDefaultSpan);
  ui->LanesView->SetSpanMs(kSpansMs[kDefaultSpan]);
  ChooseSaveFile = [this](const QString& title, const QString& filter) {
    return ChooseSavePath(this, title, filter);
  };
  connect(ui->BtnHold, &QPushButton::clicked, this, Guarded([this] { BtnHoldClick(); }));
  connect(ui->BtnClear, &QPushButton::clicked, this, Guarded([this] { BtnClearClick(); }));
  connect(ui->CmbZoom, &QComboBox::currentIndexChanged, this, Guarded([this] { CmbZoomChange(); }));
  connect(ui->ChkPolarity, &QCheckBox::clicked, this, Guarded([this] { ChkPolarityClick(); }));
  connect(ui->BtnWiring, &QPushButton::clicked, this, Guarded([this] { BtnWiringClick(); }));
  connect(ui->BtnSaveRecording, &QPushButton::clicked, this, Guarded([this] { BtnSaveRecordingClick(); }));
  connect(ui->BtnRecord, &QPushButton::clicked, this, Guarded([this] { BtnRecordClick(); }));
  connect(ui->ChkFast, &QCheckBox::clicked, this, Guarded([this] { ChkFastClick(); }));
  connect(ui->LanesView, &InputLanes::CursorsMoved, this, [this] { ShowCursors(); });
  repaint_.setInterval(200);
  connect(&repaint_, &QTimer::timeout, this, [this] { Refresh(); });
}

TFormTimeline::~TFormTimeline() = default;

TFormWiring& TFormTimeline::Wiring() {
  if (!wiring_) {
    wiring_ = std::make_unique<TFormWiring>(this);
    wiring_->ChooseSaveFile = [this](const QString& title, const QString& filter) {
      return ChooseSaveFile(title, filter);
    };
  }
  return *wiring_;
}

void TFormTimeline::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  repaint_.start();
  Refresh();
  if (ShownChanged) ShownChanged(true);
}

void TFormTimeline::hideEvent(QHideEvent* event) {
  QDialog::hideEvent(event);
  repaint_.stop();
  if (ShownChanged) ShownChanged(false);
}

void TFormTimeline::WriteToRecording(const std::function<FileFault(InputRecording&)>& write) {
  if (!recording_) return;
  if (const FileFault fault = write(*recording_))
    StopRecording(tr("Záznam do souboru „%1“ se zastavil: %2. Co bylo zapsáno, zůstává čitelné.")
                      .arg(Native(recordingPath_), WindowText(fault)));
}

void TFormTimeline::Polled(const InputPoller::Step& step) {
  if (step.gap) {
    const int64_t ms = step.gap->from / 1000;
    // Marked, and the recording goes on when the unit answers again.
    timeline_.Lost(ms, step.gap->cause);
    WriteToRecording([&](InputRecording& r) {
      return r.Lost(ms - recordingStart_, InputRecording::AfterLoss::GoesOn, step.gap->cause);
    });
  }
  if (step.sample) {
    const int64_t ms = step.sample->asked / 1000;
    const uint16_t word = step.sample->word;
    timeline_.Sample(ms, word);
    if (wiring_ && wiring_->isVisible()) wiring_->Sample(ms, word);
    WriteToRecording([&](InputRecording& r) { return r.Sample(ms - recordingStart_, word); });
    // The recording says once which inputs change faster than they are sampled.
    for (int row = 1; row <= kInputRows && periodMs_ && recording_; ++row) {
      bool& told = toldFaster_[static_cast<std::size_t>(row - 1)];
      if (told || !timeline_.CountIsLeast(row)) continue;
      told = true;
      WriteToRecording([&](InputRecording& r) {
        return r.FasterThanSampling(ms - recordingStart_, kInputOfRow[row - 1], *periodMs_);
      });
    }
    if (step.periodMs) {
      periodMs_ = step.periodMs;
      timeline_.Paced(ms, *step.periodMs);
      WriteToRecording([&](InputRecording& r) { return r.Paced(ms - recordingStart_, *step.periodMs); });
    }
  }
  // While no reply comes nothing is sampled: no period is shown for it.
  if (timeline_.Away())
    ui->LblPeriod->setText(tr("bez odpovědi"));
  else if (periodMs_)
    ui->LblPeriod->setText(
        tr("snímáno po %1 ms").arg(QString::fromStdString(PeriodText(*periodMs_, DecimalMark().toLatin1()))));
}

bool TFormTimeline::Fast() const { return ui->ChkFast->isChecked(); }

void TFormTimeline::ChkFastClick() {
  if (FastChanged) FastChanged(Fast());
}

void TFormTimeline::Refresh() {
  if (Lanes) ui->LanesView->SetLanes(Lanes());
  if (Clock) {
    ui->LanesView->SetLive(Clock());
    if (!ui->BtnHold->isChecked()) ui->LanesView->SetNow(Clock());
  }
  ui->LanesView->update();
}

void TFormTimeline::BtnHoldClick() {
  ui->BtnHold->setText(ui->BtnHold->isChecked() ? tr("Pokračovat") : QStringLiteral("Zastavit"));
  Refresh();
}

void TFormTimeline::BtnClearClick() {
  timeline_.ClearCounters();
  Refresh();
}

void TFormTimeline::CmbZoomChange() {
  const int index = ui->CmbZoom->currentIndex();
  if (index < 0 || index >= static_cast<int>(std::size(kSpansMs))) return;
  ui->LanesView->SetSpanMs(kSpansMs[index]);
  Refresh();
}

void TFormTimeline::ChkPolarityClick() {
  ui->LanesView->SetAfterPolarity(ui->ChkPolarity->isChecked());
  Refresh();
}

void TFormTimeline::ShowCursors() {
  const auto& a = ui->LanesView->cursorA;
  const auto& b = ui->LanesView->cursorB;
  if (a && b)
    ui->LblCursors->setText(tr("Mezi kurzory: %1").arg(Duration(std::llabs(*b - *a))));
  else
    ui->LblCursors->setText(
        tr("Kurzor %1 je umístěn; druhý: %2 tlačítko myši.")
            .arg(a ? QStringLiteral("A") : QStringLiteral("B"), a ? tr("pravé") : tr("levé")));
}

void TFormTimeline::BtnWiringClick() {
  std::vector<WiringInput> inputs, grid;
  const auto lanes = Lanes ? Lanes() : std::array<LaneInfo, kInputRows>{};
  for (int row = 1; row <= kInputRows; ++row) {
    const LaneInfo& lane = lanes[static_cast<std::size_t>(row - 1)];
    grid.push_back({row, lane.input, lane.name.toStdString(), lane.polarity});
    if (lane.enabled) inputs.push_back(grid.back());
  }
  if (inputs.empty()) {
    Messages().Message(tr("Žádný vstup nemá Povoleno 1: není co kontrolovat."));
    return;
  }
  TFormWiring& wiring = Wiring();
  wiring.Start(std::move(inputs), std::move(grid), Unit ? Unit() : Identity{});
  wiring.show();
  wiring.raise();
}

RecordingHeader TFormTimeline::Header(int64_t startMs) const {
  const Identity unit = Unit ? Unit() : Identity{};
  // The wall clock's time of that moment on the polls' clock.
  const QDateTime startedAt = QDateTime::currentDateTime().addMSecs(startMs - (Clock ? Clock() : startMs));
  RecordingHeader header{unit.id,
                         unit.version,
                         std::string("vorka_config ") + kProgramVersion,
                         startedAt.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")).toStdString(),
                         {}};
  const auto lanes = Lanes ? Lanes() : std::array<LaneInfo, kInputRows>{};
  for (std::size_t i = 0; i < lanes.size(); ++i) header.names[i] = lanes[i].name.toStdString();
  return header;
}

void TFormTimeline::BtnSaveRecordingClick() {
  const QString path = ChooseSaveFile(tr("Uložit záznam vstupů"), tr(kRecordingFilter));
  if (path.isEmpty()) return;
  const int64_t firstSample = timeline_.FirstMs().value_or(Clock ? Clock() : 0);
  if (const FileFault fault =
          SaveTimeline(timeline_, FormatOfPath(path), Header(firstSample), path.toStdString()))
    Messages().Message(tr("Záznam nelze uložit do „%1“: %2").arg(Native(path), WindowText(fault)));
}

void TFormTimeline::BtnRecordClick() {
  if (recording_) {
    const FileFault fault = recording_->Close((Clock ? Clock() : 0) - recordingStart_);
    StopRecording(
        fault ? tr("Záznam do souboru „%1“ se zastavil: %2.").arg(Native(recordingPath_), WindowText(fault))
              : QString());
    if (!fault) ui->LblRecording->setText(tr("Záznam uložen do „%1“.").arg(Native(recordingPath_)));
    return;
  }
  const QString path = ChooseSaveFile(tr("Nahrávat vstupy do souboru"), tr(kRecordingFilter));
  if (path.isEmpty()) return;
  const int64_t start = Clock ? Clock() : 0;
  auto recording = std::make_unique<InputRecording>(FormatOfPath(path), Header(start));
  FileFault fault = recording->Open(path.toStdString());
  if (!fault && periodMs_) fault = recording->Paced(0, *periodMs_);
  if (fault) {
    Messages().Message(tr("Do souboru „%1“ nelze nahrávat: %2").arg(Native(path), WindowText(fault)));
    return;
  }
  recording_ = std::move(recording);
  recordingPath_ = path;
  recordingStart_ = start;
  toldFaster_ = {};
  ui->BtnRecord->setText(tr("Zastavit záznam"));
  ui->LblRecording->setText(tr("Nahrává se do „%1“.").arg(Native(path)));
}

void TFormTimeline::StopRecording(const QString& why) {
  recording_.reset();
  ui->BtnRecord->setText(tr("Nahrávat do souboru…"));
  ui->LblRecording->setText(why);
  if (!why.isEmpty()) Messages().Message(why);
}
