#include "help/HelpBrowser.h"

#include <QHelpEngineCore>

HelpBrowser::HelpBrowser(QWidget* parent) : QTextBrowser(parent)
{
    setOpenExternalLinks(true);
}

QVariant HelpBrowser::loadResource(int type, const QUrl& name)
{
    if (name.scheme() == QLatin1String("qthelp"))
        return engine_ ? QVariant(engine_->fileData(name)) : QVariant();
    return QTextBrowser::loadResource(type, name);
}
