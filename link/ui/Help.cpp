#include "link/ui/Help.h"

#include "look/Look.h"
#include "ui_Help.h"

#include <QFontMetrics>

namespace {

constexpr int kPinLines = 10;

}  // namespace

TFormHelp::TFormHelp(QWidget* parent) : QDialog(parent), ui(std::make_unique<Ui::TFormHelp>()) {
  ui->setupUi(this);
  ApplyLook(this);
  // All ten pin lines must show in the pane, which has no scroll bar. The fixed-pitch font that
  // stands in for Fixedsys spaces its 12-pixel lines wider, so the size is taken down until they fit.
  QPlainTextEdit* pane = ui->Memo1;
  pane->document()->setDocumentMargin(2);
  const int room = pane->height() - 2 * pane->frameWidth() - 2 * 2;
  QFont pins = FixedPitchFont(9);
  for (int pixels = 12; pixels >= 8; --pixels) {
    pins.setPixelSize(pixels);
    if (QFontMetrics(pins).lineSpacing() * kPinLines <= room) break;
  }
  pane->setFont(pins);
  MakeFixedWindow(this, true, 406, 165);
}

void TFormHelp::setVisible(bool visible) {
  if (visible) CentreOnScreen(this);
  QDialog::setVisible(visible);
}

TFormHelp::~TFormHelp() = default;
