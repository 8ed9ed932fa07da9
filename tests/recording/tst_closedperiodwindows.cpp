#include <QAbstractItemModelTester>
#include <QAction>
#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProcess>
#include <QPushButton>
#include <QToolButton>
#include <QtTest>

#include "gui/app/AbschlussFUnit.h"
#include "session/AppContext.h"
#include "gui/app/ApplicationForms.h"
#include "gui/app/EinloggenFUnit.h"
#include "gui/app/MainUnit.h"
#include "gui/recording/AuflistenFUnit.h"
#include "store/ClosedPeriod.h"
#include "gui/recording/ErfassenFUnit.h"
#include "storage/ClosingDateFile.h"
#include "storage/UserListStore.h"
#include "storage/WorkTimeTables.h"
#include "support/GuiTestHelpers.h"
#include "support/ProgramFixture.h"
#include "support/TestFiles.h"
#include "gui/widgets/DataGrid.h"
#include "gui/widgets/RecordNavigator.h"
#include "gui/widgets/WorkTimeTableModel.h"

namespace {

const QString ClosedJanuary = QStringLiteral("Die Buchungen bis einschließlich 31.01.2025 sind abgeschlossen.");
const QString WrongPassword = QStringLiteral("Das Passwort war leider falsch.");

struct GridParts
{
    DataGrid *grid;
    WorkTimeTableModel *model;
    RecordNavigator *navigator;
};

// Closes a dialog at the end of a test step, even one that failed halfway.
struct CloseWhenDone
{
    QDialog *dialog;
    DataGrid *grid;
    ~CloseWhenDone()
    {
        if (grid->isEditing())
            QTest::keyClick(grid->openEditor(), Qt::Key_Escape);
        QMetaObject::invokeMethod(dialog, "reject", Qt::QueuedConnection);
    }
};

} // namespace

// The closed period in the windows: "Okay, erfassen", the two grids, and
// "Buchungen abschließen bis..." in the main window's administrator menu.
class TestClosedPeriodWindows : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void booking_data();
    void booking();
    void gridCellEdits_data();
    void gridCellEdits();
    void gridDeletion_data();
    void gridDeletion();
    void newRowInTheClosedPeriod_data();
    void newRowInTheClosedPeriod();
    void closingWindow_data();
    void closingWindow();
    void anotherProcessCloses();

private:
    void start();
    void closeUntil(const QDate &until);
    void addRow(const QString &date, const QString &place);
    QString storedText(int record, int column);
    int liveRecords();
    QWidget *typeInto(DataGrid *grid, const QModelIndex &cell, const QString &text);
    void withGrid(const QString &which, const std::function<void(GridParts)> &step);
    void bookThroughTheWindow(QDate date);

    std::unique_ptr<ProgramFixture> m_program;
};

void TestClosedPeriodWindows::init()
{
    m_program = std::make_unique<ProgramFixture>();
    m_program->clock.set(QDateTime(QDate(2025, 2, 3), QTime(17, 5)));
}

void TestClosedPeriodWindows::cleanup()
{
    m_program.reset();
}

void TestClosedPeriodWindows::start()
{
    m_program->start();
    m_program->forms->EinloggenForm->hide();
    m_program->context->arbeiter = QStringLiteral("Anna");
    m_program->context->userList().employeesMayCorrect = true;
    m_program->context->userList().adminPassword = QStringLiteral("chef");
}

void TestClosedPeriodWindows::closeUntil(const QDate &until)
{
    // Through the context, which enters the closing in the change history:
    // a closing file the history does not know closes everything.
    const ClosedPeriod::Change change = m_program->context->closePeriod(until, QStringLiteral("chef"));
    QCOMPARE(change.result, ClosedPeriod::Change::Done);
}

