#include "StoreFile.h"

#include <QFile>
#include <QSaveFile>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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
    if (!S_ISREG(target.st_mode))
        return State::NotASettingsFile;
    return target.st_size > kLargestPlausibleSize ? State::Oversized : State::Plausible;
}

bool StoreFile::holdsOtherThanAFile() const
{
    struct stat link
    {
    };
    return lstat(QFile::encodeName(path_).constData(), &link) == 0 && !S_ISREG(link.st_mode);
}

std::optional<QByteArray> StoreFile::read(qint64 largestSize) const
{
    // A FIFO opens at once without a writer, and is then told by its kind.
    const int descriptor =
        ::open(QFile::encodeName(path_).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (descriptor < 0)
        return std::nullopt;
    QFile file;
    if (!file.open(descriptor, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(descriptor);
        return std::nullopt;
    }
    struct stat target
    {
    };
    if (fstat(descriptor, &target) != 0 || !S_ISREG(target.st_mode) || target.st_size > largestSize)
        return std::nullopt;
    QByteArray contents = file.readAll();
    if (file.error() != QFileDevice::NoError || contents.size() > largestSize)
        return std::nullopt;
    return contents;
}

bool StoreFile::replace(const QByteArray& contents) const
{
    QSaveFile file(path_);
    return file.open(QIODevice::WriteOnly) && file.write(contents) == contents.size() &&
           file.commit();
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
