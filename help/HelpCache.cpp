#include "help/HelpCache.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <algorithm>

namespace {

// The collection first, then the documentation that lies beside it.
QList<QFileInfo> FilesToCopy(const QFileInfo& collection)
{
    QList<QFileInfo> files{collection};
    const QDir folder = collection.absoluteDir();
    const QStringList docs = folder.entryList({QStringLiteral("*.qch")}, QDir::Files, QDir::Name);
    for (const QString& name : docs)
        files.append(QFileInfo(folder.absoluteFilePath(name)));
    return files;
}

bool IsSameCopy(const QFileInfo& source, const QFileInfo& copy)
{
    return copy.isFile() && copy.size() == source.size() &&
           copy.lastModified() == source.lastModified();
}

bool CopyFile(const QFileInfo& source, const QString& destination)
{
    if (!QFile::copy(source.absoluteFilePath(), destination))
        return false;
    QFile copy(destination);
    // The copy takes the installed file's time, by which the next run knows it is current,
    // and becomes the user's own to replace.
    copy.setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    return copy.open(QIODevice::ReadWrite) &&
           copy.setFileTime(source.lastModified(), QFileDevice::FileModificationTime);
}

} // namespace

std::optional<QString> CopyHelpToCache(const QString& collectionPath, QString& problem)
{
    const QFileInfo collection(collectionPath);
    if (!collection.isFile()) {
        problem = QStringLiteral("The help file %1 was not found.").arg(collectionPath);
        return std::nullopt;
    }
    if (!collection.isReadable()) {
        problem = QStringLiteral("The help file %1 cannot be read.").arg(collectionPath);
        return std::nullopt;
    }
    const QString cacheRoot = QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
    if (cacheRoot.isEmpty()) {
        problem = QStringLiteral("There is no cache folder to open the help in.");
        return std::nullopt;
    }

    QDir target(cacheRoot + QStringLiteral("/help"));
    const QList<QFileInfo> files = FilesToCopy(collection);
    const bool current = std::all_of(files.begin(), files.end(), [&](const QFileInfo& file) {
        return IsSameCopy(file, QFileInfo(target.filePath(file.fileName())));
    });
    if (!current) {
        bool copied =
            (!target.exists() || target.removeRecursively()) && QDir().mkpath(target.path());
        for (const QFileInfo& file : files)
            copied = copied && CopyFile(file, target.filePath(file.fileName()));
        if (!copied) {
            problem = QStringLiteral("The help could not be copied to %1.").arg(target.path());
            return std::nullopt;
        }
    }
    return target.filePath(collection.fileName());
}
