// The yardsticks for Vexto's start-up: an empty Qt Widgets window of the same client size and,
// with --label, the same window showing one line of text, which costs the toolkit its font
// set-up just as Vexto's text does.
#include <QApplication>
#include <QLabel>
#include <QWidget>

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    const bool withLabel = QApplication::arguments().contains(QStringLiteral("--label"));
    QWidget window;
    window.setWindowTitle(withLabel ? QStringLiteral("Bare with label") : QStringLiteral("Bare"));
    window.setFixedSize(578, 457);
    if (withLabel)
        (new QLabel(QStringLiteral("Position X"), &window))->move(8, 8);
    window.show();
    return QApplication::exec();
}
