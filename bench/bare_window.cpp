// The yardstick for Vexto's start-up: an empty Qt Widgets window of the same client size.
#include <QApplication>
#include <QWidget>

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("Bare"));
    window.setFixedSize(578, 457);
    window.show();
    return QApplication::exec();
}
