#include "gui/shell/UiLanguage.h"

#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace {

// The language code of a locale name such as "en_US.UTF-8" or "de_DE@euro".
QString LanguageCode(const QString& locale) {
  QString code = locale;
  for (const QChar stop : {QLatin1Char('_'), QLatin1Char('.'), QLatin1Char('@'), QLatin1Char('-')}) {
    const int at = code.indexOf(stop);
    if (at >= 0) code.truncate(at);
  }
  return code.toLower();
}

}  // namespace

UiLanguage UiLanguageOfLocale(const QProcessEnvironment& environment) {
  QString locale;
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    locale = environment.value(QString::fromLatin1(name));
    if (!locale.isEmpty()) break;
  }
  const QString code = LanguageCode(locale);
  if (code.isEmpty() || code == QLatin1String("ja") || code == QLatin1String("c") || code == QLatin1String("posix"))
    return UiLanguage::Japanese;
  // Two or three letters that name a real language other than Japanese.
  const QLocale::Language language = QLocale::codeToLanguage(code);
  if (language == QLocale::AnyLanguage || language == QLocale::C) return UiLanguage::Japanese;
  return UiLanguage::English;
}

bool TakeLanguageOption(QStringList* arguments, UiLanguage* chosen, QString* error) {
  for (int i = 0; i < arguments->size(); ++i) {
    const QString argument = arguments->at(i);
    QString value;
    int taken = 0;
    if (argument == QLatin1String("--lang")) {
      if (i + 1 >= arguments->size()) {
        *error = QStringLiteral("--lang needs a language: ja or en");
        return false;
      }
      value = arguments->at(i + 1);
      taken = 2;
    } else if (argument.startsWith(QLatin1String("--lang="))) {
      value = argument.mid(7);
      taken = 1;
    } else {
      continue;
    }
    if (value == QLatin1String("ja")) {
      *chosen = UiLanguage::Japanese;
    } else if (value == QLatin1String("en")) {
      *chosen = UiLanguage::English;
    } else {
      *error = QStringLiteral("unknown language \"%1\" for --lang: ja or en").arg(value);
      return false;
    }
    arguments->remove(i, taken);
    --i;
  }
  return true;
}

std::unique_ptr<QTranslator> LoadTranslation(UiLanguage language) {
  auto translator = std::make_unique<QTranslator>();
  const bool loaded = language == UiLanguage::English
                          ? translator->load(QStringLiteral(":/i18n/folian_en.qm"))
                          : translator->load(QStringLiteral("qtbase_ja"),
                                             QLibraryInfo::path(QLibraryInfo::TranslationsPath));
  if (!loaded) return nullptr;
  return translator;
}
