#pragma once
#include <QDialog>

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace Ui {
class TFormRecordFields;
}
class QLineEdit;

// What the technician writes into a record before it is saved: the customer, the machine, its
// serial number, the technician and a note, in the record's order.
class TFormRecordFields : public QDialog {
  Q_OBJECT

 public:
  using Fields = std::vector<std::pair<std::string, std::string>>;
  explicit TFormRecordFields(QWidget* parent = nullptr);
  ~TFormRecordFields() override;

  // The fields as last given (others than the record's own are left out).
  void SetFields(const Fields& fields);
  // Each of the record's own fields, by name, as typed (trimmed).
  Fields GetFields() const;

  std::unique_ptr<Ui::TFormRecordFields> ui;

 private:
  std::vector<QLineEdit*> Edits() const;  // in the record's order of its fields
};
