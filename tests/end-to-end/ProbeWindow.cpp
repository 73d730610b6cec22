// A small stand-in window for checking the end-to-end harness itself: a menu bar with an
// Exit command, a line edit, two radio buttons and a label that names the checked one. The
// edit and the label have no accessible name of their own, so a screen reader knows them by
// their place and reads what they show. The harness reads them through the accessibility
// bus and clicks and types into them with X input events, which proves that the X server,
// the session and accessibility buses and the input path all work before the real program
// is driven the same way.
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenuBar>
#include <QRadioButton>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Probe"));

    QMenu* file = window.menuBar()->addMenu(QStringLiteral("&File"));
    QAction* exit = file->addAction(QStringLiteral("E&xit"), &window, &QWidget::close);
    exit->setObjectName(QStringLiteral("Exit"));

    auto* client = new QWidget(&window);
    window.setCentralWidget(client);
    auto* edit = new QLineEdit(QStringLiteral("A"), client);
    edit->setObjectName(QStringLiteral("note"));
    edit->setGeometry(10, 10, 60, 30);
    auto* on = new QRadioButton(QStringLiteral("On"), client);
    on->setObjectName(QStringLiteral("on"));
    on->setGeometry(10, 50, 80, 20);
    auto* off = new QRadioButton(QStringLiteral("Off"), client);
    off->setObjectName(QStringLiteral("off"));
    off->setGeometry(10, 80, 80, 20);
    off->setChecked(true);
    auto* state = new QLabel(QStringLiteral("off"), client);
    state->setObjectName(QStringLiteral("state"));
    state->setGeometry(100, 50, 80, 20);
    QObject::connect(on, &QRadioButton::toggled, state, [state](bool checked) {
        state->setText(checked ? QStringLiteral("on") : QStringLiteral("off"));
    });

    window.resize(200, 150);
    window.move(20, 20);
    window.show();
    return app.exec();
}
