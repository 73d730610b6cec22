#include "NamedCase.h"

#include "help/HelpFilePath.h"
#include "help/HelpPages.h"
#include "help/HelpViewer.h"

#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QHelpIndexWidget>
#include <QHelpSearchEngine>
#include <QHelpSearchQueryWidget>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>

#include <gtest/gtest.h>

namespace {

const QString kBuiltCollection = QStringLiteral(PARVELLO_HELP_COLLECTION);

// Each test gets a cache folder of its own, where the viewer copies the help.
class HelpViewerTest : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(cache.isValid());
        qputenv("XDG_CACHE_HOME", cache.path().toLocal8Bit());
    }
    void TearDown() override { qunsetenv("XDG_CACHE_HOME"); }

    static QTabWidget* Tabs(HelpViewer& viewer)
    {
        return viewer.findChild<QTabWidget*>(QStringLiteral("helpTabs"));
    }
    static QTextBrowser* Browser(HelpViewer& viewer)
    {
        return viewer.findChild<QTextBrowser*>(QStringLiteral("helpBrowser"));
    }
    static QLineEdit* KeywordFilter(HelpViewer& viewer)
    {
        return viewer.findChild<QLineEdit*>(QStringLiteral("keywordFilter"));
    }

    QTemporaryDir cache;
};

struct EntryCase
{
    const char* name;
    void (HelpViewer::*entry)();
    const char* tab;
    QUrl page;
};

class HelpViewerEntry : public HelpViewerTest, public testing::WithParamInterface<EntryCase>
{
};

TEST_P(HelpViewerEntry, OpensTheRightTabAndPage)
{
    HelpViewer viewer(kBuiltCollection);
    (viewer.*GetParam().entry)();

    ASSERT_TRUE(viewer.isVisible());
    ASSERT_NE(Tabs(viewer), nullptr);
    EXPECT_TRUE(Tabs(viewer)->isEnabled());
    EXPECT_EQ(Tabs(viewer)->currentWidget()->objectName(), QLatin1String(GetParam().tab));
    EXPECT_EQ(Browser(viewer)->source(), GetParam().page);
    EXPECT_FALSE(Browser(viewer)->toPlainText().isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    HelpCommands, HelpViewerEntry,
    testing::Values(EntryCase{"ContentsShowsTheFirstPage", &HelpViewer::showContents,
                              "contentsPage", help_pages::Home()},
                    EntryCase{"KeywordSearchShowsTheIndex", &HelpViewer::showKeywordSearch,
                              "indexPage", help_pages::Home()},
                    EntryCase{"HelpOnHelpShowsTheViewerPage", &HelpViewer::showHelpOnHelp,
                              "contentsPage", help_pages::UsingHelp()}),
    CaseName<EntryCase>);

TEST_F(HelpViewerTest, KeywordSearchStartsWithAnEmptyKeywordAndTheCursorInItsField)
{
    HelpViewer viewer(kBuiltCollection);
    viewer.showKeywordSearch();
    QLineEdit* filter = KeywordFilter(viewer);
    ASSERT_NE(filter, nullptr);
    QTest::keyClicks(filter, QStringLiteral("volume"));

    viewer.showHelpOnHelp();
    viewer.showKeywordSearch();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&viewer));
    EXPECT_TRUE(filter->text().isEmpty());
    EXPECT_EQ(QApplication::focusWidget(), filter);
    EXPECT_EQ(Browser(viewer)->source(), help_pages::UsingHelp()) << "the page stays";
}

TEST_F(HelpViewerTest, AKeywordTypedInTheIndexOpensItsPage)
{
    HelpViewer viewer(kBuiltCollection);
    viewer.showKeywordSearch();
    auto* index = viewer.findChild<QHelpIndexWidget*>();
    ASSERT_NE(index, nullptr);
    ASSERT_TRUE(QTest::qWaitFor([&] { return index->model()->rowCount() > 30; }));

    QTest::keyClicks(KeywordFilter(viewer), QStringLiteral("loudness comp"));
    QTest::keyClick(KeywordFilter(viewer), Qt::Key_Return);
    EXPECT_EQ(Browser(viewer)->source(),
              help_pages::Page(QStringLiteral("volume.html#compensation")));
}

TEST_F(HelpViewerTest, FullTextSearchFindsAWordThatIsNoKeyword)
{
    HelpViewer viewer(kBuiltCollection);
    viewer.showContents();
    auto* search = viewer.findChild<QHelpSearchEngine*>();
    ASSERT_NE(search, nullptr);
    QSignalSpy indexed(search, &QHelpSearchEngine::indexingFinished);
    ASSERT_TRUE(indexed.wait(10000));

    QSignalSpy searched(search, &QHelpSearchEngine::searchingFinished);
    search->queryWidget()->setSearchInput(QStringLiteral("pavucontrol"));
    emit search->queryWidget()->search();
    ASSERT_TRUE(searched.wait(10000));
    const QList<QHelpSearchResult> results = search->searchResults(0, search->searchResultCount());
    ASSERT_EQ(results.size(), 1);
    EXPECT_EQ(results.first().url(), help_pages::Page(QStringLiteral("no-sound.html")));
}

