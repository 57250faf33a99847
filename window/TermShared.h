#pragma once
// What the main window's implementation files share: fixed texts, page indices, the input rows.
#include <QColor>
#include <QSettings>
#include <QString>

#include <string>

namespace term {

inline constexpr int kInputsPage = 1;
inline constexpr int kDebugPage = 3;
// The grid's column of input names ("Jméno").
inline constexpr int kNameColumn = 2;

// The program's own preferences (a menu's choice, the record's fields).
inline QSettings Preferences() {
  return QSettings(QStringLiteral("vorka-config"), QStringLiteral("vorka_config"));
}

// The operator's language in the options: "cs", "en", or nothing for the desktop's.
inline const char* const kLanguageKey = "jazyk";
inline QString ChosenLanguage() { return Preferences().value(QLatin1String(kLanguageKey)).toString(); }

inline QString Latin1(const std::string& text) {
  return QString::fromLatin1(text.data(), qsizetype(text.size()));
}

}  // namespace term