void TestClosedPeriodWindows::addRow(const QString &date, const QString &place)
{
    DbfTable &table = m_program->context->tables().Dbf1;
    DbfRecord record = table.newRecord();
    record.setText(WorkTimeTables::Arbeiter, QStringLiteral("Anna"));
    record.setText(WorkTimeTables::Datum, date);
    record.setText(WorkTimeTables::Ort, place);
    record.setText(WorkTimeTables::Taetigkeit, QStringLiteral("Montage"));
    record.setText(WorkTimeTables::ZeitVon, QStringLiteral("08:00"));
    record.setText(WorkTimeTables::ZeitBis, QStringLiteral("12:00"));
    QVERIFY(table.append(record));
}

QString TestClosedPeriodWindows::storedText(int record, int column)
{
    DbfTable check(m_program->clock);
    if (!check.open(m_program->dataDir() + QStringLiteral("arbeitszeit.dbf"), DbfTable::OpenMode::ReadOnly))
        return QStringLiteral("(cannot open)");
    DbfRecord row;
    if (!check.readRecord(quint32(record), row))
        return QStringLiteral("(no record)");
    return row.isDeleted() ? QStringLiteral("(deleted)") : row.text(column);
}

int TestClosedPeriodWindows::liveRecords()
{
    DbfTable check(m_program->clock);
    if (!check.open(m_program->dataDir() + QStringLiteral("arbeitszeit.dbf"), DbfTable::OpenMode::ReadOnly))
        return -1;
    return check.rowCount();
}

