#include "NamedCase.h"
#include "SettingsWindowSupport.h"

#include "app/TerminationRequests.h"

#include <QSignalSpy>
#include <QTest>

#include <csignal>

namespace {

struct SignalCase
{
    std::string name;
    int signal;
    // Ignored when the program started, as nohup leaves SIGHUP.
    bool ignoredBefore = false;
};

class EndSignal : public SettingsWindowTest, public testing::WithParamInterface<SignalCase>
{
protected:
    void TearDown() override
    {
        std::signal(GetParam().signal, SIG_DFL);
        SettingsWindowTest::TearDown();
    }
};

// The signal closes the window as its close box does, once, however many signals follow: the
// note is saved, the tone stopped and the captured volume handed back.
TEST_P(EndSignal, ClosesTheWindowOnceAsItsCloseBoxDoes)
{
    const SignalCase& c = GetParam();
    if (c.ignoredBefore)
        std::signal(c.signal, SIG_IGN);
    startWithSystemVolume(0x1234);
    enterSound();
    step(0);
    forget();
    form->show();
    QSignalSpy closed(form.get(), &ui::TForm1::closed);

    const TerminationRequests requests(*form);
    ASSERT_EQ(std::raise(c.signal), 0);
    ASSERT_EQ(std::raise(c.signal), 0);
    if (c.ignoredBefore) {
        QTest::qWait(100);
        EXPECT_TRUE(form->isVisible());
        EXPECT_EQ(closed.count(), 0);
        return;
    }
    ASSERT_TRUE(QTest::qWaitFor([&] { return !form->isVisible(); }));
    QTest::qWait(100);
    EXPECT_EQ(closed.count(), 1);
    EXPECT_EQ(sound.calls, (std::vector{SoundCall::stop(), SoundCall::setVolume(0x1234)}));
    EXPECT_EQ(storedSetting(settings::kNoteTextName), "A#");
}

INSTANTIATE_TEST_SUITE_P(Window, EndSignal,
                         testing::Values(SignalCase{"sigterm_at_logout", SIGTERM},
                                         SignalCase{"sigint_from_the_terminal", SIGINT},
                                         SignalCase{"sighup_from_a_closed_terminal", SIGHUP},
                                         SignalCase{"sighup_under_nohup", SIGHUP, true}),
                         CaseName<SignalCase>);

} // namespace