TEST_F(HelpViewerTest, WritesOnlyIntoTheCacheFolder)
{
    QTemporaryDir installed;
    ASSERT_TRUE(installed.isValid());
    const QString collection = installed.filePath(QStringLiteral("Parvello.hlp"));
    ASSERT_TRUE(QFile::copy(kBuiltCollection, collection));
    ASSERT_TRUE(
        QFile::copy(QFileInfo(kBuiltCollection).dir().filePath(QStringLiteral("parvello.qch")),
                    installed.filePath(QStringLiteral("parvello.qch"))));
    const auto listing = [](const QString& folder) {
        QStringList entries;
        QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            it.next();
            entries << it.fileInfo().filePath() + QLatin1Char(' ') +
                           it.fileInfo().lastModified().toString(Qt::ISODateWithMs);
        }
        entries.sort();
        return entries;
    };
    const QStringList before = listing(installed.path());

    {
        HelpViewer viewer(collection);
        viewer.showContents();
        QSignalSpy indexed(viewer.findChild<QHelpSearchEngine*>(),
                           &QHelpSearchEngine::indexingFinished);
        ASSERT_TRUE(indexed.wait(10000));
    }
    EXPECT_EQ(listing(installed.path()), before);
    QDirIterator copies(cache.path(), {QStringLiteral("Parvello.hlp")}, QDir::Files,
                        QDirIterator::Subdirectories);
    EXPECT_TRUE(copies.hasNext()) << "no copy in the cache folder";
}

struct BrokenCase
{
    const char* name;
    QByteArray contents; // empty: no file at all
    const char* message;
};

class HelpViewerBroken : public HelpViewerTest, public testing::WithParamInterface<BrokenCase>
{
};

TEST_P(HelpViewerBroken, ShowsItsOwnMessageForEveryCommand)
{
    QTemporaryDir folder;
    const QString collection = folder.filePath(QStringLiteral("Parvello.hlp"));
    if (!GetParam().contents.isEmpty()) {
        QFile file(collection);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(GetParam().contents);
    }
    HelpViewer viewer(collection);
    for (auto entry :
         {&HelpViewer::showContents, &HelpViewer::showKeywordSearch, &HelpViewer::showHelpOnHelp}) {
        (viewer.*entry)();
        ASSERT_TRUE(viewer.isVisible());
        EXPECT_FALSE(Tabs(viewer)->isEnabled());
        const QString shown = Browser(viewer)->toPlainText();
        EXPECT_TRUE(shown.contains(QLatin1String(GetParam().message))) << shown.toStdString();
        EXPECT_TRUE(shown.contains(collection)) << shown.toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(HelpCommands, HelpViewerBroken,
                         testing::Values(BrokenCase{"MissingFile", {}, "was not found"},
                                         BrokenCase{"NotAHelpFile", "This is no help collection.\n",
                                                    "could not be opened"}),
                         CaseName<BrokenCase>);

struct LookupCase
{
    const char* name;
    bool besideProgram;
    bool installed;
    const char* expected; // relative to the prefix
};

class HelpFileLookup : public testing::TestWithParam<LookupCase>
{
};

TEST_P(HelpFileLookup, PrefersTheProgramsFolderThenTheInstalledShareFolder)
{
    QTemporaryDir prefix;
    ASSERT_TRUE(QDir(prefix.path()).mkpath(QStringLiteral("bin")));
    ASSERT_TRUE(QDir(prefix.path()).mkpath(QStringLiteral("share/parvello")));
    const auto touch = [&](const char* path) {
        QFile file(prefix.filePath(QLatin1String(path)));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    };
    if (GetParam().besideProgram)
        touch("bin/Parvello.hlp");
    if (GetParam().installed)
        touch("share/parvello/Parvello.hlp");

    EXPECT_EQ(HelpFilePathIn(prefix.filePath(QStringLiteral("bin"))),
              prefix.filePath(QLatin1String(GetParam().expected)));
}

INSTANTIATE_TEST_SUITE_P(
    HelpCommands, HelpFileLookup,
    testing::Values(LookupCase{"BuildTree", true, false, "bin/Parvello.hlp"},
                    LookupCase{"Installed", false, true, "share/parvello/Parvello.hlp"},
                    LookupCase{"BothPreferTheProgramsFolder", true, true, "bin/Parvello.hlp"},
                    LookupCase{"NeitherNamesTheProgramsFolder", false, false, "bin/Parvello.hlp"}),
    CaseName<LookupCase>);

} // namespace
