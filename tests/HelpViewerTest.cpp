#include "NamedCase.h"

#include "help/HelpFilePath.h"
#include "help/HelpPages.h"
#include "help/HelpViewer.h"

#include <QApplication>
#include <QDirIterator>
#include <QFile>
#include <QHelpContentWidget>
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

template <class Widget> Widget* Find(HelpViewer& viewer, const char* name)
{
    return viewer.findChild<Widget*>(QLatin1String(name));
}

// Each test gets a cache folder of its own, where the viewer copies the help.
class HelpViewerTest : public testing::Test
{
protected:
    void SetUp() override { qputenv("XDG_CACHE_HOME", cache.path().toLocal8Bit()); }
    void TearDown() override { qunsetenv("XDG_CACHE_HOME"); }

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
    auto* tabs = Find<QTabWidget>(viewer, "helpTabs");
    ASSERT_TRUE(tabs && tabs->isEnabled());
    EXPECT_EQ(tabs->currentWidget()->objectName(), QLatin1String(GetParam().tab));
    EXPECT_EQ(Find<QTextBrowser>(viewer, "helpBrowser")->source(), GetParam().page);
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

TEST_F(HelpViewerTest, KeywordIndexOpensPagesAndStartsAgainEmptyWithTheCursorInIt)
{
    HelpViewer viewer(kBuiltCollection);
    viewer.showKeywordSearch();
    auto* index = viewer.findChild<QHelpIndexWidget*>();
    auto* filter = Find<QLineEdit>(viewer, "keywordFilter");
    ASSERT_TRUE(index && filter);
    ASSERT_TRUE(QTest::qWaitFor([&] { return index->model()->rowCount() > 30; }));

    QTest::keyClicks(filter, QStringLiteral("loudness comp"));
    QTest::keyClick(filter, Qt::Key_Return);
    const QUrl opened = help_pages::Page(QStringLiteral("volume.html#compensation"));
    EXPECT_EQ(Find<QTextBrowser>(viewer, "helpBrowser")->source(), opened);

    viewer.showKeywordSearch();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&viewer));
    EXPECT_TRUE(filter->text().isEmpty());
    EXPECT_EQ(QApplication::focusWidget(), filter);
    EXPECT_EQ(Find<QTextBrowser>(viewer, "helpBrowser")->source(), opened) << "the page stays";
}

struct ClickCase
{
    const char* name;
    void (HelpViewer::*entry)();
    // Typed into the keyword index's field first, when not empty.
    QString keyword;
    QUrl page;
};

class HelpViewerClick : public HelpViewerTest, public testing::WithParamInterface<ClickCase>
{
};

// As in the desktop's help viewers, a single click on an entry shows its page.
TEST_P(HelpViewerClick, OneClickOnAnEntryShowsItsPage)
{
    HelpViewer viewer(kBuiltCollection);
    (viewer.*GetParam().entry)();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&viewer));
    QAbstractItemView* view = nullptr;
    QModelIndex entry;
    if (GetParam().keyword.isEmpty()) {
        auto* contents = viewer.findChild<QHelpContentWidget*>();
        ASSERT_NE(contents, nullptr);
        view = contents;
        ASSERT_TRUE(QTest::qWaitFor([&] {
            entry = contents->indexOf(GetParam().page);
            return entry.isValid() && !contents->visualRect(entry).isEmpty();
        }));
    } else {
        auto* index = viewer.findChild<QHelpIndexWidget*>();
        ASSERT_NE(index, nullptr);
        view = index;
        ASSERT_TRUE(QTest::qWaitFor([&] { return index->model()->rowCount() > 30; }));
        QTest::keyClicks(Find<QLineEdit>(viewer, "keywordFilter"), GetParam().keyword);
        entry = index->model()->index(0, 0);
    }
    ASSERT_NE(Find<QTextBrowser>(viewer, "helpBrowser")->source(), GetParam().page);

    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(entry).center());
    EXPECT_EQ(Find<QTextBrowser>(viewer, "helpBrowser")->source(), GetParam().page);
}

