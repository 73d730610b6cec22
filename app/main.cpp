#include "alsa/AlsaSoundService.h"
#include "ui/TForm1.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    tone::AlsaSoundService sound;
    ui::TForm1 form(sound);
    QObject::connect(&form, &ui::TForm1::closed, &application, &QApplication::quit);
    form.show();
    return application.exec();
}
