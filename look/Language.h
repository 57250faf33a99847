#pragma once
#include "common/Language.h"

#include <QString>
#include <QStringList>

// The language the windows speak. Their texts are written in Czech; English comes from the
// translation built into the program.
//
// The operator's choice in "Jazyk", kept with the options: "cs", "en", or empty to follow the
// desktop: English where its first language is English, Czech on every other (C included).
Language LanguageFor(const QStringList& desktopLanguages, const QString& chosen);

// Installs the language's texts for the windows that are created from now on, ours and those of
// Qt's own dialogs, and has the message boxes word the catalogue in it. False when English was
// asked for and its translation could not be loaded: the windows then stay Czech.
bool InstallLanguage(Language language);

// The language installed last; Czech before any.
Language WindowLanguage();
// A fault's or a failure's text (a type with CzechText and EnglishText) in the windows' language.
template <typename Fault>
QString WindowText(const Fault& fault) {
  return QString::fromStdString(WindowLanguage() == Language::English ? EnglishText(fault)
                                                                      : CzechText(fault));
}
// Numbers as the windows' language writes them: "1,5" in Czech, "1.5" in English.
QChar DecimalMark();
