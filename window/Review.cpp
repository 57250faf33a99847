#include "window/Review.h"

#include "look/Look.h"
#include "ui_Review.h"

#include <QHeaderView>
#include <QPushButton>

TFormReview::TFormReview(QWidget* parent) : QDialog(parent), ui(std::make_unique<Ui::TFormReview>()) {
  ui->setupUi(this);
  ApplyLook(this);
  write = ui->BtnBoxReview->addButton(QStringLiteral("Zapsat"), QDialogButtonBox::AcceptRole);
  cancel = ui->BtnBoxReview->addButton(QStringLiteral("Zrušit"), QDialogButtonBox::RejectRole);
  write->setObjectName(QStringLiteral("BtnWrite"));
  cancel->setObjectName(QStringLiteral("BtnCancel"));
  // Enter must not write what the operator has not looked at.
  write->setAutoDefault(false);
  cancel->setDefault(true);
  ui->GridReview->verticalHeader()->hide();
  ui->GridReview->horizontalHeader()->setStretchLastSection(true);
  ui->GridReview->setColumnWidth(0, 240);
  ui->GridReview->setColumnWidth(1, 130);
  ui->GridReview->setColumnWidth(2, 130);
  connect(ui->BtnBoxReview, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(ui->BtnBoxReview, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

TFormReview::~TFormReview() = default;

void TFormReview::Show(const SaveReview& review) {
  rows_ = review.rows;
  QString summary =
      rows_.empty() ? QStringLiteral("Zápis nic nezmění: jednotka drží hodnoty okna.")
                    : QStringLiteral(
                          "Zápis změní v jednotce nastavení: %1. Zapíší se jen zaškrtnutá, ostatní zůstanou, "
                          "jak je jednotka drží.")
                          .arg(rows_.size());
  if (review.needed)
    summary += QStringLiteral(" Nezaškrtnuté hodnoty okna nikdo nezvolil, nebo je jednotka mezitím změnila.");
  ui->LbReviewSummary->setText(summary);
  QTableWidget& grid = *ui->GridReview;
  grid.setRowCount(static_cast<int>(rows_.size()));
  for (int n = 0; n < grid.rowCount(); ++n) {
    const ReviewRow& row = rows_[static_cast<std::size_t>(n)];
    auto* name = new QTableWidgetItem(QString::fromStdString(row.def->caption));
    name->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
    name->setCheckState(row.chosen ? Qt::Checked : Qt::Unchecked);
    grid.setItem(n, 0, name);
    grid.setItem(n, 1, new QTableWidgetItem(QString::fromStdString(row.held)));
    grid.setItem(n, 2, new QTableWidgetItem(QString::fromStdString(row.wanted)));
    grid.setItem(n, 3, new QTableWidgetItem(QString::fromStdString(ReasonText(row))));
  }
  grid.resizeRowsToContents();  // a long reason wraps onto a second line, whole
  cancel->setFocus();
}

std::vector<ReviewRow> TFormReview::Rows() const {
  std::vector<ReviewRow> rows = rows_;
  for (std::size_t n = 0; n < rows.size(); ++n)
    rows[n].chosen = ui->GridReview->item(static_cast<int>(n), 0)->checkState() == Qt::Checked;
  return rows;
}

void TFormReview::SetChosen(int row, bool chosen) {
  ui->GridReview->item(row, 0)->setCheckState(chosen ? Qt::Checked : Qt::Unchecked);
}
