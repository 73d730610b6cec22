#include "help/HelpViewer.h"

#include "desktop/ShowInFront.h"
#include "help/HelpBrowser.h"
#include "help/HelpCache.h"
#include "help/HelpPages.h"
#include "identity/ProgramIdentity.h"

#include <QHelpContentWidget>
#include <QHelpEngine>
#include <QHelpIndexWidget>
#include <QHelpLink>
#include <QHelpSearchEngine>
#include <QHelpSearchQueryWidget>
#include <QHelpSearchResultWidget>
#include <QLabel>
#include <QLineEdit>
#include <QProxyStyle>
#include <QSplitter>
#include <QStyle>
#include <QTabWidget>
#include <QToolBar>
#include <QVBoxLayout>

namespace {

QWidget* NamedPage(const char* name, QWidget* parent)
{
    auto* page = new QWidget(parent);
    page->setObjectName(QString::fromLatin1(name));
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(4, 4, 4, 4);
    return page;
}

// Opens an entry of a list on one click, as the desktop's help viewers do; Qt's views open one
// on a double click unless their style says otherwise. Enter still opens the current entry.
class SingleClickStyle : public QProxyStyle
{
public:
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override
    {
        if (hint == SH_ItemView_ActivateItemOnSingleClick)
            return 1;
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

void OpenOnSingleClick(QAbstractItemView& view)
{
    auto* style = new SingleClickStyle;
    style->setParent(&view);
    view.setStyle(style);
}

} // namespace

HelpViewer::HelpViewer(QString collectionPath, QWidget* parent)
    : QMainWindow(parent, Qt::Window), collectionPath_(std::move(collectionPath))
{
    setObjectName(QStringLiteral("HelpViewer"));
    setWindowTitle(QString::fromUtf8(identity::kApplicationTitle) + QStringLiteral(" Help"));
    setAttribute(Qt::WA_QuitOnClose, false);
}

HelpViewer::~HelpViewer()
{
    // The contents, index and search widgets read the engine's models: they go first.
    delete centralWidget();
    delete engine_;
}

void HelpViewer::showContents()
{
    if (ensureOpen()) {
        tabs_->setCurrentWidget(contentsPage_);
        showPage(help_pages::Home());
    }
    present();
}

void HelpViewer::showKeywordSearch()
{
    const bool open = ensureOpen();
    if (open) {
        tabs_->setCurrentWidget(indexPage_);
        keywordFilter_->clear();
        engine_->indexWidget()->filterIndices(QString());
        if (browser_->source().isEmpty())
            showPage(help_pages::Home());
    }
    present();
    if (open)
        keywordFilter_->setFocus(Qt::ShortcutFocusReason);
}

void HelpViewer::showHelpOnHelp()
{
    if (ensureOpen())
        showPage(help_pages::UsingHelp());
    present();
}

bool HelpViewer::ensureOpen()
{
    if (!tabs_)
        buildWindow();
    return engine_ || openCollection();
}

void HelpViewer::buildWindow()
{
    auto* splitter = new QSplitter(Qt::Horizontal, this);
    tabs_ = new QTabWidget(splitter);
    tabs_->setObjectName(QStringLiteral("helpTabs"));
    contentsPage_ = NamedPage("contentsPage", tabs_);
    indexPage_ = NamedPage("indexPage", tabs_);
    searchPage_ = NamedPage("searchPage", tabs_);
    tabs_->addTab(contentsPage_, QStringLiteral("&Contents"));
    tabs_->addTab(indexPage_, QStringLiteral("&Index"));
    tabs_->addTab(searchPage_, QStringLiteral("&Search"));

    keywordFilter_ = new QLineEdit(indexPage_);
    keywordFilter_->setObjectName(QStringLiteral("keywordFilter"));
    keywordFilter_->setClearButtonEnabled(true);
    auto* lookFor = new QLabel(QStringLiteral("&Look for:"), indexPage_);
    lookFor->setBuddy(keywordFilter_);
    indexPage_->layout()->addWidget(lookFor);
    indexPage_->layout()->addWidget(keywordFilter_);

    browser_ = new HelpBrowser(splitter);
    browser_->setObjectName(QStringLiteral("helpBrowser"));
    splitter->setStretchFactor(0, 0);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({280, 500});
    setCentralWidget(splitter);

    QToolBar* toolBar = addToolBar(QStringLiteral("Navigation"));
    toolBar->setMovable(false);
    QAction* back = toolBar->addAction(style()->standardIcon(QStyle::SP_ArrowBack),
                                       QStringLiteral("Back"), browser_, &QTextBrowser::backward);
    back->setShortcut(QKeySequence::Back);
    back->setEnabled(false);
    QAction* forward =
        toolBar->addAction(style()->standardIcon(QStyle::SP_ArrowForward),
                           QStringLiteral("Forward"), browser_, &QTextBrowser::forward);
    forward->setShortcut(QKeySequence::Forward);
    forward->setEnabled(false);
    toolBar->addAction(style()->standardIcon(QStyle::SP_DirHomeIcon), QStringLiteral("Home"), this,
                       [this] { showPage(help_pages::Home()); });
    connect(browser_, &QTextBrowser::backwardAvailable, back, &QAction::setEnabled);
    connect(browser_, &QTextBrowser::forwardAvailable, forward, &QAction::setEnabled);

    resize(780, 540);
}

bool HelpViewer::openCollection()
{
    QString problem;
    const std::optional<QString> cached = CopyHelpToCache(collectionPath_, problem);
    if (!cached) {
        showProblem(problem);
        return false;
    }
    auto* engine = new QHelpEngine(*cached, this);
    if (!engine->setupData() || engine->fileData(help_pages::Home()).isEmpty()) {
        const QString reason = engine->error();
        delete engine;
        showProblem(QStringLiteral("The help file %1 could not be opened%2")
                        .arg(collectionPath_, reason.isEmpty() ? QStringLiteral(".")
                                                               : QStringLiteral(": ") + reason));
        return false;
    }
    engine_ = engine;
    browser_->setHelpEngine(engine_);
    tabs_->setEnabled(true);

    QHelpContentWidget* contents = engine_->contentWidget();
    contentsPage_->layout()->addWidget(contents);
    OpenOnSingleClick(*contents);
    connect(contents, &QHelpContentWidget::linkActivated, this, &HelpViewer::showPage);
    // The contents are built in the background too; all their topics are shown open.
    connect(engine_->contentModel(), &QHelpContentModel::contentsCreated, contents,
            &QTreeView::expandAll);

    QHelpIndexWidget* index = engine_->indexWidget();
    indexPage_->layout()->addWidget(index);
    OpenOnSingleClick(*index);
    connect(keywordFilter_, &QLineEdit::textChanged, index,
            [index](const QString& text) { index->filterIndices(text); });
    connect(keywordFilter_, &QLineEdit::returnPressed, index,
            &QHelpIndexWidget::activateCurrentItem);
    // The index is built in the background; a keyword typed meanwhile is applied once it is.
    connect(engine_->indexModel(), &QHelpIndexModel::indexCreated, index,
            [this, index] { index->filterIndices(keywordFilter_->text()); });
    connect(index, &QHelpIndexWidget::documentActivated, this,
            [this](const QHelpLink& document) { showPage(document.url); });
    connect(index, &QHelpIndexWidget::documentsActivated, this,
            [this](const QList<QHelpLink>& documents) {
                if (!documents.isEmpty())
                    showPage(documents.first().url);
            });

    QHelpSearchEngine* search = engine_->searchEngine();
    searchPage_->layout()->addWidget(search->queryWidget());
    searchPage_->layout()->addWidget(search->resultWidget());
    connect(search->queryWidget(), &QHelpSearchQueryWidget::search, search,
            [search] { search->search(search->queryWidget()->searchInput()); });
    connect(search->resultWidget(), &QHelpSearchResultWidget::requestShowLink, this,
            &HelpViewer::showPage);
    search->scheduleIndexDocumentation();
    return true;
}

void HelpViewer::showPage(const QUrl& page)
{
    browser_->setSource(page);
}

void HelpViewer::showProblem(const QString& problem)
{
    tabs_->setEnabled(false);
    browser_->setHtml(QStringLiteral("<h2>Help is not available</h2><p>%1</p>"
                                     "<p>Reinstalling the program brings the help back.</p>")
                          .arg(problem.toHtmlEscaped()));
}

void HelpViewer::present()
{
    desktop::ShowInFront(*this);
}
