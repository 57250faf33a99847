#pragma once
#include "link/ui/Help.h"
#include "link/ui/Setup.h"
#include "tests/support/RecordingMessages.h"
#include "tests/support/SimFixture.h"
#include "tests/support/TermFormInternals.h"
#include "tests/support/TestBackups.h"
#include "tests/support/WaitFor.h"
#include "ui_Term.h"
#include "window/RecordFields.h"
#include "window/Review.h"
#include "window/SettingsFiles.h"
#include "window/Term.h"

#include <QStringList>

#include <algorithm>
#include <functional>

#include <memory>
#include <stdexcept>
#include <string>

// The three windows as the program creates them, offscreen, with a virtual unit on COM1 and the
// operator's message boxes recorded.
class WindowFixture : public SimFixture {
 protected:
  // Two faults in the next whole read: a late copy of GearX's reply, then a reply lost a few
  // commands later, so that every value between them shifts by one register and each still fits
  // its command.
  void TwoFaultsInTheNextRead() {
    unit_.SetDelayMs(5);  // the copy lands in the next command's wait
    const auto script = BuildReadScript(true);
    const auto nth = [&](const char* command) {
      return static_cast<int>(std::find(script.begin(), script.end(), command) - script.begin()) + 1;
    };
    unit_.SetAnswerTwice("EFR30", 1, 1);
    unit_.SetSilentOnNth(2 + nth("EFR40"));  // after the identification
  }
  void SetUp() override { SimFixture::SetUp(); }
  void TearDown() override {
    Destroy();
    SimFixture::TearDown();
  }

  // The dialogs are the main window's children, as in the program: they go first.
  void Destroy() {
    help_.reset();
    setup_.reset();
    term_.reset();
  }

  // Creates the windows with the given command-line parameters (after the program name).
  void Create(const QStringList& parameters = {}) {
    Destroy();
    term_ =
        std::make_unique<TTermForm>(QStringList{QStringLiteral("vorka_config")} + parameters, TestBackups());
    setup_ = std::make_unique<TFormSetup>(term_.get(), term_.get());
    help_ = std::make_unique<TFormHelp>(term_.get());
    setup_->SetHelp(help_.get());
    term_->SetForms(setup_.get(), help_.get());
    // The review before a save is recorded and, unless a test answers it, every row is ticked and
    // "Zapsat" pressed: a save from a window the test set up writes the window as it stands.
    // The record's fields are left as offered unless a test fills them.
    term_->RunRecordFieldsDialog = [this](TFormRecordFields& dialog) {
      return answerRecordFields_ ? answerRecordFields_(dialog) : true;
    };
    term_->RunReviewDialog = [this](TFormReview& dialog) {
      reviews_.push_back(dialog.Rows());
      if (answerReview_) return answerReview_(dialog);
      for (int row = 0; row < static_cast<int>(dialog.Rows().size()); ++row) dialog.SetChosen(row, true);
      return true;
    };
  }

  // Creates the windows and runs the start-up sequence.
  void Start(const QStringList& parameters = {}) {
    Create(parameters);
    term_->FormShow();
    Settle();
  }

  // Waits until every flow the window started has ended and the window has shown what it did.
  void Settle() {
    ASSERT_TRUE(WaitFor([this] { return term_->FlowsRunning() == 0; })) << "a flow of the window did not end";
    QCoreApplication::processEvents();  // what the line told after it (a poll)
  }

  // Waits until the line has done what it was told before now (a poll that ran meanwhile among it).
  void SettleLine() {
    term_->OnLine([](UnitOnLine&) {});
    Settle();
  }

  // The series' file and records folder, as the operator would choose them in its dialogs.
  void ChooseSeries(const QString& file, const QString& folder) {
    term_->ChooseSeriesFile = [file] { return file; };
    term_->ChooseSeriesFolder = [folder] { return folder; };
  }

  // Reply log line n of the last script, as the debug page shows it; empty past the end.
  std::string ReplyLine(int n) {
    const QStringList lines = ui().MemoRec->toPlainText().split(u'\n');
    return n < lines.size() && !ui().MemoRec->toPlainText().isEmpty() ? lines[n].toLatin1().toStdString()
                                                                      : std::string();
  }

  // Start-up without the one-second wait for the restarting unit: the unit answers the reset
  // this once, so it still counts as present. Traffic and messages are cleared afterwards, and
  // replies are awaited for replyMs from then on.
  void StartQuick(const QStringList& parameters = {}, uint32_t replyMs = 300) {
    unit_.SetReplyOverride("j", "0");
    Start(parameters);
    unit_.ClearReplyOverrides();
    unit_.ClearReceived();
    messages_.all.clear();
    messages_.plain.clear();
    term_->SetReplyTimeoutMs(replyMs);
    Settle();
  }

  Ui::TTermForm& ui() { return TermFormInternals::Ui(*term_); }
  UnitState& state() { return TermFormInternals::State(*term_); }
  int32_t breakDelayValue() { return TermFormInternals::BreakDelayValue(*term_); }
  // A control by its name; a name the window lacks fails the test rather than crash it.
  QWidget* Control(const char* name) {
    auto* control = term_->findChild<QWidget*>(QString::fromLatin1(name));
    if (!control) throw std::runtime_error(std::string("no control named ") + name);
    return control;
  }

  RecordingMessages messages_;
  std::vector<std::vector<ReviewRow>> reviews_;  // the rows of each review shown
  std::function<bool(TFormReview& dialog)> answerReview_;
  std::function<bool(TFormRecordFields& dialog)> answerRecordFields_;
  std::unique_ptr<TTermForm> term_;
  std::unique_ptr<TFormSetup> setup_;
  std::unique_ptr<TFormHelp> help_;
};
