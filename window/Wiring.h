#pragma once
#include "protocol/Identity.h"
#include "protocol/WiringCheck.h"

#include <QDialog>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace Ui {
class TFormWiring;
}

// "Kontrola zapojení": each input with "Povoleno" 1 is asked for in turn; the operator actuates it
// and lets it go, and the window ticks it off, names a possible swap or a polarity that does not
// match. The result can be saved as text.
class TFormWiring : public QDialog {
  Q_OBJECT

 public:
  explicit TFormWiring(QWidget* parent = nullptr);
  ~TFormWiring() override;

  // Starts the check of the inputs on the unit; `grid` names every input of the grid.
  void Start(std::vector<WiringInput> inputs, std::vector<WiringInput> grid, const Identity& unit);
  // A poll's input word at ms.
  void Sample(int64_t ms, uint16_t word);
  const WiringCheck* Check() const { return check_ ? &*check_ : nullptr; }
  // When the check started, as the saved text names it.
  QString StartedAt() const { return startedAt_; }
  const Identity& CheckedUnit() const { return unit_; }
  // The result as the saved text.
  QString ResultText() const;

  // Handlers.
  void BtnSkipClick();
  void BtnSaveResultClick();

  // Chooses the file to save to (empty: cancelled); tests put their own in its place.
  std::function<QString(const QString& title, const QString& filter)> ChooseSaveFile;

  std::unique_ptr<Ui::TFormWiring> ui;

 private:
  void ShowState();

  std::optional<WiringCheck> check_;
  Identity unit_;
  QString startedAt_;
};
