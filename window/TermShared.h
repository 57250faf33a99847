#pragma once
// What the main window's implementation files share: fixed texts, page indices, the input rows.
#include <QColor>
#include <QString>

#include <string>

namespace term {

inline constexpr int kInputsPage = 1;
inline constexpr int kDebugPage = 3;
// Bit of the input word shown in grid rows 1 to 10: inputs 0 to 7, 14 and 15.
inline constexpr int kInputRowBits[] = {0, 1, 2, 3, 4, 5, 6, 7, 14, 15};
// The grid's column of input names ("Jméno").
inline constexpr int kNameColumn = 2;

inline QString Latin1(const std::string& text) {
  return QString::fromLatin1(text.data(), qsizetype(text.size()));
}

}  // namespace term
