#include "translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace {

const QString kInstalledMark = QStringLiteral("lumarelTranslator");

void install(QCoreApplication &app, const QLocale &locale, const QString &name, const QString &directory)
{
    auto *translator = new QTranslator(&app);
    translator->setObjectName(kInstalledMark);
    // QLocale's list of the user's languages, so that LANGUAGE=fr:de falls
    // back to German when French is missing.
    if (translator->load(locale, name, QStringLiteral("_"), directory))
        QCoreApplication::installTranslator(translator);
    else
        delete translator;
}

} // namespace

void installTranslations(QCoreApplication &app)
{
    const QList<QTranslator *> earlier = app.findChildren<QTranslator *>(kInstalledMark, Qt::FindDirectChildrenOnly);
    for (QTranslator *translator : earlier) {
        QCoreApplication::removeTranslator(translator);
        delete translator;
    }
    const QLocale locale;
    install(app, locale, QStringLiteral("lumarel"), QStringLiteral(":/i18n"));
    // Debian's qt6-translations-l10n: the text field's context menu and the
    // like; without it they stay in English.
    install(app, locale, QStringLiteral("qtbase"), QLibraryInfo::path(QLibraryInfo::TranslationsPath));
}
