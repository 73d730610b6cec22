#include "ErrorBoxRecorder.h"
#include "NamedCase.h"
#include "SettingsStoreSupport.h"

#include "settings/SettingsError.h"

#include <QApplication>
#include <QPushButton>
#include <QTimer>

#include <stdexcept>

namespace {

struct DisplayTextCase
{
    std::string name;
    QString message;
    QString shown;
};

class ErrorDisplayText : public testing::TestWithParam<DisplayTextCase>
{
};

TEST_P(ErrorDisplayText, EndsWithAFullStopWhenTheLastCharacterSortsAfterIt)
{
    EXPECT_EQ(ui::ErrorDisplayText(GetParam().message), GetParam().shown);
}

INSTANTIATE_TEST_SUITE_P(Messages, ErrorDisplayText,
                         testing::Values(DisplayTextCase{"japanese", "'Top' のデータ型が不正です",
                                                         "'Top' のデータ型が不正です."},
                                         DisplayTextCase{"slash_sorts_after", "a/", "a/."},
                                         DisplayTextCase{"already_a_full_stop", "Done.", "Done."},
                                         DisplayTextCase{"hyphen_sorts_before", "a-", "a-"},
                                         DisplayTextCase{"closing_quote_sorts_before", "'abc'",
                                                         "'abc'"},
                                         DisplayTextCase{"beyond_the_basic_plane",
                                                         "note \U0001D11E", "note \U0001D11E."},
                                         DisplayTextCase{"empty", "", ""}),
                         CaseName<DisplayTextCase>);

TEST(ErrorDisplay, ShowsTheMessageInAnErrorBoxTitledWithTheApplicationTitle)
{
    const ErrorBoxRecorder recorder;
    const bool ranToItsEnd =
        ui::RunShowingErrors([] { throw settings::SettingsError("'Top' の取得に失敗しました"); });

    EXPECT_FALSE(ranToItsEnd);
    ASSERT_EQ(recorder.boxes.size(), 1u);
    EXPECT_EQ(recorder.boxes[0].title, "Parvello Jr.");
    EXPECT_EQ(recorder.boxes[0].text, "'Top' の取得に失敗しました.");
    EXPECT_EQ(recorder.boxes[0].icon, QMessageBox::Critical);
    EXPECT_EQ(recorder.boxes[0].buttons, QMessageBox::Ok);
}

// The real box is modal; OK dismisses it and the program goes on.
TEST(ErrorDisplay, ModalBoxReturnsWhenOkIsClicked)
{
    QString shownText;
    bool clicked = false;
    // Polls until the box is up, then clicks its OK button.
    QTimer clicker;
    QObject::connect(&clicker, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || clicked)
            return;
        shownText = box->text();
        clicked = true;
        box->button(QMessageBox::Ok)->click();
    });
    clicker.start(10);

    ui::ShowError("Disk full");

    EXPECT_TRUE(clicked);
    EXPECT_EQ(shownText, "Disk full.");
}

} // namespace
