#pragma once
// The language of the windows: Japanese (the texts as written in the code)
// or English (the translation built from translations/folian_en.ts). Stored
// category names are data and are never translated; folian-cli speaks
// English without any of this.

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <memory>

class QTranslator;

enum class UiLanguage { Japanese, English };

/// The language the locale asks for: the first of LC_ALL, LC_MESSAGES and
/// LANG that is set decides. Japanese when its language is Japanese or is
/// none we can read ("C", "POSIX", unset, an unknown code); English for any
/// other language.
UiLanguage UiLanguageOfLocale(const QProcessEnvironment& environment);

/// Takes "--lang ja|en" or "--lang=ja|en" out of `arguments`, storing the
/// language in `chosen`. False, with `error` set, for a missing or other
/// value. Without the option `arguments` stay as they were
/// and `chosen` is untouched.
bool TakeLanguageOption(QStringList* arguments, UiLanguage* chosen, QString* error);

/// The translation `language` needs, loaded: for English Folian's own, for
/// Japanese Qt's (qtbase: file panels, standard buttons, print dialogs), whose
/// texts are English as written. Null when it could not be loaded (then the
/// texts stay as written).
std::unique_ptr<QTranslator> LoadTranslation(UiLanguage language);
