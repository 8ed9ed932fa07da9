#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QMessageBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <QtTest>

#include "gui/base/MessageBoxReporter.h"
#include "support/GuiTestHelpers.h"
#include "support/ProgramFixture.h"
#include "support/TestFiles.h"
#include "gui/translation/TranslateFUnit.h"
#include "translation/TranslationSource.h"
#include "translation/translateunit.h"

// The translation editor over the program's own dictionary.
class TestTranslateEditor : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void typingSavesOnceASecondAfter();
    void closingSavesAtOnce();
    void deletionKeepsEveryOtherTranslation();
    void searchUpperCasesAsciiOnly_data();
    void searchUpperCasesAsciiOnly();
    void escapeAsksToDeleteRatherThanClosing();
    void fixedColumnProtectsKeys();
    void showsWhatIsLeftToTranslate();
    void headingsAreNoKeys();
    void gridFollowsKeysAddedWhileOpen();
    void escapeInACellRestoresTheTable();
    void deleteQuestionDefaultsToNo();
    void hiddenExportAndImportKeepTheirPairing();

private:
    int rowOf(const QString &key) const;
    void typeInto(int gridRow, int column, const QString &text);

    std::unique_ptr<ProgramFixture> m_program;
    TTranslateForm *m_editor = nullptr;
    TranslationDictionary *m_dictionary = nullptr;
};

void TestTranslateEditor::init()
{
    m_program = std::make_unique<ProgramFixture>();
    m_program->start();
    m_editor = m_program->forms->TranslateForm;
    m_dictionary = &m_program->context->dictionary();
    m_editor->FillStringGrid();
    m_editor->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_editor));
}

void TestTranslateEditor::cleanup()
{
    m_program.reset();
}

int TestTranslateEditor::rowOf(const QString &key) const
{
    for (quint32 r = 0; r < m_dictionary->rowCount(); ++r) {
        if (m_dictionary->text(r, 0) == key)
            return int(r) + 1;
    }
    return -1;
}

void TestTranslateEditor::typeInto(int gridRow, int column, const QString &text)
{
    QTableWidget *grid = m_editor->StringGrid1;
    grid->setCurrentCell(gridRow - 1, column);
    grid->editItem(grid->item(gridRow - 1, column));
    QLineEdit *editor = grid->findChild<QLineEdit *>();
    QVERIFY(editor);
    QTest::keyClicks(editor, text);
}

void TestTranslateEditor::typingSavesOnceASecondAfter()
{
    const int saves = m_dictionary->savesWritten();
    const int row = rowOf(QStringLiteral("Ausloggen"));
    QVERIFY(row > 0);
    typeInto(row, 1, QStringLiteral("Log"));
    QCOMPARE(m_dictionary->text(quint32(row - 1), 1), QStringLiteral("Log")); // in the table at every keystroke
    QCOMPARE(m_dictionary->savesWritten(), saves);
    QVERIFY(m_editor->Timer1->isActive());
    QTRY_COMPARE_WITH_TIMEOUT(m_dictionary->savesWritten(), saves + 1, 3000);
    QTest::qWait(1200);
    QCOMPARE(m_dictionary->savesWritten(), saves + 1);
}

void TestTranslateEditor::closingSavesAtOnce()
{
    const int row = rowOf(QStringLiteral("Ausloggen"));
    typeInto(row, 1, QStringLiteral("Log out"));
    QTest::mouseClick(m_editor->BackBtn, Qt::LeftButton);
    QVERIFY(!m_editor->Timer1->isActive());
    TranslationDictionary reread(m_program->reporter, m_dictionary->filePath());
    reread.BuildTranslationIndex();
    reread.setCurrentLanguage(TranslationDictionary::English);
    QCOMPARE(reread.TranslateText(QStringLiteral("Ausloggen")), QStringLiteral("Log out"));
}

void TestTranslateEditor::deletionKeepsEveryOtherTranslation()
{
    m_dictionary->setCurrentLanguage(TranslationDictionary::English);
    const QStringList keys = {QStringLiteral("Sprache"), QStringLiteral("Ausloggen"), QStringLiteral("Optionen")};
    for (const QString &key : keys)
        m_dictionary->setText(quint32(rowOf(key) - 1), 1, key + QStringLiteral(" (en)"));
    m_editor->FillStringGrid();
    const int row = rowOf(QStringLiteral("Ausloggen"));
    m_editor->StringGrid1->setCurrentCell(row - 1, 0);
    m_program->reporter.setNextAnswers({Reporter::Answer::Yes});
    QTest::mouseClick(m_editor->DeleteRowBtn, Qt::LeftButton);
    QCOMPARE(m_program->reporter.messages().last().text, QStringLiteral("Ausloggen"));
    QCOMPARE(rowOf(QStringLiteral("Ausloggen")), -1);
    QCOMPARE(m_editor->StringGrid1->currentRow(), row - 1); // the same grid row stays current
    QCOMPARE(m_dictionary->TranslateText(QStringLiteral("Sprache")), QStringLiteral("Sprache (en)"));
    QCOMPARE(m_dictionary->TranslateText(QStringLiteral("Optionen")), QStringLiteral("Optionen (en)"));
    QCOMPARE(m_editor->StringGrid1->rowCount(), int(m_dictionary->rowCount()));
}

