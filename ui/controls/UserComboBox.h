#pragma once

#include <QComboBox>

namespace ui {

// An editable drop-down list that reports only the user's changes: picking an entry (after
// the box shows its text) or editing the text. Setting the index from the program reports
// nothing, and Enter never adds the typed text as a new entry.
class UserComboBox : public QComboBox
{
    Q_OBJECT

public:
    static constexpr int kVisibleRows = 8;

    explicit UserComboBox(QWidget* parent = nullptr);

signals:
    void userChanged();
};

} // namespace ui
