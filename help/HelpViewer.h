#pragma once

#include "help/HelpFilePath.h"

#include <QMainWindow>

class HelpBrowser;
class QHelpEngine;
class QLineEdit;
class QTabWidget;
class QUrl;

// The program's help window: contents, keyword index and full-text search of the help
// collection beside a page pane, in a window of the program's own.
//
// Nothing is built or read until the first of the three entry points runs, so creating the
// viewer costs the program's start nothing. On first use the collection is copied into the
// user's cache folder (see CopyHelpToCache) and opened there. A missing or broken collection
// shows a message in the viewer instead of pages; each later call tries again.
//
// The viewer never keeps the program running: closing the main window ends the program even
// while help is shown. Owned by the main window (or destroyed with it), it closes with it.
class HelpViewer : public QMainWindow
{
    Q_OBJECT

public:
    explicit HelpViewer(QString collectionPath = HelpFilePath(), QWidget* parent = nullptr);
    ~HelpViewer() override;

public slots:
    // The contents, with the first page.
    void showContents();
    // The keyword index with an empty keyword, the cursor in its search field.
    void showKeywordSearch();
    // The page on using the help viewer.
    void showHelpOnHelp();

private:
    // Builds the window on first use and opens the collection if it is not open yet.
    // Returns whether the help's pages can be shown.
    bool ensureOpen();
    void buildWindow();
    bool openCollection();
    void showPage(const QUrl& page);
    void showProblem(const QString& problem);
    void present();

    const QString collectionPath_;
    QHelpEngine* engine_ = nullptr;
    QTabWidget* tabs_ = nullptr;
    QWidget* contentsPage_ = nullptr;
    QWidget* indexPage_ = nullptr;
    QWidget* searchPage_ = nullptr;
    QLineEdit* keywordFilter_ = nullptr;
    HelpBrowser* browser_ = nullptr;
};
