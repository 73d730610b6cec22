#include "help/HelpFilePath.h"

#include "identity/ProgramIdentity.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

QString HelpFilePathIn(const QString& programFolder)
{
    const QDir folder(programFolder);
    const QString fileName = QString::fromUtf8(identity::kHelpFileName);
    const QString besideProgram = folder.absoluteFilePath(fileName);
    const QString installed = QDir::cleanPath(folder.absoluteFilePath(
        QStringLiteral("../share/") + QString::fromUtf8(identity::kDesktopId) + u'/' + fileName));
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
