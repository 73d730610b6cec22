#include "app/AboutBox.h"
#include "app/DisplayPlatform.h"
#include "app/ProgramIcon.h"
#include "app/SoundOutput.h"
#include "app/TerminationRequests.h"
#include "help/HelpViewer.h"
#include "identity/ProgramIdentity.h"
#include "ui/TForm1.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    PreferXDisplay();
    QApplication application(argc, argv);
    ForgetDisplayPreference();
    // The program's identity, under which the help viewer keeps its working copy in the
    // user's cache folder. Its title, "Parvello Jr." (identity::kApplicationTitle), captions
    // the error display and is not made the display name, which Qt would append to every
    // window's caption.
    QApplication::setOrganizationName(QString::fromUtf8(identity::kOrganisationName));
    QApplication::setApplicationName(QString::fromUtf8(identity::kApplicationName));
    QGuiApplication::setDesktopFileName(QString::fromUtf8(identity::kDesktopId));
    application.setWindowIcon(ProgramIcon());

    const std::unique_ptr<tone::SoundService> sound = OpenSoundOutput();
    // Loads the stored placement and last tone as it is created.
    ui::TForm1 Form1(*sound);
    TAboutBox AboutBox;
    Form1.setAboutBox(&AboutBox);
    // The help collection "Parvello.hlp" (identity::kHelpFileName); the viewer is built on first
    // use, so that start-up does not pay for the help engine.
    HelpViewer help;
    Form1.setHelpHandler([&help](ui::HelpCommand command) {
        switch (command) {
        case ui::HelpCommand::Contents:
            help.showContents();
            break;
        case ui::HelpCommand::KeywordSearch:
            help.showKeywordSearch();
            break;
        case ui::HelpCommand::HelpOnHelp:
            help.showHelpOnHelp();
            break;
        }
    });

    // Closing the main window ends the program, whatever other window is open.
    QObject::connect(&Form1, &ui::TForm1::closed, &application, &QApplication::quit);
    // The session's SIGTERM at logout, Ctrl+C and a closed terminal close the window too.
    const TerminationRequests terminationRequests(Form1);
    Form1.show();
    return application.exec();
}
