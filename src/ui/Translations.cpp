#include "ui/Translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace tarnwick {

void installTranslations(QCoreApplication& application) {
    // Translators are searched newest first: the English forms answer only what the user's language lacks.
    auto* english = new QTranslator(&application);
    if (english->load(QStringLiteral(":/translations/tarnwick_en.qm"))) {
        QCoreApplication::installTranslator(english);
    }
    const QLocale locale;
    auto* qt = new QTranslator(&application);
    if (qt->load(locale, QStringLiteral("qtbase"), QStringLiteral("_"),
                 QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QCoreApplication::installTranslator(qt);
    }
    auto* own = new QTranslator(&application);
    if (locale.language() != QLocale::English &&
        own->load(locale, QStringLiteral("tarnwick"), QStringLiteral("_"),
                  QStringLiteral(":/translations"))) {
        QCoreApplication::installTranslator(own);
    }
}

} // namespace tarnwick
