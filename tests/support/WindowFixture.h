#pragma once
#include "link/Help.h"
#include "link/Setup.h"
#include "support/RecordingMessages.h"
#include "support/SimFixture.h"
#include "window/Term.h"

#include <QStringList>

#include <memory>

// The three windows as the program creates them, offscreen, with a virtual unit on COM1 and the
// operator's message boxes recorded.
class WindowFixture : public SimFixture {
 protected:
  void SetUp() override { SimFixture::SetUp(); }
  void TearDown() override {
    help_.reset();
    setup_.reset();
    term_.reset();
    SimFixture::TearDown();
  }

  // Creates the windows with the given command-line parameters (after the program name).
  void Create(const QStringList& parameters = {}) {
    term_ = std::make_unique<TTermForm>(QStringList{QStringLiteral("vorka_config")} + parameters);
    setup_ = std::make_unique<TFormSetup>(term_.get());
    help_ = std::make_unique<TFormHelp>();
    setup_->SetHelp(help_.get());
    term_->SetForms(setup_.get(), help_.get());
  }

  // Creates the windows and runs the start-up sequence.
  void Start(const QStringList& parameters = {}) {
    Create(parameters);
    term_->FormShow();
  }

  Ui::TTermForm& ui() { return *term_->ui; }

  RecordingMessages messages_;
  std::unique_ptr<TTermForm> term_;
  std::unique_ptr<TFormSetup> setup_;
  std::unique_ptr<TFormHelp> help_;
};