QWidget *TestClosedPeriodWindows::typeInto(DataGrid *grid, const QModelIndex &cell, const QString &text)
{
    grid->setFocus();
    grid->setCurrentIndex(cell);
    QTest::keyClick(grid, Qt::Key_F2);
    if (!QTest::qWaitFor([grid] { return grid->isEditing(); }, 2000))
        return nullptr;
    QWidget *editor = grid->openEditor();
    QTest::keyClick(editor, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(editor, text);
    return editor;
}

void TestClosedPeriodWindows::withGrid(const QString &which, const std::function<void(GridParts)> &step)
{
    if (which == QLatin1String("main")) {
        TMainForm *main = m_program->forms->MainForm;
        main->show();
        QVERIFY(QTest::qWaitForWindowExposed(main));
        step({main->DBGrid1, main->model(), main->DBNavigator1});
        if (main->DBGrid1->isEditing())
            QTest::keyClick(main->DBGrid1->openEditor(), Qt::Key_Escape);
        main->model()->cancel();
        main->reject();
        return;
    }
    bool ran = false;
    whenModal<TDatenAuflistenForm>([&](TDatenAuflistenForm *list) {
        CloseWhenDone closing{list, list->DBGrid1};
        ran = true;
        step({list->DBGrid1, list->model(), list->DBNavigator1});
        list->model()->cancel();
    });
    m_program->forms->ErfassenForm->EditBtnClick();
    QVERIFY(ran);
}

void TestClosedPeriodWindows::bookThroughTheWindow(QDate date)
{
    TErfassenForm *entry = m_program->forms->ErfassenForm;
    entry->prepare();
    entry->show();
    QVERIFY(QTest::qWaitForWindowExposed(entry));
    entry->Orted->setEditText(QStringLiteral("Köln"));
    entry->TatEd->setEditText(QStringLiteral("Montage"));
    entry->DateTimePicker1->setTime(QTime(8, 0));
    entry->DateTimePicker2->setTime(QTime(12, 0));
    entry->DateTimePicker3->setDate(date);
    QTest::mouseClick(entry->ErfassenBtn, Qt::LeftButton);
}

void TestClosedPeriodWindows::booking_data()
{
    QTest::addColumn<QDate>("date");
    QTest::addColumn<QByteArray>("damage"); // written over the file when not empty
    QTest::addColumn<QString>("message");
    QTest::newRow("on the closing date") << QDate(2025, 1, 31) << QByteArray()
                                         << ClosedJanuary + QStringLiteral(" Für den 31.01.2025 kann nicht mehr gebucht werden.");
    QTest::newRow("before it") << QDate(2024, 12, 2) << QByteArray()
                               << ClosedJanuary + QStringLiteral(" Für den 02.12.2024 kann nicht mehr gebucht werden.");
    QTest::newRow("the day after") << QDate(2025, 2, 1) << QByteArray() << QString();
    QTest::newRow("damaged file") << QDate(2025, 2, 3) << QByteArray("\x0a\0\0\0" "31.01.20", 12) << QStringLiteral("damaged");
}

void TestClosedPeriodWindows::booking()
{
    QFETCH(QDate, date);
    QFETCH(QByteArray, damage);
    QFETCH(QString, message);
    start();
    closeUntil(QDate(2025, 1, 31));
    const QString file = m_program->dataDir() + QLatin1String(ClosingDateFile::FileName);
    if (!damage.isEmpty()) {
        QVERIFY(TestFiles::writeAll(file, damage));
        message = ClosingDateFile::damagedMessage(file);
    }
    bookThroughTheWindow(date);
    TErfassenForm *entry = m_program->forms->ErfassenForm;
    if (message.isEmpty()) {
        QCOMPARE(m_program->reporter.errors(), QStringList());
        QCOMPARE(liveRecords(), 1);
    } else {
        QCOMPARE(m_program->reporter.errors(), QStringList{message});
        QCOMPARE(liveRecords(), 0);
        // Nothing was cleared: the employee corrects the date and books again.
        QCOMPARE(entry->Orted->currentText(), QStringLiteral("Köln"));
        QCOMPARE(QApplication::focusWidget(), entry->DateTimePicker3);
    }
    entry->reject();
}

void TestClosedPeriodWindows::gridCellEdits_data()
{
    QTest::addColumn<QString>("grid");
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("message"); // empty: accepted and written
    const QString changed = ClosedJanuary + QStringLiteral(" Dieser Datensatz vom 15.01.2025 kann nicht mehr geändert werden.");
    for (const char *grid : {"main", "list"}) {
        const QString g = QString::fromLatin1(grid);
        QTest::addRow("%s: place of a closed row", grid) << g << 0 << int(WorkTimeTables::Ort) << "Bonn" << changed;
        QTest::addRow("%s: closed row moved out", grid) << g << 0 << int(WorkTimeTables::Datum) << "15.02.2025" << changed;
        QTest::addRow("%s: open row moved in", grid) << g << 1 << int(WorkTimeTables::Datum) << "31.01.2025"
                                                   << ClosedJanuary + QStringLiteral(" Ein Datensatz kann nicht auf den 31.01.2025 datiert werden.");
        QTest::addRow("%s: open row moved within", grid) << g << 1 << int(WorkTimeTables::Datum) << "01.02.2025" << "";
        QTest::addRow("%s: place of an open row", grid) << g << 1 << int(WorkTimeTables::Ort) << "Bonn" << "";
        QTest::addRow("%s: closed cell left as it was", grid) << g << 0 << int(WorkTimeTables::Ort) << "Essen" << "";
    }
}

void TestClosedPeriodWindows::gridCellEdits()
{
    QFETCH(QString, grid);
    QFETCH(int, row);
    QFETCH(int, column);
    QFETCH(QString, typed);
    QFETCH(QString, message);
    start();
    addRow(QStringLiteral("15.01.2025"), QStringLiteral("Essen"));
    addRow(QStringLiteral("04.02.2025"), QStringLiteral("Köln"));
    closeUntil(QDate(2025, 1, 31));
    const QString before = storedText(row + 1, column);
    withGrid(grid, [&](GridParts parts) {
        QAbstractItemModelTester tester(parts.model);
        const QModelIndex cell = parts.model->index(row, column);
        QWidget *editor = typeInto(parts.grid, cell, typed);
        QVERIFY(editor);
        QTest::keyClick(editor, Qt::Key_Return);
        if (message.isEmpty()) {
            QTRY_VERIFY(!parts.grid->isEditing());
            QTest::mouseClick(parts.navigator->button(RecordNavigator::Post), Qt::LeftButton);
            QCOMPARE(m_program->reporter.errors(), QStringList());
            return;
        }
        QTRY_COMPARE(m_program->reporter.errors(), QStringList{message});
        // The editor stays open on the text, as for a date that does not exist.
        QVERIFY(parts.grid->isEditing());
        QCOMPARE(editor->property("text").toString(), typed);
        QTest::mouseClick(parts.navigator->button(RecordNavigator::Post), Qt::LeftButton);
        QCOMPARE(m_program->reporter.errors(), QStringList(2, message));
        // The model refuses it whichever way it comes.
        QVERIFY(!parts.model->setData(cell, typed));
        QCOMPARE(parts.model->lastError(), message);
        QTest::keyClick(parts.grid->openEditor(), Qt::Key_Escape);
        QTRY_VERIFY(!parts.grid->isEditing());
    });
    QCOMPARE(storedText(row + 1, column), message.isEmpty() ? typed : before);
}

void TestClosedPeriodWindows::gridDeletion_data()
{
    QTest::addColumn<QString>("grid");
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("message");
    for (const char *grid : {"main", "list"}) {
        const QString g = QString::fromLatin1(grid);
        QTest::addRow("%s: closed row", grid)
            << g << 0 << ClosedJanuary + QStringLiteral(" Dieser Datensatz vom 15.01.2025 kann nicht mehr gelöscht werden.");
        QTest::addRow("%s: open row", grid) << g << 1 << "";
    }
}

void TestClosedPeriodWindows::gridDeletion()
{
    QFETCH(QString, grid);
    QFETCH(int, row);
    QFETCH(QString, message);
    start();
    addRow(QStringLiteral("15.01.2025"), QStringLiteral("Essen"));
    addRow(QStringLiteral("04.02.2025"), QStringLiteral("Köln"));
    closeUntil(QDate(2025, 1, 31));
    m_program->reporter.setNextAnswers({Reporter::Answer::Yes});
    withGrid(grid, [&](GridParts parts) {
        QAbstractItemModelTester tester(parts.model);
        parts.grid->setCurrentIndex(parts.model->index(row, 0));
        QTest::mouseClick(parts.navigator->button(RecordNavigator::Delete), Qt::LeftButton);
        QCOMPARE(parts.model->rowCount(), message.isEmpty() ? 1 : 2);
    });
    const auto &messages = m_program->reporter.messages();
    if (message.isEmpty()) {
        QCOMPARE(messages.size(), 1);
        QCOMPARE(messages.first().kind, RecordingReporter::Message::Question);
        QCOMPARE(storedText(row + 1, WorkTimeTables::Ort), QStringLiteral("(deleted)"));
    } else {
        // Refused before the question is asked.
        QCOMPARE(messages.size(), 1);
        QCOMPARE(messages.first().kind, RecordingReporter::Message::Error);
        QCOMPARE(messages.first().text, message);
        QCOMPARE(storedText(row + 1, WorkTimeTables::Ort), QStringLiteral("Essen"));
    }
}

void TestClosedPeriodWindows::newRowInTheClosedPeriod_data()
{
    QTest::addColumn<QString>("grid");
    QTest::addColumn<QString>("date");
    QTest::addColumn<bool>("refused");
    for (const char *grid : {"main", "list"}) {
        const QString g = QString::fromLatin1(grid);
        QTest::addRow("%s: dated in it", grid) << g << "20.01.2025" << true;
        QTest::addRow("%s: dated after it", grid) << g << "03.02.2025" << false;
    }
}

void TestClosedPeriodWindows::newRowInTheClosedPeriod()
{
    QFETCH(QString, grid);
    QFETCH(QString, date);
    QFETCH(bool, refused);
    start();
    addRow(QStringLiteral("04.02.2025"), QStringLiteral("Köln"));
    closeUntil(QDate(2025, 1, 31));
    withGrid(grid, [&](GridParts parts) {
        QAbstractItemModelTester tester(parts.model);
        QTest::mouseClick(parts.navigator->button(RecordNavigator::Insert), Qt::LeftButton);
        QCOMPARE(parts.model->rowCount(), 2);
        // The list only keeps Anna's rows: the new one is hers.
        QWidget *name = typeInto(parts.grid, parts.model->index(1, WorkTimeTables::Arbeiter), QStringLiteral("Anna"));
        QVERIFY(name);
        QTest::keyClick(name, Qt::Key_Return);
        QTRY_VERIFY(!parts.grid->isEditing());
        QWidget *editor = typeInto(parts.grid, parts.model->index(1, WorkTimeTables::Datum), date);
        QVERIFY(editor);
        QTest::keyClick(editor, Qt::Key_Return);
        if (refused) {
            QTRY_COMPARE(m_program->reporter.errors().size(), 1);
            QCOMPARE(m_program->reporter.errors().first(),
                     ClosedJanuary + QStringLiteral(" Ein Datensatz kann nicht auf den %1 datiert werden.").arg(date));
            QTest::keyClick(parts.grid->openEditor(), Qt::Key_Escape);
            QTRY_VERIFY(!parts.grid->isEditing());
        } else {
            QTRY_VERIFY(!parts.grid->isEditing());
        }
        QTest::mouseClick(parts.navigator->button(RecordNavigator::Post), Qt::LeftButton);
    });
    QCOMPARE(liveRecords(), 2);
    QCOMPARE(storedText(2, WorkTimeTables::Datum), refused ? QString() : date);
    if (!refused)
        QCOMPARE(m_program->reporter.errors(), QStringList());
}

void TestClosedPeriodWindows::closingWindow_data()
{
    QTest::addColumn<QString>("typedDate");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("error");       // empty: closes with a note
    QTest::addColumn<QString>("closedUntil"); // afterwards; empty: nothing closed
    QTest::addColumn<QString>("note");
    QTest::newRow("close later") << "28.02.2025" << "chef" << "" << "28.02.2025"
                                 << "Die Buchungen bis einschließlich 28.02.2025 sind abgeschlossen.";
    QTest::newRow("close today, short form") << "3.3.2025" << "chef" << "" << "03.03.2025"
                                             << "Die Buchungen bis einschließlich 03.03.2025 sind abgeschlossen.";
    QTest::newRow("reopen to an earlier date") << "31.12.2024" << "chef" << "" << "31.12.2024"
                                               << "Die Buchungen bis einschließlich 31.12.2024 sind abgeschlossen.";
    QTest::newRow("reopen everything") << "" << "chef" << "" << "" << "Es sind keine Buchungen abgeschlossen.";
    QTest::newRow("wrong password, reopening") << "" << "Chef" << WrongPassword << "31.01.2025" << "";
    QTest::newRow("no password") << "28.02.2025" << "" << WrongPassword << "31.01.2025" << "";
    QTest::newRow("no date") << "31.02.2025" << "chef"
                             << "\"31.02.2025\" ist kein gültiges Datum. Geben Sie ein Datum wie 31.12.2025 ein oder lassen Sie das Feld leer."
                             << "31.01.2025" << "";
    QTest::newRow("after today") << "04.03.2025" << "chef"
                                 << "Buchungen können höchstens bis heute (03.03.2025) abgeschlossen werden." << "31.01.2025" << "";
}

void TestClosedPeriodWindows::closingWindow()
{
    QFETCH(QString, typedDate);
    QFETCH(QString, password);
    QFETCH(QString, error);
    QFETCH(QString, closedUntil);
    QFETCH(QString, note);
    m_program->clock.set(QDateTime(QDate(2025, 3, 3), QTime(8, 0)));
    start();
    closeUntil(QDate(2025, 1, 31));
    TMainForm *main = m_program->forms->MainForm;
    QVERIFY(main->Administrator1->actions().contains(main->Buchungenabschlieenbis1));
    bool ran = false;
    whenModal<TAbschlussForm>([&](TAbschlussForm *window) {
        ran = true;
        // Closed even when a check fails halfway, so that its loop ends.
        const auto closeAnyway = qScopeGuard([window] { QMetaObject::invokeMethod(window, "reject", Qt::QueuedConnection); });
        // It opens on what is closed now.
        QCOMPARE(window->Label1->text(), ClosedJanuary);
        QCOMPARE(window->Edit1->text(), QStringLiteral("31.01.2025"));
        QCOMPARE(window->focusWidget(), window->Edit1);
        QTest::keyClick(window->Edit1, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(window->Edit1, Qt::Key_Delete);
        QTest::keyClicks(window->Edit1, typedDate);
        QTest::keyClicks(window->Edit2, password);
        QTest::mouseClick(window->BitBtnXP1, Qt::LeftButton);
        if (!error.isEmpty()) {
            QCOMPARE(m_program->reporter.errors(), QStringList{error});
            QVERIFY(window->isVisible());
            QTest::mouseClick(window->BitBtnXP2, Qt::LeftButton);
        }
        QTRY_VERIFY(!window->isVisible());
    });
    main->Buchungenabschlieenbis1->trigger();
    QVERIFY(ran);
    if (error.isEmpty()) {
        const auto &messages = m_program->reporter.messages();
        QCOMPARE(messages.size(), 1);
        QCOMPARE(messages.first().kind, RecordingReporter::Message::Information);
        QCOMPARE(messages.first().text, note);
    }
    const ClosedPeriod::State state = m_program->context->closedPeriod().read();
    QCOMPARE(state.kind, closedUntil.isEmpty() ? ClosedPeriod::State::Open : ClosedPeriod::State::Closed);
    QCOMPARE(state.until, QDate::fromString(closedUntil, QStringLiteral("dd.MM.yyyy")));
    // Placed like every window: where it stood is kept for the next showing.
    QVERIFY(m_program->context->settings().value(QStringLiteral("TAbschlussForm"), QStringLiteral("NormPos")).has_value());
}

void TestClosedPeriodWindows::anotherProcessCloses()
{
    // One instance has the program open; another PC closes January with
    // tagwerk-cli. The open window refuses at once, without a restart.
    start();
    UserListData users;
    users.adminPassword = QStringLiteral("chef");
    users.adminPasswordRepeat = QStringLiteral("chef");
    QVERIFY(UserListStore::save(m_program->dataDir() + QStringLiteral("benutzer.dat"), users));
    bookThroughTheWindow(QDate(2025, 1, 20));
    QCOMPARE(m_program->reporter.errors(), QStringList());
    QProcess cli;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("TAGWERK_PROGRAM_DIR"), m_program->programDir());
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), m_program->home.filePath(QStringLiteral("config")));
    environment.insert(QStringLiteral("XDG_DATA_HOME"), m_program->home.filePath(QStringLiteral("data")));
    cli.setProcessEnvironment(environment);
    cli.start(QStringLiteral(TAGWERK_CLI_PATH), {QStringLiteral("--db"), m_program->dataDir(), QStringLiteral("close-period"),
                                                  QStringLiteral("--until"), QStringLiteral("31.01.2025"),
                                                  QStringLiteral("--admin-password"), QStringLiteral("-")});
    QVERIFY(cli.waitForStarted());
    cli.write("chef\n");
    cli.closeWriteChannel();
    QVERIFY(cli.waitForFinished(60000));
    QCOMPARE(cli.exitCode(), 0);
    bookThroughTheWindow(QDate(2025, 1, 21));
    QCOMPARE(m_program->reporter.errors(),
             QStringList{ClosedJanuary + QStringLiteral(" Für den 21.01.2025 kann nicht mehr gebucht werden.")});
    QCOMPARE(liveRecords(), 1);
    m_program->forms->ErfassenForm->reject();
}

QTEST_MAIN(TestClosedPeriodWindows)
#include "tst_closedperiodwindows.moc"
