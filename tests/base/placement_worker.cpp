// One run of the program's windows under a real window manager, for the
// placement test: logs an employee in and out, and shows and hides the login
// window, "Admin Menü" and the employee choice, printing where the window
// manager put each frame. Usage:
//   placement_worker HOME CYCLES [move]
// HOME holds settings.ini and the program's folders and is kept between
// runs, so that a second run is a restart. With "move", each window is
// moved the first time it shows, as a user dragging it would.

#include <cstdio>
#include <functional>

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "gui/app/AdminMenuFUnit.h"
#include "session/AppContext.h"
#include "gui/app/ApplicationForms.h"
#include "gui/app/EinloggenFUnit.h"
#include "gui/evaluation/MitArbeiterAussuchenFUnit.h"
#include "gui/recording/ErfassenFUnit.h"
#include "support/FixedClock.h"
#include "support/GuiTestHelpers.h"
#include "support/RecordingReporter.h"

namespace {

// Where the window manager put the window, once it has stopped moving: the
// client area, which Qt always knows, and the frame around it, which it
// knows once the window manager has said how wide the frame is.
QRect settledGeometry(QWidget *window)
{
    if (!QTest::qWaitForWindowExposed(window, 3000))
        std::fprintf(stderr, "%s was not exposed\n", qPrintable(window->objectName()));
    QRect last = window->geometry();
    for (int i = 0, stable = 0; i < 60 && stable < 3; ++i) {
        QTest::qWait(10);
        const QRect now = window->geometry();
        stable = now == last ? stable + 1 : 0;
        last = now;
    }
    return last;
}

void report(QWidget *window, const QRect &client)
{
    const QRect frame = window->frameGeometry();
    std::printf("%s %d %d %d %d frame %d %d %d %d\n", qPrintable(window->objectName()), client.x(), client.y(),
                client.width(), client.height(), frame.x(), frame.y(), frame.width(), frame.height());
    std::fflush(stdout);
}

class Run
{
public:
    Run(const QString &home, bool move)
        : m_home(home)
        , m_move(move)
        , m_context(m_reporter, m_clock, QDir(home).filePath(QStringLiteral("program")),
                    QDir(home).filePath(QStringLiteral("appdata")),
                    std::make_unique<WindowSettingsStore>(QDir(home).filePath(QStringLiteral("settings.ini"))))
        , m_forms(m_context)
    {
        m_clock.set(QDateTime(QDate(2025, 2, 3), QTime(8, 0)));
    }

    void start()
    {
        m_forms.EinloggenForm->show();
        observe(m_forms.EinloggenForm, 0);
        m_context.userList().users = {{QStringLiteral("Anna"), QStringLiteral("anna"), QStringLiteral("pw")}};
    }

    void cycle()
    {
        // An employee logs in; the booking window opens modally.
        TEinloggenForm *login = m_forms.EinloggenForm;
        whenModal<TErfassenForm>([this](TErfassenForm *entry) {
            observe(entry, 1);
            QTest::mouseClick(entry->AusloggenBtn, Qt::LeftButton);
        });
        QTest::keyClicks(login->Edit1, QStringLiteral("anna"));
        QTest::keyClicks(login->Edit2, QStringLiteral("pw"));
        QTest::mouseClick(login->BitBtnXP1, Qt::LeftButton);
        // Back at the login window.
        observe(login, 0);
        login->hide();
        for (QDialog *dialog : {static_cast<QDialog *>(m_forms.AdminForm),
                                static_cast<QDialog *>(m_forms.MitarbeiterAussuchenForm)}) {
            whenModal<QDialog>([this, dialog](QDialog *shown) {
                if (shown == dialog)
                    observe(shown, dialog == m_forms.AdminForm ? 2 : 3);
                shown->reject();
            });
            dialog->exec();
        }
        login->show();
        observe(login, 0);
    }

private:
    void observe(QWidget *window, int index)
    {
        const QRect client = settledGeometry(window);
        if (m_move && !m_moved[index]) {
            // Each window to a place of its own, away from where it opened.
            m_moved[index] = true;
            window->move(QPoint(40 + 70 * index, 30 + 50 * index));
            report(window, settledGeometry(window));
            return;
        }
        report(window, client);
    }

    QString m_home;
    bool m_move = false;
    bool m_moved[4] = {};
    RecordingReporter m_reporter;
    FixedClock m_clock;
    AppContext m_context;
    ApplicationForms m_forms;
};

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    if (argc < 3) {
        std::fprintf(stderr, "usage: placement_worker HOME CYCLES [move]\n");
        return 2;
    }
    const QString home = QString::fromLocal8Bit(argv[1]);
    QDir(home).mkpath(QStringLiteral("program"));
    const int cycles = QString::fromLatin1(argv[2]).toInt();
    const bool move = argc > 3 && qstrcmp(argv[3], "move") == 0;
    {
        Run run(home, move);
        run.start();
        for (int i = 0; i < cycles; ++i)
            run.cycle();
    }
    return 0;
}
