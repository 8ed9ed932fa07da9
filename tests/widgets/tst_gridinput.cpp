#include <QAbstractItemModelTester>
#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QToolButton>
#include <QtTest>

#include "session/AppContext.h"
#include "gui/app/ApplicationForms.h"
#include "gui/app/EinloggenFUnit.h"
#include "gui/app/MainUnit.h"
#include "gui/evaluation/MitArbeiterAussuchenFUnit.h"
#include "gui/recording/AuflistenFUnit.h"
#include "gui/recording/ErfassenFUnit.h"
#include "storage/WorkTimeFieldText.h"
#include "storage/WorkTimeTables.h"
#include "support/GuiTestHelpers.h"
#include "support/ProgramFixture.h"
#include "gui/widgets/DataGrid.h"
#include "gui/widgets/RecordNavigator.h"
#include "gui/widgets/WorkTimeTableModel.h"

namespace {

// What one of the two grids offers a test: the grid, its model and navigator.
struct GridParts
{
    DataGrid *grid;
    WorkTimeTableModel *model;
    RecordNavigator *navigator;
};

QString refusalText(int column, const QString &typed)
{
    const bool date = column == WorkTimeTables::Datum || column == WorkTimeTables::DatumEintrag;
    return date ? QStringLiteral("\"%1\" ist kein gültiges Datum. Geben Sie ein Datum wie 31.12.2025 ein oder lassen Sie das Feld leer.").arg(typed)
                : QStringLiteral("\"%1\" ist keine gültige Uhrzeit. Geben Sie eine Uhrzeit wie 7:30 oder 17:45 ein oder lassen Sie das Feld leer.").arg(typed);
}

// Closes a dialog at the end of a test step, even one that failed halfway,
// so that the modal loop it runs in ends; an open editor is dropped first.
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

// Typing into the grids of the main window and of the record list: what a
// date or time cell takes, rows that leave the record list's filter once
// written, and an edit written before an evaluation reads the table.
class TestGridInput : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void ruleForFieldTexts_data();
    void ruleForFieldTexts();
    void dateAndTimeCells_data();
    void dateAndTimeCells();
    void editedRowLeavesTheRecordList_data();
    void editedRowLeavesTheRecordList();
    void evaluationReadsThePendingEdit_data();
    void evaluationReadsThePendingEdit();

private:
    void start();
    void addRow(const QString &employee, const QString &date, const QString &place);
    QString storedText(int record, int column);
    // Opens the cell's editor with F2, as a user would, and types over its text.
    QWidget *typeInto(DataGrid *grid, const QModelIndex &cell, const QString &text);
    // Shows the main window's grid or runs `step` inside the open record list.
    void withGrid(const QString &which, const std::function<void(GridParts)> &step);
    void checkCellInput(GridParts parts, int column, const QString &typed, bool refused);

    std::unique_ptr<ProgramFixture> m_program;
};

void TestGridInput::init()
{
    m_program = std::make_unique<ProgramFixture>();
    m_program->clock.set(QDateTime(QDate(2025, 2, 3), QTime(17, 5)));
}

void TestGridInput::cleanup()
{
    m_program.reset();
}

void TestGridInput::start()
{
    m_program->start();
    m_program->forms->EinloggenForm->hide();
    m_program->context->arbeiter = QStringLiteral("Anna");
    m_program->context->userList().employeesMayCorrect = true;
}

void TestGridInput::addRow(const QString &employee, const QString &date, const QString &place)
{
    DbfTable &table = m_program->context->tables().Dbf1;
    DbfRecord record = table.newRecord();
    record.setText(WorkTimeTables::Arbeiter, employee);
    record.setText(WorkTimeTables::Datum, date);
    record.setText(WorkTimeTables::Ort, place);
    record.setText(WorkTimeTables::Taetigkeit, QStringLiteral("Montage"));
    record.setText(WorkTimeTables::ZeitVon, QStringLiteral("08:00"));
    record.setText(WorkTimeTables::ZeitBis, QStringLiteral("12:00"));
    record.setText(WorkTimeTables::Pause, QStringLiteral("00:30"));
    record.setText(WorkTimeTables::DatumEintrag, date);
    record.setText(WorkTimeTables::ZeitEintrag, QStringLiteral("12:05"));
    QVERIFY(table.append(record));
}

