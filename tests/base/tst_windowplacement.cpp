#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QRect>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

// Where a window opens is only seen under a real window manager, which puts
// a frame around it: the offscreen platform has none. This test starts its
// own virtual X server on a free display with openbox on it, and runs the
// program's windows there in a worker process, restarting it in between.
class TestWindowPlacement : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void windowsStayWhereTheyWere_data();
    void windowsStayWhereTheyWere();

private:
    bool startServer();
    // name -> every frame the worker reported for it, in order.
    QMap<QString, QList<QRect>> runWorker(const QString &home, int cycles, bool move);

    QProcess m_server;
    QProcess m_windowManager;
    QString m_display;
    QTemporaryDir m_scratch;
};

void TestWindowPlacement::initTestCase()
{
    const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
    const QString openbox = QStandardPaths::findExecutable(QStringLiteral("openbox"));
    if (xvfb.isEmpty() || openbox.isEmpty())
        QSKIP("needs Xvfb and openbox (Debian packages xvfb and openbox; scripts/install-deps.sh installs them)");
    QVERIFY(m_scratch.isValid());
    QVERIFY2(startServer(), "the virtual X server or the window manager did not start");
}

void TestWindowPlacement::cleanupTestCase()
{
    for (QProcess *process : {&m_windowManager, &m_server}) {
        if (process->state() == QProcess::NotRunning)
            continue;
        process->terminate();
        if (!process->waitForFinished(3000)) {
            process->kill();
            process->waitForFinished(3000);
        }
    }
}

bool TestWindowPlacement::startServer()
{
    // -displayfd lets the server pick a display nobody uses and tell us
    // which once it accepts connections.
    m_server.setProcessChannelMode(QProcess::SeparateChannels);
    m_server.start(QStringLiteral("Xvfb"), {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                                            QStringLiteral("0"), QStringLiteral("1280x1024x24"), QStringLiteral("-nolisten"),
                                            QStringLiteral("tcp")});
    QElapsedTimer waited;
    waited.start();
    QByteArray number;
    while (!number.endsWith('\n') && waited.elapsed() < 10000 && m_server.state() != QProcess::NotRunning) {
        m_server.waitForReadyRead(100);
        number += m_server.readAllStandardOutput();
    }
    if (!number.endsWith('\n'))
        return false;
    m_display = QStringLiteral(":") + QString::fromLatin1(number.trimmed());

    // openbox runs its start-up command once it manages the screen.
    const QString ready = m_scratch.filePath(QStringLiteral("wm-ready"));
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), m_display);
    env.insert(QStringLiteral("HOME"), m_scratch.path());
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_scratch.filePath(QStringLiteral("config")));
    m_windowManager.setProcessEnvironment(env);
    m_windowManager.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_windowManager.start(QStringLiteral("openbox"),
                          {QStringLiteral("--startup"), QStringLiteral("touch ") + ready});
    while (!QFile::exists(ready) && waited.elapsed() < 10000 && m_windowManager.state() != QProcess::NotRunning)
        QTest::qWait(20);
    return QFile::exists(ready);
}

QMap<QString, QList<QRect>> TestWindowPlacement::runWorker(const QString &home, int cycles, bool move)
{
    QMap<QString, QList<QRect>> frames;
    QProcess worker;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), m_display);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    env.insert(QStringLiteral("HOME"), home);
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), QDir(home).filePath(QStringLiteral("config")));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    // The X client libraries keep their caches to the end of the process;
    // the leak check of the sanitizer build is left to the offscreen tests,
    // which run the same windows.
    const QString asan = env.value(QStringLiteral("ASAN_OPTIONS"));
    env.insert(QStringLiteral("ASAN_OPTIONS"), asan + QLatin1String(asan.isEmpty() ? "" : ":") + QStringLiteral("detect_leaks=0"));
    worker.setProcessEnvironment(env);
    worker.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QStringList arguments{home, QString::number(cycles)};
    if (move)
        arguments << QStringLiteral("move");
    worker.start(QStringLiteral(PLACEMENT_WORKER_PATH), arguments);
    if (!worker.waitForFinished(60000) || worker.exitCode() != 0) {
        worker.kill();
        worker.waitForFinished();
        return frames;
    }
    const QList<QByteArray> lines = worker.readAllStandardOutput().split('\n');
    for (const QByteArray &line : lines) {
        // "<window> x y width height frame x y width height": the client area
        // is compared; the frame is for reading a failure.
        const QList<QByteArray> parts = line.split(' ');
        if (parts.size() < 5)
            continue;
        frames[QString::fromLatin1(parts.at(0))].append(
            QRect(parts.at(1).toInt(), parts.at(2).toInt(), parts.at(3).toInt(), parts.at(4).toInt()));
    }
    return frames;
}

void TestWindowPlacement::windowsStayWhereTheyWere_data()
{
    QTest::addColumn<bool>("move");
    QTest::addColumn<int>("runs");
    QTest::addColumn<int>("cycles");
    // Where a user dragged them: twenty logins and re-showings, with three
    // restarts in between. Where the program put them at first: a shorter
    // round, as the road is the same.
    QTest::newRow("moved by the user") << true << 4 << 5;
    QTest::newRow("as opened") << false << 2 << 2;
}

void TestWindowPlacement::windowsStayWhereTheyWere()
{
    QFETCH(bool, move);
    QFETCH(int, runs);
    QFETCH(int, cycles);
    const QString home = m_scratch.filePath(QString::fromLatin1(move ? "moved" : "opened"));
    QVERIFY(QDir().mkpath(home));
    QMap<QString, QList<QRect>> all;
    for (int run = 0; run < runs; ++run) {
        const auto frames = runWorker(home, cycles, move && run == 0);
        QVERIFY2(!frames.isEmpty(), "the worker did not run");
        for (auto it = frames.cbegin(); it != frames.cend(); ++it)
            all[it.key()] += it.value();
    }
    const QStringList windows{QStringLiteral("TEinloggenForm"), QStringLiteral("TErfassenForm"), QStringLiteral("TAdminForm"),
                              QStringLiteral("TMitarbeiterAussuchenForm")};
    for (const QString &window : windows) {
        const QList<QRect> frames = all.value(window);
        QVERIFY2(frames.size() >= runs * cycles, qPrintable(window + QStringLiteral(" was not seen often enough")));
        // The first showing, or where the user put it then.
        const QRect where = frames.at(0);
        for (qsizetype i = 1; i < frames.size(); ++i) {
            const QRect &now = frames.at(i);
            QVERIFY2(now == where, qPrintable(QStringLiteral("%1, showing %2: at %3,%4 %5x%6 instead of %7,%8 %9x%10")
                                                   .arg(window)
                                                   .arg(i + 1)
                                                   .arg(now.x())
                                                   .arg(now.y())
                                                   .arg(now.width())
                                                   .arg(now.height())
                                                   .arg(where.x())
                                                   .arg(where.y())
                                                   .arg(where.width())
                                                   .arg(where.height())));
        }
    }
}

QTEST_GUILESS_MAIN(TestWindowPlacement)
#include "tst_windowplacement.moc"
