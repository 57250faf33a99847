#pragma once
#include "ui_Term.h"
#include "window/SettingsFiles.h"
#include "window/Term.h"

// The main window's inside, for tests and benchmarks that check what the handlers left there.
struct TermFormInternals {
  static Ui::TTermForm& Ui(TTermForm& term) { return *term.ui; }
  static UnitState& State(TTermForm& term) { return term.state_; }
  static int32_t& BreakDelayValue(TTermForm& term) { return term.breakDelayValue_; }
  static QFileDialog* OpenDialog(TTermForm& term) { return term.openDialog_; }
  static std::function<bool(QString& path)>& RunOpenDialog(TTermForm& term) { return term.runOpenDialog_; }
  static SettingsFiles& Files(TTermForm& term) { return *term.files_; }
  // The input grid as the start-up lays it out: its columns' widths and headers.
  static void SetUpInputGrid(TTermForm& term) { term.SetUpInputGrid(); }
};
