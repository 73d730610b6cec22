#include <QApplication>

#include <gtest/gtest.h>

// Widget tests need the application object before any widget exists. They run on Qt's
// offscreen platform unless told otherwise, also when CTest lists them, so that they need no
// display.
int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
