#include <QAbstractItemModelTester>
#include <QTemporaryDir>
#include <QtTest>

#include "storage/WorkTimeTables.h"
#include "support/FixedClock.h"
#include "support/RecordingReporter.h"
#include "translation/ProgramTexts.h"
#include "gui/widgets/WorkTimeTableModel.h"

class TestWorkTimeTableModel : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void showsRowsUnderWholeHeadings();
    void editIsWrittenOnPost();
    void cancelDropsEdit();
    void newRowLivesUntilPosted_data();
    void newRowLivesUntilPosted();
    void deleteMarksRecord();
    void readOnlyRefusesEdits();
    void rereadSeesOtherInstances();

private:
    QString tablePath() const { return m_dir->filePath(QStringLiteral("arbeitszeit.dbf")); }

    std::unique_ptr<QTemporaryDir> m_dir;
    FixedClock m_clock;
    std::unique_ptr<DbfTable> m_table;
    std::unique_ptr<WorkTimeTableModel> m_model;
    std::unique_ptr<QAbstractItemModelTester> m_tester;
};

void TestWorkTimeTableModel::init()
{
    m_tester.reset();
    m_model.reset();
    m_dir = std::make_unique<QTemporaryDir>();
    m_table = std::make_unique<DbfTable>(m_clock);
    QVERIFY(m_table->create(tablePath(), WorkTimeTables::fieldDefinitions(&ProgramTexts::german)));
    QVERIFY(m_table->open(tablePath()));
    for (const char *name : {"Anna", "Bernd", "Clara"}) {
        DbfRecord record = m_table->newRecord();
        record.setText(WorkTimeTables::Arbeiter, QString::fromLatin1(name));
        record.setLogical(WorkTimeTables::Auswaerts, true);
        QVERIFY(m_table->append(record));
    }
    m_model = std::make_unique<WorkTimeTableModel>(*m_table);
    m_tester = std::make_unique<QAbstractItemModelTester>(m_model.get(), QAbstractItemModelTester::FailureReportingMode::QtTest);
}

void TestWorkTimeTableModel::showsRowsUnderWholeHeadings()
{
    QCOMPARE(m_model->rowCount(), 3);
    QCOMPARE(m_model->columnCount(), 12);
    QCOMPARE(m_model->headerData(3, Qt::Horizontal).toString(), QStringLiteral("Tätigkeit"));
    QCOMPARE(m_model->headerData(6, Qt::Horizontal).toString(), QStringLiteral("Bemerkungen"));
    QCOMPARE(m_model->headerData(7, Qt::Horizontal).toString(), QStringLiteral("Auswärts"));
    QCOMPARE(m_model->headerData(10, Qt::Horizontal).toString(), QStringLiteral("Datum Eintrag"));
    QCOMPARE(m_model->index(1, WorkTimeTables::Arbeiter).data().toString(), QStringLiteral("Bernd"));
    QCOMPARE(m_model->index(1, WorkTimeTables::Auswaerts).data().toString(), QStringLiteral("Ja"));
    QCOMPARE(m_model->index(1, WorkTimeTables::Doppelt).data().toString(), QString());
}

void TestWorkTimeTableModel::editIsWrittenOnPost()
{
    QVERIFY(m_model->setData(m_model->index(2, WorkTimeTables::Ort), QStringLiteral("Köln")));
    QVERIFY(m_model->setData(m_model->index(2, WorkTimeTables::Doppelt), QStringLiteral("ja"))); // the word shown
    QCOMPARE(m_model->pendingRow(), 2);
    DbfTable other(m_clock);
    QVERIFY(other.open(tablePath()));
    QVERIFY(other.setCurrentRow(2));
    QCOMPARE(other.text(WorkTimeTables::Ort), QString()); // not yet on disk
    QVERIFY(m_model->post());
    QVERIFY(!m_model->hasPendingEdit());
    QVERIFY(other.first() && other.setCurrentRow(2));
    QCOMPARE(other.text(WorkTimeTables::Ort), QStringLiteral("Köln"));
    QCOMPARE(other.logical(WorkTimeTables::Doppelt), std::optional<bool>(true));
}

void TestWorkTimeTableModel::cancelDropsEdit()
{
    QVERIFY(m_model->setData(m_model->index(0, WorkTimeTables::Arbeiter), QStringLiteral("Zora")));
    QCOMPARE(m_model->index(0, WorkTimeTables::Arbeiter).data().toString(), QStringLiteral("Zora"));
    m_model->cancel();
    QCOMPARE(m_model->index(0, WorkTimeTables::Arbeiter).data().toString(), QStringLiteral("Anna"));
}

void TestWorkTimeTableModel::newRowLivesUntilPosted_data()
{
    QTest::addColumn<bool>("posted");
    QTest::newRow("posted") << true;
    QTest::newRow("cancelled") << false;
}

void TestWorkTimeTableModel::newRowLivesUntilPosted()
{
    QFETCH(bool, posted);
    const int row = m_model->insertNewRow();
    QCOMPARE(row, 3);
    QCOMPARE(m_model->rowCount(), 4);
    QVERIFY(m_model->setData(m_model->index(row, WorkTimeTables::Arbeiter), QStringLiteral("Dora")));
    if (posted)
        QVERIFY(m_model->post());
    else
        m_model->cancel();
    QCOMPARE(m_model->rowCount(), posted ? 4 : 3);
    QCOMPARE(m_table->recordCount(), posted ? 4u : 3u);
    if (posted)
        QCOMPARE(m_model->index(3, WorkTimeTables::Arbeiter).data().toString(), QStringLiteral("Dora"));
}

void TestWorkTimeTableModel::deleteMarksRecord()
{
    QVERIFY(m_model->deleteRow(1));
    QCOMPARE(m_model->rowCount(), 2);
    QCOMPARE(m_model->index(1, WorkTimeTables::Arbeiter).data().toString(), QStringLiteral("Clara"));
    QCOMPARE(m_table->recordCount(), 3u);
}

void TestWorkTimeTableModel::readOnlyRefusesEdits()
{
    m_model->setReadOnly(true);
    QVERIFY(!(m_model->flags(m_model->index(0, 0)) & Qt::ItemIsEditable));
    QVERIFY(!m_model->setData(m_model->index(0, 0), QStringLiteral("x")));
    QCOMPARE(m_model->insertNewRow(), -1);
    QVERIFY(!m_model->deleteRow(0));
    QCOMPARE(m_table->rowCount(), 3);
}

void TestWorkTimeTableModel::rereadSeesOtherInstances()
{
    DbfTable other(m_clock);
    QVERIFY(other.open(tablePath()));
    DbfRecord record = other.newRecord();
    record.setText(WorkTimeTables::Arbeiter, QStringLiteral("Emil"));
    QVERIFY(other.append(record));
    QVERIFY(other.markDeleted(1));
    QCOMPARE(m_model->rowCount(), 3);
    m_model->reread();
    QCOMPARE(m_model->rowCount(), 3);
    QCOMPARE(m_model->index(0, WorkTimeTables::Arbeiter).data().toString(), QStringLiteral("Bernd"));
    QCOMPARE(m_model->index(2, WorkTimeTables::Arbeiter).data().toString(), QStringLiteral("Emil"));
}

QTEST_GUILESS_MAIN(TestWorkTimeTableModel)
#include "tst_worktimetablemodel.moc"
