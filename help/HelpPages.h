#pragma once

#include "identity/ProgramIdentity.h"

#include <QString>
#include <QUrl>

// Where the help's pages live inside the collection: the namespace and virtual folder that
// the help project gives them.
namespace help_pages {

inline QUrl Page(const QString& fileName)
{
    return QUrl(QStringLiteral("qthelp://") + QString::fromUtf8(identity::kHelpNamespace) + u'/' +
                QString::fromUtf8(identity::kHelpFolder) + u'/' + fileName);
}

// The first page, shown with the contents.
inline QUrl Home()
{
    return Page(QStringLiteral("index.html"));
}

// The page on using the help viewer.
inline QUrl UsingHelp()
{
    return Page(QStringLiteral("using-help.html"));
}

} // namespace help_pages
