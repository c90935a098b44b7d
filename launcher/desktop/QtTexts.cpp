#include "launcher/desktop/QtTexts.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace novra::desktop {

void useRussianQtTexts() {
    auto* texts = new QTranslator(QCoreApplication::instance());
    if (texts->load(QLocale(QLocale::Russian), QStringLiteral("qtbase"), QStringLiteral("_"),
                    QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(texts);
    else
        delete texts;
}

} // namespace novra::desktop
