#include "help/HelpFilePath.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

QString HelpFilePathIn(const QString& programFolder)
{
    const QDir folder(programFolder);
    const QString besideProgram = folder.absoluteFilePath(QLatin1String(HelpFileName));
    const QString installed = QDir::cleanPath(
        folder.absoluteFilePath(QStringLiteral("../share/parvello/") + HelpFileName));
    for (const QString& candidate : {besideProgram, installed}) {
        if (QFileInfo(candidate).isFile())
            return candidate;
    }
    return besideProgram;
}

QString HelpFilePath()
{
    return HelpFilePathIn(QCoreApplication::applicationDirPath());
}
