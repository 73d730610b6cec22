#include "help/HelpCache.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

// The copy of the help in the cache folder is made once and kept, search index and all,
// until the installed help changes.
namespace {

class HelpCacheTest : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(cache.isValid() && installed.isValid());
        qputenv("XDG_CACHE_HOME", cache.path().toLocal8Bit());
        Write(QStringLiteral("Parvello.hlp"), "collection");
        Write(QStringLiteral("parvello.qch"), "documentation");
    }
    void TearDown() override { qunsetenv("XDG_CACHE_HOME"); }

    void Write(const QString& name, const QByteArray& contents)
    {
        QFile file(installed.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(contents);
    }

    QString CopyNow()
    {
        QString problem;
        const std::optional<QString> copy =
            CopyHelpToCache(installed.filePath(QStringLiteral("Parvello.hlp")), problem);
        EXPECT_TRUE(copy.has_value()) << problem.toStdString();
        return copy.value_or(QString());
    }

    static QByteArray Read(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QTemporaryDir cache;
    QTemporaryDir installed;
};

TEST_F(HelpCacheTest, CopiesTheCollectionAndItsDocumentationSideBySide)
{
    const QString copy = CopyNow();
    ASSERT_TRUE(copy.startsWith(cache.path())) << copy.toStdString();
    EXPECT_EQ(Read(copy), "collection");
    EXPECT_EQ(Read(QFileInfo(copy).dir().filePath(QStringLiteral("parvello.qch"))),
              "documentation");
}

TEST_F(HelpCacheTest, KeepsACurrentCopyWithItsSearchIndex)
{
    const QString copy = CopyNow();
    const QString index = QFileInfo(copy).dir().filePath(QStringLiteral(".Parvello.hlp"));
    ASSERT_TRUE(QDir().mkpath(index));

    EXPECT_EQ(CopyNow(), copy);
    EXPECT_TRUE(QFileInfo::exists(index)) << "a current copy was made again";
}

TEST_F(HelpCacheTest, MakesTheCopyAfreshWhenTheInstalledHelpChanges)
{
    const QString copy = CopyNow();
    const QString index = QFileInfo(copy).dir().filePath(QStringLiteral(".Parvello.hlp"));
    ASSERT_TRUE(QDir().mkpath(index));

    Write(QStringLiteral("parvello.qch"), "newer documentation");
    EXPECT_EQ(CopyNow(), copy);
    EXPECT_EQ(Read(QFileInfo(copy).dir().filePath(QStringLiteral("parvello.qch"))),
              "newer documentation");
    EXPECT_FALSE(QFileInfo::exists(index)) << "the old search index was kept";
}

} // namespace
