#pragma once

#include <QString>
#include <QUrl>

// Where the help's pages live inside the collection: the namespace and virtual folder of
// content/parvello.qhp.
namespace help_pages {

inline QUrl Page(const QString& fileName)
{
    return QUrl(QStringLiteral("qthelp://com.veltrane.parvellojr/doc/") + fileName);
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
