#pragma once

#include <QString>

#include <optional>

// The help is read from a copy in the user's cache folder, not from where it is installed:
// the help engine writes its full-text search index beside the collection it opens, and
// the installed collection is read-only.
//
// CopyHelpToCache copies the collection and the compiled documentation (*.qch) in its folder
// into the "help" folder of QStandardPaths::CacheLocation, keeping their names, so that the
// collection's relative reference to its documentation holds in the copy. A copy that
// matches the installed files in size and modification time is used as it is; otherwise the
// folder, search index included, is made afresh. Nothing else is written.
//
// Returns the path of the copied collection, or nothing with `problem` saying, in a sentence
// for the user, why the help cannot be used.
std::optional<QString> CopyHelpToCache(const QString& collectionPath, QString& problem);
