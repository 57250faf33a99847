#include "look/Language.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace {

Language g_installed = Language::Czech;

}  // namespace

Language LanguageFor(const QStringList& desktopLanguages, const QString& chosen) {
  if (chosen == QLatin1String("cs")) return Language::Czech;
  if (chosen == QLatin1String("en")) return Language::English;
  // "en", "en-US", "en_GB"; and nothing else, whatever follows the first.
  const QString first = desktopLanguages.value(0);
  const bool english = first.compare(QLatin1String("en"), Qt::CaseInsensitive) == 0 ||
                       first.startsWith(QLatin1String("en-"), Qt::CaseInsensitive) ||
                       first.startsWith(QLatin1String("en_"), Qt::CaseInsensitive);
  return english ? Language::English : Language::Czech;
}

bool InstallLanguage(Language language) {
  // Held for the rest of the program: an application keeps only pointers to its translators.
  static QTranslator ours;
  static QTranslator qts;
  QCoreApplication::removeTranslator(&ours);
  QCoreApplication::removeTranslator(&qts);
  g_installed = Language::Czech;
  const bool english = language == Language::English;
  if (english && !ours.load(QStringLiteral(":/i18n/vorka_config_en.qm"))) return false;
  if (english) QCoreApplication::installTranslator(&ours);
  // Qt's own dialogs (the file dialogs) in the same language, on any desktop. Qt's texts are
  // English without a translation.
  if (!english && qts.load(QLocale(QLocale::Czech), QStringLiteral("qtbase"), QStringLiteral("_"),
                           QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
    QCoreApplication::installTranslator(&qts);
  g_installed = language;
  return true;
}

Language WindowLanguage() { return g_installed; }

QChar DecimalMark() { return g_installed == Language::English ? QLatin1Char('.') : QLatin1Char(','); }
