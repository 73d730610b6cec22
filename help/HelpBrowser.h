#pragma once

#include <QTextBrowser>

class QHelpEngineCore;

// The page pane of the help viewer: a text browser that reads qthelp:// pages, style sheets
// and images out of the help collection, and hands other web addresses to the desktop.
class HelpBrowser : public QTextBrowser
{
public:
    explicit HelpBrowser(QWidget* parent = nullptr);

    // The engine to read pages from, or none; it must outlive the browser or be unset first.
    void setHelpEngine(QHelpEngineCore* engine) { engine_ = engine; }

    QVariant loadResource(int type, const QUrl& name) override;

private:
    QHelpEngineCore* engine_ = nullptr;
};