void TestTranslateEditor::searchUpperCasesAsciiOnly_data()
{
    QTest::addColumn<QString>("search");
    QTest::addColumn<QString>("firstFind");
    QTest::newRow("small letters find capitals") << QStringLiteral("ausl") << QStringLiteral("Ausloggen");
    QTest::newRow("the headings row comes first") << QStringLiteral("englisch") << QStringLiteral("Englischer Text");
    QTest::newRow("small ü does not find Ü") << QStringLiteral("übersetzen") << QString();
}

void TestTranslateEditor::searchUpperCasesAsciiOnly()
{
    QFETCH(QString, search);
    QFETCH(QString, firstFind);
    m_editor->FilterEdit->setText(search);
    m_program->reporter.setNextAnswers({Reporter::Answer::No});
    QTest::mouseClick(m_editor->FilterBtn, Qt::LeftButton);
    const int questions = int(m_program->reporter.messages().size());
    QCOMPARE(questions, firstFind.isEmpty() ? 0 : 1);
    if (firstFind.isEmpty() || firstFind == QLatin1String("Englischer Text"))
        return;
    QTableWidgetItem *current = m_editor->StringGrid1->currentItem();
    QVERIFY(current);
    QCOMPARE(current->text(), firstFind);
}

void TestTranslateEditor::escapeAsksToDeleteRatherThanClosing()
{
    const quint32 rows = m_dictionary->rowCount();
    m_editor->StringGrid1->setCurrentCell(0, 0);
    m_program->reporter.setNextAnswers({Reporter::Answer::No});
    QTest::keyClick(m_editor, Qt::Key_Escape);
    QVERIFY(m_editor->isVisible());
    QCOMPARE(m_program->reporter.messages().size(), 1);
    QCOMPARE(m_program->reporter.messages().first().kind, RecordingReporter::Message::Question);
    QCOMPARE(m_dictionary->rowCount(), rows);
    m_program->reporter.setNextAnswers({Reporter::Answer::Yes});
    QTest::keyClick(m_editor->StringGrid1, Qt::Key_Delete);
    QCOMPARE(m_dictionary->rowCount(), rows - 1);
}

void TestTranslateEditor::fixedColumnProtectsKeys()
{
    m_editor->FixedColCheck->setChecked(true);
    QVERIFY(m_editor->StringGrid1->isColumnHidden(0));
    QCOMPARE(m_editor->StringGrid1->verticalHeaderItem(0)->text(), m_dictionary->text(0, 0));
    m_editor->FixedColCheck->setChecked(false);
    QVERIFY(!m_editor->StringGrid1->isColumnHidden(0));
}

void TestTranslateEditor::showsWhatIsLeftToTranslate()
{
    const int keys = m_dictionary->keyCount();
    QCOMPARE(m_editor->ProgressLabel->text(),
             QStringLiteral("Englisch: 0 von %1 übersetzt    Spanisch: 0 von %1 übersetzt").arg(keys));
    typeInto(rowOf(QStringLiteral("Sprache")), 2, QStringLiteral("Idioma"));
    QVERIFY(m_editor->ProgressLabel->text().endsWith(QStringLiteral("Spanisch: 1 von %1 übersetzt").arg(keys)));
}

void TestTranslateEditor::headingsAreNoKeys()
{
    // The start-up walk over every window must not take the editor's column
    // headings for texts of the program; the grid shows the three languages
    // only, headed in the user's language.
    for (const char *heading : {"German changed", "Espannol", "language4", "language29"})
        QCOMPARE(rowOf(QString::fromLatin1(heading)), -1);
    QTableWidget *grid = m_editor->StringGrid1;
    QCOMPARE(grid->columnCount(), 3);
    QCOMPARE(grid->horizontalHeaderItem(0)->text(), QStringLiteral("Deutscher Text"));
    QCOMPARE(grid->horizontalHeaderItem(2)->text(), QStringLiteral("Spanischer Text"));
    m_dictionary->setText(quint32(rowOf(QStringLiteral("Spanischer Text")) - 1), TranslationDictionary::SpanishColumn,
                          QStringLiteral("Texto en español"));
    SetCurrentLanguage(TranslationDictionary::Spanish);
    m_editor->FillStringGrid();
    SetCurrentLanguage(TranslationDictionary::German);
    QCOMPARE(grid->horizontalHeaderItem(2)->text(), QStringLiteral("Texto en español"));
}

