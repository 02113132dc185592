#include "app/QtTranslation.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QTranslator>

QTranslator *installQtChinese(QCoreApplication &app)
{
    const QString name = QStringLiteral("qtbase_zh_CN");
    auto *translator = new QTranslator(&app);
    for (const QString &dir : {QLibraryInfo::path(QLibraryInfo::TranslationsPath),
                               QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("translations"))}) {
        if (translator->load(name, dir) && QCoreApplication::installTranslator(translator))
            return translator;
    }
    delete translator;
    return nullptr;
}
