#pragma once

#include <QString>

// The help collection's file name, as the help menu knows it.
inline constexpr char HelpFileName[] = "Parvello.hlp";

// Where the program looks for its help collection, given the folder that holds the
// program: beside the program (a build tree), then in ../share/parvello (an installed
// layout). Returns the first that exists, or the path beside the program when neither does,
// so that the help viewer can name it in its message.
QString HelpFilePathIn(const QString& programFolder);

// HelpFilePathIn for the running program's own folder.
QString HelpFilePath();
