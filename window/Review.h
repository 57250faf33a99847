#pragma once
#include "protocol/settings/Review.h"

#include <QDialog>

#include <memory>
#include <vector>

namespace Ui {
class TFormReview;
}
class QPushButton;

// "Kontrola zápisu do jednotky": every setting a save would change, with what the unit holds, what
// would be written and why it is listed; a tick per row says whether it is written.
class TFormReview : public QDialog {
  Q_OBJECT

 public:
  explicit TFormReview(QWidget* parent = nullptr);
  ~TFormReview() override;

  void Show(const SaveReview& review);
  // The rows as the operator left them: chosen where ticked.
  std::vector<ReviewRow> Rows() const;
  void SetChosen(int row, bool chosen);

  std::unique_ptr<Ui::TFormReview> ui;
  QPushButton* write = nullptr;   // "Zapsat"
  QPushButton* cancel = nullptr;  // "Zrušit", the default

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void ShowSummary();
  void SetAllChosen(bool chosen);
  void EvenRows();

  std::vector<ReviewRow> rows_;
};
