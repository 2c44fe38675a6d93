#include "app/LocaleSeparatorWatcher.h"
#include "calc/LocaleSeparators.h"

#include <QTest>
#include <QWidget>

#include <windows.h>

using namespace vexto;

namespace {

// Sets the user's decimal separator as the regional settings do, and puts it back afterwards.
class UserDecimalSeparator {
public:
    explicit UserDecimalSeparator(const char* separator) {
        ::GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, m_saved, sizeof m_saved);
        m_set = ::SetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, separator) != 0;
    }
    ~UserDecimalSeparator() { ::SetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, m_saved); }
    UserDecimalSeparator(const UserDecimalSeparator&) = delete;
    UserDecimalSeparator& operator=(const UserDecimalSeparator&) = delete;

    bool IsSet() const { return m_set; }

private:
    char m_saved[8] = {};
    bool m_set = false;
};

} // namespace

// On the real Windows platform: the system's notice reaches the program through its windows.
class TestSystemLocale : public QObject {
    Q_OBJECT

private slots:
    void separatorsFollowTheUsersSettingsWhenTheSystemAnnouncesAChange() {
        QWidget window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const UserDecimalSeparator comma(",");
        QVERIFY(comma.IsSet());
        const LocaleSeparatorWatcher watcher;
        QCOMPARE(CurrentSeparators().decimal, ',');

        const UserDecimalSeparator semicolon(";");
        QVERIFY(semicolon.IsSet());
        QCOMPARE(CurrentSeparators().decimal, ',');
        // As the system announces it to every top-level window, synchronously.
        ::SendMessageA(reinterpret_cast<HWND>(window.winId()), WM_SETTINGCHANGE, 0,
                       reinterpret_cast<LPARAM>("intl"));
        QCOMPARE(CurrentSeparators().decimal, ';');
    }
};

QTEST_MAIN(TestSystemLocale)
#include "tst_systemlocale_win.moc"