QString TestGridInput::storedText(int record, int column)
{
    DbfTable check(m_program->clock);
    if (!check.open(m_program->dataDir() + QStringLiteral("arbeitszeit.dbf"), DbfTable::OpenMode::ReadOnly))
        return QStringLiteral("(cannot open)");
    DbfRecord row;
    return check.readRecord(quint32(record), row) ? row.text(column) : QStringLiteral("(no record)");
}

QWidget *TestGridInput::typeInto(DataGrid *grid, const QModelIndex &cell, const QString &text)
{
    grid->setFocus();
    grid->setCurrentIndex(cell);
    QTest::keyClick(grid, Qt::Key_F2);
    if (!QTest::qWaitFor([grid] { return grid->isEditing(); }, 2000))
        return nullptr;
    QWidget *editor = grid->openEditor();
    QTest::keyClick(editor, Qt::Key_A, Qt::ControlModifier);
    if (text.isEmpty())
        QTest::keyClick(editor, Qt::Key_Delete);
    else
        QTest::keyClicks(editor, text);
    return editor;
}

void TestGridInput::withGrid(const QString &which, const std::function<void(GridParts)> &step)
{
    if (which == QLatin1String("main")) {
        TMainForm *main = m_program->forms->MainForm;
        main->show();
        QVERIFY(QTest::qWaitForWindowExposed(main));
        step({main->DBGrid1, main->model(), main->DBNavigator1});
        if (main->DBGrid1->isEditing())
            QTest::keyClick(main->DBGrid1->openEditor(), Qt::Key_Escape);
        main->reject();
        return;
    }
    bool ran = false;
    whenModal<TDatenAuflistenForm>([&](TDatenAuflistenForm *list) {
        CloseWhenDone closing{list, list->DBGrid1};
        ran = true;
        step({list->DBGrid1, list->model(), list->DBNavigator1});
    });
    m_program->forms->ErfassenForm->EditBtnClick();
    QVERIFY(ran);
}

void TestGridInput::ruleForFieldTexts_data()
{
    QTest::addColumn<int>("field");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<QString>("stored");
    QTest::newRow("date, two digits each") << int(WorkTimeTables::Datum) << "05.03.2024" << true << "05.03.2024";
    QTest::newRow("date, one digit each") << int(WorkTimeTables::Datum) << "5.3.2024" << true << "5.3.2024";
    QTest::newRow("leap day") << int(WorkTimeTables::DatumEintrag) << "29.02.2024" << true << "29.02.2024";
    QTest::newRow("no leap day") << int(WorkTimeTables::DatumEintrag) << "29.02.2025" << false << "";
    QTest::newRow("31 February") << int(WorkTimeTables::Datum) << "31.02.2026" << false << "";
    QTest::newRow("two-digit year") << int(WorkTimeTables::Datum) << "5.3.24" << false << "";
    QTest::newRow("month 13") << int(WorkTimeTables::Datum) << "1.13.2024" << false << "";
    QTest::newRow("ISO date") << int(WorkTimeTables::Datum) << "2024-03-05" << false << "";
    QTest::newRow("blank date") << int(WorkTimeTables::Datum) << "   " << true << "";
    QTest::newRow("surrounding blanks") << int(WorkTimeTables::Datum) << " 5.3.2024 " << true << "5.3.2024";
    QTest::newRow("time") << int(WorkTimeTables::ZeitVon) << "7:30" << true << "07:30";
    QTest::newRow("last minute") << int(WorkTimeTables::ZeitBis) << "23:59" << true << "23:59";
    QTest::newRow("digits only") << int(WorkTimeTables::Pause) << "0030" << true << "00:30";
    QTest::newRow("short hour, no colon") << int(WorkTimeTables::ZeitVon) << "930" << true << "09:30";
    QTest::newRow("one-digit hour with colon") << int(WorkTimeTables::Pause) << "0:30" << true << "00:30";
    QTest::newRow("point for colon") << int(WorkTimeTables::ZeitBis) << "16.45" << true << "16:45";
    QTest::newRow("hour only") << int(WorkTimeTables::ZeitBis) << "14" << true << "14:00";
    QTest::newRow("no hour 25: the 5 begins the minutes") << int(WorkTimeTables::ZeitVon) << "253" << true << "02:53";
    QTest::newRow("one minute digit") << int(WorkTimeTables::Pause) << "8:5" << true << "08:05";
    QTest::newRow("surrounding blanks in a time") << int(WorkTimeTables::Pause) << " 0:45 " << true << "00:45";
    QTest::newRow("hour 24") << int(WorkTimeTables::ZeitBis) << "24:00" << false << "";
    QTest::newRow("minute 60") << int(WorkTimeTables::Pause) << "1:60" << false << "";
    QTest::newRow("five digits") << int(WorkTimeTables::Pause) << "00300" << false << "";
    QTest::newRow("two colons") << int(WorkTimeTables::Pause) << "1::30" << false << "";
    QTest::newRow("seconds do not fit") << int(WorkTimeTables::ZeitEintrag) << "08:00:00" << false << "";
    QTest::newRow("word") << int(WorkTimeTables::ZeitEintrag) << "acht" << false << "";
    QTest::newRow("empty time") << int(WorkTimeTables::ZeitEintrag) << "" << true << "";
    QTest::newRow("place takes any text") << int(WorkTimeTables::Ort) << "31.02.2026" << true << "31.02.2026";
    QTest::newRow("remark takes any text") << int(WorkTimeTables::Bemerkungen) << "25:99" << true << "25:99";
}

