#include "window/LimitedEdit.h"

#include <QValidator>

namespace {

class TypingLimit : public QValidator {
 public:
  TypingLimit(QLineEdit* edit, int maxChars) : QValidator(edit), edit_(edit), max_(maxChars) {}
  State validate(QString& input, int&) const override {
    if (input.size() <= max_ || input.size() < edit_->text().size()) return Acceptable;
    return Invalid;
  }

 private:
  QLineEdit* edit_;
  int max_;
};

}  // namespace

void LimitTyping(QLineEdit* edit, int maxChars) {
  if (maxChars > 0) edit->setValidator(new TypingLimit(edit, maxChars));
}
