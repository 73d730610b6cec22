#include <QApplication>
#include <QLocale>

#include <gtest/gtest.h>

// Widget tests need the application object before any widget exists. They run on Qt's
// offscreen platform unless told otherwise, also when CTest lists them, so that they need no
// display. Number texts follow the C locale (a full stop as decimal point) unless a test
// sets another.
int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    testing::InitGoogleTest(&argc, argv);
    QApplication application(argc, argv);
    QLocale::setDefault(QLocale::c());
    return RUN_ALL_TESTS();
}