void TestGridInput::ruleForFieldTexts()
{
    QFETCH(int, field);
    QFETCH(QString, text);
    QFETCH(bool, accepted);
    QFETCH(QString, stored);
    const auto verdict = WorkTimeFieldText::check(field, text);
    QCOMPARE(verdict == WorkTimeFieldText::Verdict::Ok, accepted);
    QCOMPARE(WorkTimeFieldText::message(verdict, text).isEmpty(), accepted);
    if (accepted)
        QCOMPARE(WorkTimeFieldText::normalized(field, text), stored);
}

void TestGridInput::dateAndTimeCells_data()
{
    QTest::addColumn<QString>("grid");
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("refused");
    QTest::addColumn<QString>("stored");
    for (const char *grid : {"main", "list"}) {
        const QString g = QString::fromLatin1(grid);
        QTest::addRow("%s: 31 February", grid) << g << int(WorkTimeTables::Datum) << "31.02.2026" << true << "";
        QTest::addRow("%s: two-digit year", grid) << g << int(WorkTimeTables::Datum) << "1.3.26" << true << "";
        QTest::addRow("%s: entry date", grid) << g << int(WorkTimeTables::DatumEintrag) << "30.2.2025" << true << "";
        QTest::addRow("%s: hour 24", grid) << g << int(WorkTimeTables::ZeitVon) << "24:00" << true << "";
        QTest::addRow("%s: minute 60", grid) << g << int(WorkTimeTables::ZeitBis) << "8:60" << true << "";
        QTest::addRow("%s: seconds", grid) << g << int(WorkTimeTables::Pause) << "08:00:00" << true << "";
        QTest::addRow("%s: word", grid) << g << int(WorkTimeTables::ZeitEintrag) << "acht" << true << "";
        QTest::addRow("%s: short date", grid) << g << int(WorkTimeTables::Datum) << "4.2.2025" << false << "4.2.2025";
        QTest::addRow("%s: short time", grid) << g << int(WorkTimeTables::ZeitVon) << "7:30" << false << "07:30";
        QTest::addRow("%s: digits only", grid) << g << int(WorkTimeTables::Pause) << "0030" << false << "00:30";
        QTest::addRow("%s: short hour, no colon", grid) << g << int(WorkTimeTables::ZeitBis) << "945" << false << "09:45";
        QTest::addRow("%s: emptied", grid) << g << int(WorkTimeTables::ZeitBis) << "" << false << "";
    }
}