INSTANTIATE_TEST_SUITE_P(
    HelpCommands, HelpViewerClick,
    testing::Values(ClickCase{"InTheContents", &HelpViewer::showContents, {},
                              help_pages::Page(QStringLiteral("presets.html"))},
                    ClickCase{"InTheKeywordIndex", &HelpViewer::showKeywordSearch,
                              QStringLiteral("loudness comp"),
                              help_pages::Page(QStringLiteral("volume.html#compensation"))}),
    CaseName<ClickCase>);

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
    const QList<QHelpSearchResult> results = search->searchResults(0, 10);
    ASSERT_EQ(results.size(), 1);
    EXPECT_EQ(results.first().url(), help_pages::Page(QStringLiteral("no-sound.html")));
}

QStringList Listing(const QString& folder)
{
    QStringList entries;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo entry(it.next());
        entries << entry.filePath() + entry.lastModified().toString(Qt::ISODateWithMs);
    }
    entries.sort();
    return entries;
}

TEST_F(HelpViewerTest, IndexesItsCopyInTheCacheFolderAndWritesNothingBesideTheHelp)
{
    QTemporaryDir installed;
    const QString collection = installed.filePath(QStringLiteral("Parvello.hlp"));
    const QString docs = QFileInfo(kBuiltCollection).dir().filePath(QStringLiteral("parvello.qch"));
    ASSERT_TRUE(QFile::copy(kBuiltCollection, collection));
    ASSERT_TRUE(QFile::copy(docs, installed.filePath(QStringLiteral("parvello.qch"))));
    const QStringList before = Listing(installed.path());
    {
        HelpViewer viewer(collection);
        viewer.showContents();
        QSignalSpy indexed(viewer.findChild<QHelpSearchEngine*>(),
                           &QHelpSearchEngine::indexingFinished);
        ASSERT_TRUE(indexed.wait(10000));
    }
    EXPECT_EQ(Listing(installed.path()), before);
    EXPECT_TRUE(Listing(cache.path()).filter(QStringLiteral("/.Parvello.hlp/")).size() > 0)
        << "no search index in the cache folder";
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
        EXPECT_FALSE(Find<QTabWidget>(viewer, "helpTabs")->isEnabled());
        const QString shown = Find<QTextBrowser>(viewer, "helpBrowser")->toPlainText();
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
    QStringList present; // relative to an install prefix; the program is in bin/
    const char* expected;
};

class HelpFileLookup : public testing::TestWithParam<LookupCase>
{
};

TEST_P(HelpFileLookup, PrefersTheProgramsFolderThenTheInstalledShareFolder)
{
    QTemporaryDir prefix;
    for (const QString& path : GetParam().present + QStringList{QStringLiteral("bin/x")}) {
        ASSERT_TRUE(QDir(prefix.path()).mkpath(QFileInfo(path).path()));
        QFile file(prefix.filePath(path));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    EXPECT_EQ(HelpFilePathIn(prefix.filePath(QStringLiteral("bin"))),
              prefix.filePath(QLatin1String(GetParam().expected)));
}

INSTANTIATE_TEST_SUITE_P(
    HelpCommands, HelpFileLookup,
    testing::Values(
        LookupCase{"BuildTree", {"bin/Parvello.hlp"}, "bin/Parvello.hlp"},
        LookupCase{"Installed", {"share/parvello/Parvello.hlp"}, "share/parvello/Parvello.hlp"},
        LookupCase{"BothPreferTheProgramsFolder",
                   {"bin/Parvello.hlp", "share/parvello/Parvello.hlp"},
                   "bin/Parvello.hlp"},
        LookupCase{"NeitherNamesTheProgramsFolder", {}, "bin/Parvello.hlp"}),
    CaseName<LookupCase>);

} // namespace