void TestTranslateEditor::gridFollowsKeysAddedWhileOpen()
{
    QTableWidget *grid = m_editor->StringGrid1;
    m_dictionary->TranslateText(QStringLiteral("Ein Text, der eben erst gezeigt wird"));
    QCOMPARE(grid->rowCount(), int(m_dictionary->rowCount()));
    QCOMPARE(grid->item(grid->rowCount() - 1, 0)->text(), QStringLiteral("Ein Text, der eben erst gezeigt wird"));

    // The search asks its question through the dictionary: a new key too.
    m_editor->FilterEdit->setText(QStringLiteral("ausloggen"));
    m_program->reporter.setNextAnswers({Reporter::Answer::No});
    QTest::mouseClick(m_editor->FilterBtn, Qt::LeftButton);
    QCOMPARE(grid->rowCount(), int(m_dictionary->rowCount()));
    for (quint32 r = 0; r < m_dictionary->rowCount(); ++r)
        QCOMPARE(grid->item(int(r), 0)->text(), m_dictionary->text(r, 0));
}

void TestTranslateEditor::escapeInACellRestoresTheTable()
{
    const int row = rowOf(QStringLiteral("Ausloggen"));
    typeInto(row, 1, QStringLiteral("Log out"));
    QCOMPARE(m_dictionary->text(quint32(row - 1), 1), QStringLiteral("Log out"));
    QLineEdit *editor = m_editor->StringGrid1->findChild<QLineEdit *>();
    QTest::keyClick(editor, Qt::Key_Escape);
    QCOMPARE(m_dictionary->text(quint32(row - 1), 1), QString()); // as the grid shows it
    QCOMPARE(m_editor->StringGrid1->item(row - 1, 1)->text(), QString());
    QVERIFY(m_program->reporter.messages().isEmpty()); // no delete question
    QVERIFY(m_editor->isVisible());

    // And the file follows.
    QTRY_VERIFY_WITH_TIMEOUT(!m_editor->Timer1->isActive(), 3000);
    TranslationDictionary reread(m_program->reporter, m_dictionary->filePath());
    reread.BuildTranslationIndex();
    reread.setCurrentLanguage(TranslationDictionary::English);
    QCOMPARE(reread.TranslateText(QStringLiteral("Ausloggen")), QStringLiteral("Ausloggen"));
}

void TestTranslateEditor::deleteQuestionDefaultsToNo()
{
    const quint32 rows = m_dictionary->rowCount();
    m_editor->StringGrid1->setCurrentCell(0, 0);
    QTest::keyClick(m_editor, Qt::Key_Escape);
    QCOMPARE(m_program->reporter.messages().size(), 1);
    QCOMPARE(m_program->reporter.messages().first().buttons, Reporter::Buttons::YesNoCancelDefaultNo);
    QCOMPARE(m_dictionary->rowCount(), rows);

    // On screen, Enter alone answers such a question with No.
    MessageBoxReporter boxes;
    QTimer::singleShot(0, [] {
        whenModal<QMessageBox>([](QMessageBox *box) { QTest::keyClick(box, Qt::Key_Return); });
    });
    QCOMPARE(boxes.question(QStringLiteral("Ausloggen"), QStringLiteral("Zeile löschen"),
                            Reporter::Buttons::YesNoCancelDefaultNo),
             Reporter::Answer::No);
}

void TestTranslateEditor::hiddenExportAndImportKeepTheirPairing()
{
    // Keys with a line break and a letter Windows-1252 lacks, among plain ones,
    // each with English but no Spanish, so that the export lists them.
    const QStringList keys = {QStringLiteral("Erste Zeile\nzweite Zeile"), QStringLiteral("Ausloggen"),
                              QStringLiteral("Baustelle Łódź"), QStringLiteral("Sprache")};
    for (const QString &key : keys)
        m_dictionary->TranslateText(key);
    for (const QString &key : keys)
        m_dictionary->setText(quint32(rowOf(key) - 1), 1, QStringLiteral("en"));
    m_editor->FillStringGrid();

    QTemporaryDir work;
    const QString before = QDir::currentPath();
    QVERIFY(QDir::setCurrent(work.path()));
    m_editor->Button1Click();
    const QStringList exported = QString::fromUtf8(TestFiles::readAll(QStringLiteral("outtrans_Espannol.txt")))
                                     .remove(QChar(0xFEFF))
                                     .split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    QCOMPARE(exported.size(), keys.size());
    // The translator answers line by line.
    QByteArray answers;
    for (const QString &line : exported)
        answers += (QStringLiteral("es: ") + line).toUtf8() + "\r\n";
    TestFiles::writeAll(QStringLiteral("espannol.txt"), QByteArray("\xEF\xBB\xBF") + answers);
    m_editor->Button2Click();
    const QByteArray afterFirst = TestFiles::readAll(m_dictionary->filePath());
    m_editor->Button2Click(); // the same files again change nothing
    QVERIFY(QDir::setCurrent(before));

    for (const QString &key : keys) {
        QString expected = QStringLiteral("es: ") + key;
        expected.replace(QLatin1Char('\n'), QStringLiteral("\\n"));
        QString back;
        QVERIFY(TranslationSource::unescape(expected, &back));
        QCOMPARE(m_dictionary->text(quint32(rowOf(key) - 1), 2), back);
    }
    QCOMPARE(TestFiles::readAll(m_dictionary->filePath()), afterFirst);
}

QTEST_MAIN(TestTranslateEditor)
#include "tst_translateeditor.moc"
