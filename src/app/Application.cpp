#include "Application.h"

#include "StartupFailure.h"
#include "app/desktop/Desktop.h"

#include <QApplication>
#include <QMessageBox>
#include <QWidget>

#include <cstdio>
#include <cstdlib>
#include <utility>

namespace vexto {

namespace {
TApplication* theApplication = nullptr;
}

TApplication::TApplication() {
    Q_ASSERT(!theApplication);
    theApplication = this;
    // The main form's close ends the program explicitly (Terminate), also while a message box,
    // the last visible window of the moment, closes.
    QApplication::setQuitOnLastWindowClosed(false);
}

TApplication::~TApplication() {
    m_mainForm.reset();
    theApplication = nullptr;
}

TApplication* TApplication::Instance() {
    return theApplication;
}

void TApplication::SetTitle(const QString& title) {
    // Not the toolkit's application display name, which it would append to every caption.
    m_title = title;
}

void TApplication::AdoptMainForm(std::unique_ptr<QWidget> form) {
    if (!m_mainForm)
        m_mainForm = std::move(form);
}

int TApplication::Run() {
    if (m_terminated)
        return 0;
    if (m_showMainForm && m_mainForm)
        showMainFormAsStarted();
    return QApplication::exec();
}

void TApplication::showMainFormAsStarted() {
    switch (m_startupShow) {
    case StartupShow::Maximized:
        m_mainForm->showMaximized();
        break;
    case StartupShow::MinimizedWithoutActivation:
        // The system shows a hidden window minimised without activating it: the user who
        // started it so is busy elsewhere.
        m_mainForm->showMinimized();
        break;
    case StartupShow::Normal:
        m_mainForm->show();
        break;
    }
}

void TApplication::HandleMainFormClose(QWidget* form) {
    if (form == m_mainForm.get())
        Terminate();
}

void TApplication::Terminate() {
    m_terminated = true;
    QCoreApplication::exit(0);
}

void TApplication::Restore() {
    if (m_mainForm && m_mainForm->isMinimized())
        m_mainForm->showNormal();
}

void TApplication::BringToFront(const StartupIdentity& launch) {
    QWidget* lastActive = QApplication::activeModalWidget();
    if (!lastActive)
        lastActive = m_mainForm.get();
    if (lastActive && lastActive->isVisible() && lastActive->isEnabled())
        Desktop::Activate(*lastActive, launch);
}

void TApplication::Halt(int exitCode) {
    // A form still under construction (the guard halts from inside it) is not ours to delete;
    // the process ends around it.
    m_mainForm.reset();
    std::fflush(nullptr);
    std::exit(exitCode);
}

QString TApplication::MessageText(const std::exception& error) {
    QString text = QString::fromLocal8Bit(error.what());
    if (!text.isEmpty() && text.back() > u'.')
        text += u'.';
    return text;
}

void TApplication::ShowException(const std::exception& error) const {
    // Without a parent the box could go behind the window it blocks; an error raised as the
    // user leaves for another program finds no active window of ours.
    QWidget* parent = QApplication::activeWindow();
    if (!parent)
        parent = m_mainForm.get();
    QMessageBox box(QMessageBox::Critical, m_title, MessageText(error), QMessageBox::Ok, parent);
    Desktop::ExecModal(box);
}

void TApplication::ShowStartupFailure(const std::exception& error) {
    const QString text = StartupFailureText(error);
    std::fprintf(stderr, "%s", text.toLocal8Bit().constData());
    if (!qobject_cast<QApplication*>(QCoreApplication::instance()))
        return;
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Application Error"), text,
                    QMessageBox::Ok);
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
}

} // namespace vexto
