#include <QtTest>

#include "evaluation/ReportLineStore.h"

// The result window keeps a report's lines in a ReportLineStore, some handed
// over as text, the record lines as UTF-8; either way the window must read
// back the same lines and size its view by the same longest line.
class TestReportLineStore : public QObject
{
    Q_OBJECT

private slots:
    void utf8LinesReadBackAsText_data();
    void utf8LinesReadBackAsText();
};

void TestReportLineStore::utf8LinesReadBackAsText_data()
{
    QTest::addColumn<QString>("line");
    QTest::newRow("empty") << QString();
    QTest::newRow("ascii") << QStringLiteral("01.02.2024 Müller");
    QTest::newRow("umlauts") << QStringLiteral("Köln, Schloßplatz: Übergabe");
    QTest::newRow("euro sign, three bytes") << QStringLiteral("Auslagen 12 €");
    QTest::newRow("outside the basic plane") << QStringLiteral("Feier \U0001F389 im Büro");
}

void TestReportLineStore::utf8LinesReadBackAsText()
{
    QFETCH(QString, line);
    ReportLineStore asText;
    ReportLineStore asUtf8;
    // Enough lines to fill more than one block.
    for (int i = 0; i < 5000; ++i) {
        const QString numbered = line + QString::number(i);
        asText.append(numbered);
        asUtf8.appendUtf8(numbered.toUtf8());
    }
    QCOMPARE(asUtf8.size(), asText.size());
    QCOMPARE(asUtf8.longestLine(), asText.longestLine());
    for (const qsizetype index : {0, 4095, 4096, 4999})
        QCOMPARE(asUtf8.line(index), line + QString::number(index));
}

QTEST_GUILESS_MAIN(TestReportLineStore)
#include "tst_reportlinestore.moc"
