#include "window/RadioGroup.h"

#include <QRadioButton>

RadioGroup::RadioGroup(QGroupBox* box) : box_(box) {
  for (int i = 0;; ++i) {
    auto* button = box->findChild<QRadioButton*>(box->objectName() + QStringLiteral("Item%1").arg(i));
    if (!button) break;
    buttons_.addButton(button, i);
    if (button->isChecked()) selected_ = i;
  }
  QObject::connect(&buttons_, &QButtonGroup::idToggled, [this](int id, bool checked) {
    if (!checked || id == selected_) return;
    selected_ = id;
    if (onClick_) onClick_();
  });
}

void RadioGroup::SetItemIndex(int index) {
  if (index == selected_) return;
  if (index >= 0 && index < Count()) {
    buttons_.button(index)->setChecked(true);  // runs the click handler through idToggled
    return;
  }
  buttons_.setExclusive(false);
  for (auto* b : buttons_.buttons()) b->setChecked(false);
  buttons_.setExclusive(true);
  selected_ = -1;
}
