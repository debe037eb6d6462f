#include "app/qt_translations.h"

#include <QLibraryInfo>
#include <QLocale>

QString qtTranslationsFolder()
{
    return QLibraryInfo::path(QLibraryInfo::TranslationsPath);
}

std::unique_ptr<QTranslator> qtTranslatorFor(int gLanguage)
{
    const QLocale locale(gLanguage == 0 ? QLocale::Japanese : QLocale::English,
                         gLanguage == 0 ? QLocale::Japan : QLocale::UnitedStates);
    QLocale::setDefault(locale);
    if (gLanguage != 0)
        return nullptr;
    auto translator = std::make_unique<QTranslator>();
    // "qt_ja" gathers qtbase_ja and the other modules' catalogues.
    if (!translator->load(locale, QStringLiteral("qt"), QStringLiteral("_"), qtTranslationsFolder()))
        return nullptr;
    return translator;
}
