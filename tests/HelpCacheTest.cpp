#include "help/HelpCache.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

// The copy of the help in the cache folder is made once and kept, search index and all,
// until the installed help changes.
namespace {

void Write(const QString& path, const QByteArray& contents)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(contents);
}

QByteArray Read(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

TEST(HelpCache, KeepsACurrentCopyAndRenewsAStaleOne)
{
    QTemporaryDir cache, installed;
    qputenv("XDG_CACHE_HOME", cache.path().toLocal8Bit());
    Write(installed.filePath(QStringLiteral("Parvello.hlp")), "collection");
    Write(installed.filePath(QStringLiteral("parvello.qch")), "documentation");
    const auto copyNow = [&] {
        QString problem;
        const std::optional<QString> copy =
            CopyHelpToCache(installed.filePath(QStringLiteral("Parvello.hlp")), problem);
        EXPECT_TRUE(copy.has_value()) << problem.toStdString();
        return QDir(copy.value_or(QString()).section(QLatin1Char('/'), 0, -2));
    };

    const QDir copied = copyNow();
    ASSERT_TRUE(copied.path().startsWith(cache.path())) << copied.path().toStdString();
    EXPECT_EQ(Read(copied.filePath(QStringLiteral("Parvello.hlp"))), "collection");
    EXPECT_EQ(Read(copied.filePath(QStringLiteral("parvello.qch"))), "documentation");
    const QString index = copied.filePath(QStringLiteral(".Parvello.hlp"));
    ASSERT_TRUE(QDir().mkpath(index));

    EXPECT_EQ(copyNow(), copied);
    EXPECT_TRUE(QDir(index).exists()) << "a current copy was made again";

    Write(installed.filePath(QStringLiteral("parvello.qch")), "newer documentation");
    EXPECT_EQ(copyNow(), copied);
    EXPECT_EQ(Read(copied.filePath(QStringLiteral("parvello.qch"))), "newer documentation");
    EXPECT_FALSE(QDir(index).exists()) << "the old search index was kept";
    qunsetenv("XDG_CACHE_HOME");
}

} // namespace
