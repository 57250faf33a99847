#pragma once
#include <QButtonGroup>
#include <QGroupBox>

#include <functional>

// A captioned group of radio buttons with one selected item, as the window's list settings are
// shown. Any change of the selection, by the operator or the program, runs the click handler;
// selecting the item that is already selected runs nothing.
class RadioGroup {
 public:
  // Takes the radio buttons named <group name>Item0, Item1, … inside the group box.
  explicit RadioGroup(QGroupBox* box);

  int ItemIndex() const { return selected_; }
  // -1 selects nothing.
  void SetItemIndex(int index);
  int Count() const { return static_cast<int>(buttons_.buttons().size()); }
  QGroupBox* Box() const { return box_; }
  void OnClick(std::function<void()> handler) { onClick_ = std::move(handler); }

 private:
  QGroupBox* box_;
  QButtonGroup buttons_;
  int selected_ = -1;
  std::function<void()> onClick_;
};
