#include "core/LanguageCodes.h"

#include <QLocale>

QString FileLanguageCode(const QString &dvdCode)
{
    const QLocale::Language language = QLocale::codeToLanguage(dvdCode.trimmed(), QLocale::ISO639Part1);
    if (language == QLocale::AnyLanguage || language == QLocale::C)
        return QStringLiteral("und");
    return QLocale::languageToCode(language, QLocale::ISO639Part2T);
}
