// The yardsticks for Vexto's start-up: an empty Qt Widgets window of the same client size; with
// --label, the same window showing one line of text, which costs the toolkit its font set-up
// just as Vexto's text does; with --form, a window with three labels and a line edit in the faces
// Vexto uses (one label bold, as Vexto's cells are), which pays the toolkit's whole font set-up.
#include <QApplication>
#include <QFont>
#include <QLabel>
#include <QLineEdit>
#include <QWidget>

namespace {

void addForm(QWidget& window) {
    QFont font;
    font.setFamilies({QStringLiteral("Liberation Sans"), QStringLiteral("Arimo"),
                      QStringLiteral("Arial"), QStringLiteral("Helvetica"),
                      QStringLiteral("DejaVu Sans")});
    font.setPixelSize(11);
    window.setFont(font);
    (new QLabel(QStringLiteral("Position X"), &window))->move(8, 16);
    (new QLabel(QStringLiteral("Position Y"), &window))->move(8, 40);
    auto* bold = new QLabel(QStringLiteral("X = 0.00"), &window);
    QFont boldFont = font;
    boldFont.setBold(true);
    bold->setFont(boldFont);
    bold->move(8, 64);
    auto* edit = new QLineEdit(&window);
    edit->setGeometry(64, 12, 57, 21);
    edit->setFocus();
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    const QStringList arguments = QApplication::arguments();
    QWidget window;
    window.setFixedSize(578, 457);
    if (arguments.contains(QStringLiteral("--form"))) {
        window.setWindowTitle(QStringLiteral("Bare form"));
        addForm(window);
    } else if (arguments.contains(QStringLiteral("--label"))) {
        window.setWindowTitle(QStringLiteral("Bare with label"));
        (new QLabel(QStringLiteral("Position X"), &window))->move(8, 8);
    } else {
        window.setWindowTitle(QStringLiteral("Bare"));
    }
    window.show();
    return QApplication::exec();
}