void TestGridInput::checkCellInput(GridParts parts, int column, const QString &typed, bool refused)
{
    QAbstractItemModelTester tester(parts.model);
    const QModelIndex cell = parts.model->index(0, column);
    const QModelIndex other = parts.model->index(1, column);
    QWidget *editor = typeInto(parts.grid, cell, typed);
    QVERIFY(editor);
    QTest::keyClick(editor, Qt::Key_Return);
    if (!refused) {
        QTRY_VERIFY(!parts.grid->isEditing());
        QVERIFY(m_program->reporter.errors().isEmpty());
        QTest::mouseClick(parts.navigator->button(RecordNavigator::Post), Qt::LeftButton);
        QVERIFY(m_program->reporter.errors().isEmpty());
        return;
    }
    const QString message = refusalText(column, typed);
    QTRY_COMPARE(m_program->reporter.errors(), QStringList{message});
    // The edit stays open on the text, whichever way the user tries to leave.
    QVERIFY(parts.grid->isEditing());
    QCOMPARE(parts.grid->openEditor(), editor);
    QCOMPARE(editor->property("text").toString(), typed);
    QTest::keyClick(editor, Qt::Key_Tab);
    QTRY_COMPARE(m_program->reporter.errors().size(), 2);
    QVERIFY(parts.grid->isEditing());
    const QRect otherCell = parts.grid->visualRect(other);
    QTest::mouseClick(parts.grid->viewport(), Qt::LeftButton, {}, otherCell.center());
    QCOMPARE(m_program->reporter.errors().size(), 3);
    QVERIFY(parts.grid->isEditing());
    QCOMPARE(parts.grid->currentIndex(), cell);
    QTest::mouseClick(parts.navigator->button(RecordNavigator::Next), Qt::LeftButton);
    QCOMPARE(m_program->reporter.errors().size(), 4);
    QCOMPARE(parts.grid->currentIndex(), cell);
    QTest::mouseClick(parts.navigator->button(RecordNavigator::Post), Qt::LeftButton);
    QCOMPARE(m_program->reporter.errors(), QStringList(5, message));
    QVERIFY(parts.grid->isEditing());
    // Nothing of it reached the model.
    QVERIFY(!parts.model->setData(cell, typed));
    QCOMPARE(parts.model->lastError(), message);
    // Esc drops it.
    QTest::keyClick(parts.grid->openEditor(), Qt::Key_Escape);
    QTRY_VERIFY(!parts.grid->isEditing());
    QVERIFY(parts.model->post());
}

void TestGridInput::dateAndTimeCells()
{
    QFETCH(QString, grid);
    QFETCH(int, column);
    QFETCH(QString, typed);
    QFETCH(bool, refused);
    QFETCH(QString, stored);
    start();
    addRow(QStringLiteral("Anna"), QStringLiteral("03.02.2025"), QStringLiteral("Bonn"));
    addRow(QStringLiteral("Anna"), QStringLiteral("04.02.2025"), QStringLiteral("Köln"));
    const QString before = storedText(1, column);
    withGrid(grid, [&](GridParts parts) { checkCellInput(parts, column, typed, refused); });
    QCOMPARE(storedText(1, column), refused ? before : stored);
    QCOMPARE(storedText(1, WorkTimeTables::Ort), QStringLiteral("Bonn"));
}

void TestGridInput::editedRowLeavesTheRecordList_data()
{
    QTest::addColumn<bool>("onlyMonth");
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("byRowChange");
    QTest::addColumn<int>("rowsBefore");
    QTest::addColumn<int>("rowsAfter");
    QTest::newRow("another employee") << false << int(WorkTimeTables::Arbeiter) << "Bernd" << false << 3 << 2;
    QTest::newRow("another employee, by moving on") << false << int(WorkTimeTables::Arbeiter) << "Bernd" << true << 3 << 2;
    QTest::newRow("name in other letter case") << false << int(WorkTimeTables::Arbeiter) << "anna" << false << 3 << 2;
    QTest::newRow("date into last month") << true << int(WorkTimeTables::Datum) << "31.01.2025" << false << 2 << 1;
    QTest::newRow("date into last month, by moving on") << true << int(WorkTimeTables::Datum) << "31.01.2025" << true << 2 << 1;
    QTest::newRow("date within the month") << true << int(WorkTimeTables::Datum) << "28.02.2025" << false << 2 << 2;
    QTest::newRow("date into last month, all months shown") << false << int(WorkTimeTables::Datum) << "31.01.2025" << false << 3 << 3;
}

