#include "help/HelpPages.h"

#include <QDir>
#include <QFile>
#include <QHelpEngineCore>
#include <QHelpLink>
#include <QRegularExpression>
#include <QXmlStreamReader>

#include <gtest/gtest.h>

// The help collection that the build compiles, read back through Qt Help: every page and
// every keyword of the project file must be in it, and every link between pages must lead
// to a page that is.
namespace {

const QString kContentDir = QStringLiteral(PARVELLO_HELP_CONTENT_DIR);

struct Keyword
{
    QString name;
    QString ref;
};

QList<Keyword> KeywordsOfProject()
{
    QFile project(kContentDir + QStringLiteral("/parvello.qhp"));
    EXPECT_TRUE(project.open(QIODevice::ReadOnly));
    QList<Keyword> keywords;
    QXmlStreamReader xml(&project);
    while (!xml.atEnd()) {
        if (xml.readNext() == QXmlStreamReader::StartElement &&
            xml.name() == QLatin1String("keyword"))
            keywords.append({xml.attributes().value(QLatin1String("name")).toString(),
                             xml.attributes().value(QLatin1String("ref")).toString()});
    }
    EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    return keywords;
}

QStringList PageFiles()
{
    return QDir(kContentDir)
        .entryList({QStringLiteral("*.html"), QStringLiteral("*.css")}, QDir::Files, QDir::Name);
}

// Whether the page that `ref` names holds the anchor after its "#", if it names one.
bool HasTarget(const QHelpEngineCore& engine, const QString& ref)
{
    const QString page = ref.section(QLatin1Char('#'), 0, 0);
    const QString anchor = ref.section(QLatin1Char('#'), 1);
    const QByteArray text = engine.fileData(help_pages::Page(page));
    return !text.isEmpty() &&
           (anchor.isEmpty() || text.contains(QStringLiteral("name=\"%1\"").arg(anchor).toUtf8()));
}

class HelpCollection : public testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(engine.setupData()) << engine.error().toStdString(); }

    QHelpEngineCore engine{QStringLiteral(PARVELLO_HELP_COLLECTION)};
};

TEST_F(HelpCollection, HoldsEveryPageAsWritten)
{
    const QStringList pages = PageFiles();
    ASSERT_GE(pages.size(), 10);
    for (const QString& page : pages) {
        QFile source(kContentDir + QLatin1Char('/') + page);
        ASSERT_TRUE(source.open(QIODevice::ReadOnly));
        const QByteArray expected = source.readAll();
        const QByteArray compiled = engine.fileData(help_pages::Page(page));
        ASSERT_EQ(compiled.size(), expected.size()) << page.toStdString();
        EXPECT_EQ(compiled, expected) << page.toStdString();
    }
}

TEST_F(HelpCollection, FindsEveryKeywordOnItsPage)
{
    const QList<Keyword> keywords = KeywordsOfProject();
    ASSERT_GE(keywords.size(), 30);
    for (const Keyword& keyword : keywords) {
        const QList<QHelpLink> links = engine.documentsForKeyword(keyword.name);
        ASSERT_EQ(links.size(), 1) << keyword.name.toStdString();
        EXPECT_EQ(links.first().url, help_pages::Page(keyword.ref)) << keyword.name.toStdString();
        EXPECT_TRUE(HasTarget(engine, keyword.ref)) << keyword.ref.toStdString();
    }
}

TEST_F(HelpCollection, LinksLeadToPagesAndAnchorsThatExist)
{
    const QRegularExpression link(QStringLiteral(R"re(href="([^":]+\.html(?:#[^"]+)?)")re"));
    for (const QString& page : PageFiles()) {
        const QString text = QString::fromUtf8(engine.fileData(help_pages::Page(page)));
        for (const QRegularExpressionMatch& match : link.globalMatch(text)) {
            EXPECT_TRUE(HasTarget(engine, match.captured(1)))
                << page.toStdString() << " links to " << match.captured(1).toStdString();
        }
    }
}

TEST_F(HelpCollection, OpensOnTheHomePageAndTheViewerPage)
{
    EXPECT_TRUE(engine.fileData(help_pages::Home()).contains("<h1>Parvello Jr. Help</h1>"));
    EXPECT_TRUE(engine.fileData(help_pages::UsingHelp()).contains("<h1>Using Help</h1>"));
}

} // namespace
