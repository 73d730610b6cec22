#include "alsa/AlsaSoundService.h"
#include "app/AboutBox.h"
#include "app/ProgramIcon.h"
#include "help/HelpViewer.h"
#include "ui/TForm1.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    // The help viewer keeps its working copy under these names in the user's cache folder.
    QCoreApplication::setOrganizationName(QStringLiteral("Veltrane"));
    QCoreApplication::setApplicationName(QStringLiteral("ParvelloJr"));
    QGuiApplication::setDesktopFileName(QStringLiteral("parvello"));
    application.setWindowIcon(ProgramIcon());

    tone::AlsaSoundService sound;
    ui::TForm1 form(sound);
    TAboutBox aboutBox;
    form.setAboutBox(&aboutBox);
    // Built on first use, so that start-up does not pay for the help engine.
    HelpViewer help;
    form.setHelpHandler([&help](ui::HelpCommand command) {
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
    QObject::connect(&form, &ui::TForm1::closed, &application, &QApplication::quit);
    form.show();
    return application.exec();
}