void TestGridInput::editedRowLeavesTheRecordList()
{
    QFETCH(bool, onlyMonth);
    QFETCH(int, column);
    QFETCH(QString, typed);
    QFETCH(bool, byRowChange);
    QFETCH(int, rowsBefore);
    QFETCH(int, rowsAfter);
    start();
    addRow(QStringLiteral("Anna"), QStringLiteral("03.02.2025"), QStringLiteral("Bonn"));
    addRow(QStringLiteral("Bernd"), QStringLiteral("03.02.2025"), QStringLiteral("Ulm"));
    addRow(QStringLiteral("Anna"), QStringLiteral("04.02.2025"), QStringLiteral("Köln"));
    addRow(QStringLiteral("Anna"), QStringLiteral("15.01.2025"), QStringLiteral("Essen"));
    m_program->forms->DatenAuflistenForm->OnlyCurrentMonth->setChecked(onlyMonth);
    int seenBefore = -1;
    int seenAfter = -1;
    QStringList placesAfter;
    withGrid(QStringLiteral("list"), [&](GridParts parts) {
        QAbstractItemModelTester tester(parts.model);
        seenBefore = parts.model->rowCount();
        QWidget *editor = typeInto(parts.grid, parts.model->index(0, column), typed);
        QVERIFY(editor);
        QTest::keyClick(editor, Qt::Key_Return);
        QTRY_VERIFY(!parts.grid->isEditing());
        if (byRowChange)
            QTest::mouseClick(parts.navigator->button(RecordNavigator::Next), Qt::LeftButton);
        else
            QTest::mouseClick(parts.navigator->button(RecordNavigator::Post), Qt::LeftButton);
        QVERIFY(!parts.model->hasPendingEdit());
        seenAfter = parts.model->rowCount();
        for (int row = 0; row < seenAfter; ++row)
            placesAfter.append(parts.model->index(row, WorkTimeTables::Ort).data().toString());
    });
    QVERIFY(m_program->reporter.errors().isEmpty());
    QCOMPARE(seenBefore, rowsBefore);
    QCOMPARE(seenAfter, rowsAfter);
    QCOMPARE(placesAfter.contains(QStringLiteral("Bonn")), rowsAfter == rowsBefore);
    QCOMPARE(storedText(1, column), typed);
}

void TestGridInput::evaluationReadsThePendingEdit_data()
{
    QTest::addColumn<bool>("editorOpen");
    QTest::addColumn<bool>("lawCheck"); // the working-time-law check instead of the place evaluation
    QTest::newRow("typed, editor still open") << true << false;
    QTest::newRow("entered, row not yet saved") << false << false;
    QTest::newRow("law check, editor still open") << true << true;
    QTest::newRow("law check, row not yet saved") << false << true;
}

void TestGridInput::evaluationReadsThePendingEdit()
{
    QFETCH(bool, editorOpen);
    QFETCH(bool, lawCheck);
    start();
    addRow(QStringLiteral("Anna"), QStringLiteral("03.02.2025"), QStringLiteral("Bonn"));
    addRow(QStringLiteral("Anna"), QStringLiteral("04.02.2025"), QStringLiteral("Köln"));
    TMainForm *main = m_program->forms->MainForm;
    main->show();
    QVERIFY(QTest::qWaitForWindowExposed(main));
    const int column = lawCheck ? WorkTimeTables::Arbeiter : WorkTimeTables::Ort;
    const QString typed = lawCheck ? QStringLiteral("Bernd") : QStringLiteral("Halle 7");
    QWidget *editor = typeInto(main->DBGrid1, main->model()->index(0, column), typed);
    QVERIFY(editor);
    if (!editorOpen) {
        QTest::keyClick(editor, Qt::Key_Return);
        QTRY_VERIFY(!main->DBGrid1->isEditing());
        QVERIFY(main->model()->hasPendingEdit());
    }
    QStringList offered;
    whenModal<TMitarbeiterAussuchenForm>([&](TMitarbeiterAussuchenForm *choice) {
        for (int i = 0; i < choice->ArbeiterEd->count(); ++i)
            offered.append(choice->ArbeiterEd->itemText(i));
        choice->reject();
    });
    if (lawCheck)
        main->Arbeitszeitgesetzprfen1->trigger();
    else
        QTest::mouseClick(main->BitBtn3, Qt::LeftButton); // evaluation by place
    main->reject();
    QVERIFY(m_program->reporter.errors().isEmpty());
    offered.sort();
    if (lawCheck) {
        QVERIFY(offered.contains(QStringLiteral("Bernd")));
        QCOMPARE(storedText(1, WorkTimeTables::Arbeiter), QStringLiteral("Bernd"));
    } else {
        QCOMPARE(offered, (QStringList{QStringLiteral("Halle 7"), QStringLiteral("Köln")}));
        QCOMPARE(storedText(1, WorkTimeTables::Ort), QStringLiteral("Halle 7"));
    }
}

QTEST_MAIN(TestGridInput)
#include "tst_gridinput.moc"
