#pragma once

#include <QString>

// Where the program looks for its help collection (identity::kHelpFileName), given the folder
// that holds the program: beside the program (a build tree), then in ../share/parvello, the
// program's data folder (an installed layout). Returns the first that exists, or the path beside
// the program when neither does, so that the help viewer can name it in its message.
QString HelpFilePathIn(const QString& programFolder);

// HelpFilePathIn for the running program's own folder.
QString HelpFilePath();
