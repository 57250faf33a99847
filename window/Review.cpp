#include "window/Review.h"

#include "look/Look.h"
#include "ui_Review.h"

#include <QFontMetrics>
#include <QHeaderView>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStyle>

#include <algorithm>

TFormReview::TFormReview(QWidget* parent) : QDialog(parent), ui(std::make_unique<Ui::TFormReview>()) {
  ui->setupUi(this);
  ApplyLook(this);
  write = ui->BtnBoxReview->addButton(tr("Zapsat"), QDialogButtonBox::AcceptRole);
  cancel = ui->BtnBoxReview->addButton(tr("Zrušit"), QDialogButtonBox::RejectRole);
  write->setObjectName(QStringLiteral("BtnWrite"));
  cancel->setObjectName(QStringLiteral("BtnCancel"));
  // Enter must not write what the operator has not looked at.
  write->setAutoDefault(false);
  cancel->setDefault(true);
  QTableWidget& grid = *ui->GridReview;
  grid.verticalHeader()->hide();
  // One height for every row: a reason wraps to a second line at most, the whole of it in its tooltip.
  grid.verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  grid.setWordWrap(true);
  grid.setTextElideMode(Qt::ElideRight);
  grid.horizontalHeader()->setStretchLastSection(true);
  grid.setColumnWidth(0, 240);
  grid.setColumnWidth(1, 130);
  grid.setColumnWidth(2, 130);
  setSizeGripEnabled(true);
  connect(ui->BtnBoxReview, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(ui->BtnBoxReview, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(ui->BtnReviewAll, &QPushButton::clicked, this, [this] { SetAllChosen(true); });
  connect(ui->BtnReviewNone, &QPushButton::clicked, this, [this] { SetAllChosen(false); });
  connect(&grid, &QTableWidget::itemChanged, this, &TFormReview::ShowSummary);
  connect(grid.horizontalHeader(), &QHeaderView::sectionResized, this, &TFormReview::EvenRows);
}

TFormReview::~TFormReview() = default;

void TFormReview::Show(const SaveReview& review) {
  rows_ = review.rows;
  QTableWidget& grid = *ui->GridReview;
  const QSignalBlocker quiet(grid);  // one summary once the rows are in
  grid.setRowCount(static_cast<int>(rows_.size()));
  for (int n = 0; n < grid.rowCount(); ++n) {
    const ReviewRow& row = rows_[static_cast<std::size_t>(n)];
    auto* name = new QTableWidgetItem(QString::fromStdString(ShownCaption(*row.def)));
    name->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
    name->setCheckState(row.chosen ? Qt::Checked : Qt::Unchecked);
    grid.setItem(n, 0, name);
    grid.setItem(n, 1, new QTableWidgetItem(QString::fromStdString(ShownValue(*row.def, row.held))));
    grid.setItem(n, 2, new QTableWidgetItem(QString::fromStdString(ShownValue(*row.def, row.wanted))));
    auto* reason = new QTableWidgetItem(QString::fromStdString(ReasonText(row)));
    reason->setToolTip(reason->text());
    grid.setItem(n, 3, reason);
  }
  ui->BtnReviewAll->setEnabled(!rows_.empty());
  ui->BtnReviewNone->setEnabled(!rows_.empty());
  ShowSummary();
  EvenRows();
  cancel->setFocus();
}

void TFormReview::ShowSummary() {
  if (rows_.empty()) {
    ui->LbReviewSummary->setText(tr("Zápis nic nezmění: jednotka drží hodnoty okna."));
    return;
  }
  const std::vector<ReviewRow> rows = Rows();
  QString summary =
      QString::fromStdString(ChosenCountText(rows)) + tr(", ostatní zůstanou, jak je jednotka drží.");
  if (std::any_of(rows.begin(), rows.end(), [](const ReviewRow& row) { return !row.chosen; }))
    summary += tr(" Proč řádek není zaškrtnutý, říká sloupec „Proč“.");
  ui->LbReviewSummary->setText(summary);
}

void TFormReview::SetAllChosen(bool chosen) {
  const QSignalBlocker quiet(ui->GridReview);
  for (int n = 0; n < ui->GridReview->rowCount(); ++n) SetChosen(n, chosen);
  ShowSummary();
}

void TFormReview::EvenRows() {
  QTableWidget& grid = *ui->GridReview;
  const QFontMetrics metrics(grid.font());
  // The reason column's text room: its width less the cell's margins on either side.
  const int room =
      std::max(1, grid.columnWidth(3) - 2 * (grid.style()->pixelMetric(QStyle::PM_FocusFrameHMargin) + 1));
  int lines = 1;
  for (int n = 0; n < grid.rowCount() && lines < 2; ++n)
    if (metrics.horizontalAdvance(grid.item(n, 3)->text()) > room) lines = 2;
  const int height = std::max(grid.verticalHeader()->minimumSectionSize(), lines * metrics.lineSpacing() + 8);
  grid.verticalHeader()->setDefaultSectionSize(height);
  for (int n = 0; n < grid.rowCount(); ++n) grid.setRowHeight(n, height);
}

void TFormReview::resizeEvent(QResizeEvent* event) {
  QDialog::resizeEvent(event);
  EvenRows();  // the reason column stretches with the dialog
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
