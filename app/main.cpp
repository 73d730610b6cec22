#include "alsa/AlsaSoundService.h"
#include "settings/SettingsStore.h"
#include "ui/TForm1.h"

#include <QApplication>
#include <QVariant>

// The help file that the help commands open.
constexpr char kHelpFile[] = "Parvello.hlp";

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    // The program's identity; its title, "Parvello Jr." (ui/ApplicationTitle.h), captions the
    // error display and is not made the display name, which Qt would append to every
    // window's caption.
    QApplication::setOrganizationName(settings::kOrganisationName.toString());
    QApplication::setApplicationName(settings::kApplicationName.toString());
    QGuiApplication::setDesktopFileName(QStringLiteral("parvello"));
    application.setProperty("helpFile", QString::fromLatin1(kHelpFile));

    tone::AlsaSoundService sound;
    ui::TForm1 Form1(sound);
    QObject::connect(&Form1, &ui::TForm1::closed, &application, &QApplication::quit);
    Form1.show();
    return application.exec();
}
