// The floor for the program's start-up time and memory in bench/desktop-figures.sh: the
// least that a Qt Widgets program with a window of the program's size and a menu bar
// costs on the same machine, in the same run.
#include <QApplication>
#include <QLabel>
#include <QMainWindow>
#include <QMenuBar>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Minimal"));
    window.menuBar()
        ->addMenu(QStringLiteral("&File"))
        ->addAction(QStringLiteral("E&xit"), &window, &QWidget::close);
    window.setCentralWidget(new QLabel(QStringLiteral("A minimal Qt Widgets window")));
    window.setGeometry(20, 20, 300, 349);
    window.show();
    return app.exec();
}
