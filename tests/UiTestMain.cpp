#include <gtest/gtest.h>

#include <QApplication>
#include <QLocale>

// Widgets need a QApplication before the first test creates one. CTest runs the tests on the
// offscreen platform; the listing that discovers them runs without that setting, so it
// defaults here too.
int main(int argc, char** argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    // The pitch field's key filter follows the locale's decimal point; pin it to ".".
    QLocale::setDefault(QLocale::c());
    return RUN_ALL_TESTS();
}
