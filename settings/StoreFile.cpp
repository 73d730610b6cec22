#include "StoreFile.h"

#include <QFile>

#include <cerrno>
#include <cstdio>
#include <sys/stat.h>

namespace settings {

namespace {

// Nothing at the path, or a folder on the way is missing or is no folder.
bool IsMissing(int error)
{
    return error == ENOENT || error == ENOTDIR;
}

bool Exists(const QString& path)
{
    struct stat link
    {
    };
    return lstat(QFile::encodeName(path).constData(), &link) == 0 || !IsMissing(errno);
}

} // namespace

StoreFile::State StoreFile::state() const
{
    const QByteArray name = QFile::encodeName(path_);
    struct stat link
    {
    };
    if (lstat(name.constData(), &link) != 0)
        return IsMissing(errno) ? State::Missing : State::Unreachable;
    struct stat target
    {
    };
    if (stat(name.constData(), &target) != 0) {
        const bool dangling = IsMissing(errno) || errno == ELOOP;
        return dangling ? State::NotASettingsFile : State::Unreachable;
    }
    if (!S_ISREG(target.st_mode) || target.st_size > kLargestPlausibleSize)
        return State::NotASettingsFile;
    return State::Plausible;
}

bool StoreFile::holdsOtherThanAFile() const
{
    struct stat link
    {
    };
    return lstat(QFile::encodeName(path_).constData(), &link) == 0 && !S_ISREG(link.st_mode);
}

void StoreFile::createEmpty() const
{
    QFile file(path_);
    (void)file.open(QIODevice::WriteOnly | QIODevice::NewOnly);
}

std::optional<QString> StoreFile::setAside() const
{
    constexpr int kKeptFiles = 9;
    QString target;
    for (int kept = 1; kept <= kKeptFiles; ++kept) {
        target = path_ + QStringLiteral(".damaged");
        if (kept > 1)
            target += u'.' + QString::number(kept);
        if (!Exists(target))
            break;
    }
    if (std::rename(QFile::encodeName(path_).constData(), QFile::encodeName(target).constData()) !=
        0)
        return std::nullopt;
    return target;
}

} // namespace settings
