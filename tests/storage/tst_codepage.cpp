#include <QtTest>

#include "storage/CodePage.h"

class TestCodePage : public QObject
{
    Q_OBJECT

private slots:
    void windows1252_data();
    void windows1252();
    void everyByteRoundTrips_data();
    void everyByteRoundTrips();
    void utf8MatchesDecodedText_data();
    void utf8MatchesDecodedText();
    void languageDrivers_data();
    void languageDrivers();
    void gateThroughAnsi();
    void upperCaseKeepsSingleBytes_data();
    void upperCaseKeepsSingleBytes();
};

void TestCodePage::windows1252_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("umlauts") << QStringLiteral("ÄÖÜäöüß") << QByteArray("\xC4\xD6\xDC\xE4\xF6\xFC\xDF");
    QTest::newRow("euro and dash") << QStringLiteral("€–") << QByteArray("\x80\x96");
    QTest::newRow("lacking becomes ?") << QStringLiteral("aŁb") << QByteArray("a?b");
    QTest::newRow("surrogate pair is one ?") << QStringLiteral("x\U0001F600y") << QByteArray("x?y");
}

void TestCodePage::windows1252()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    const CodePage &page = CodePage::windows1252();
    QCOMPARE(page.encode(text), bytes);
    if (!bytes.contains('?'))
        QCOMPARE(page.decode(bytes.constData(), bytes.size()), text);
}

void TestCodePage::everyByteRoundTrips_data()
{
    QTest::addColumn<int>("number");
    for (int number : {437, 850, 852, 866, 1250, 1251, 1252})
        QTest::newRow(qPrintable(QString::number(number))) << number;
}

void TestCodePage::everyByteRoundTrips()
{
    QFETCH(int, number);
    const CodePage &page = CodePage::byNumber(number);
    QCOMPARE(page.number(), number);
    QByteArray all(256, '\0');
    for (int b = 0; b < 256; ++b)
        all[b] = char(b);
    QCOMPARE(page.encode(page.decode(all.constData(), all.size())), all);
}

void TestCodePage::utf8MatchesDecodedText_data()
{
    everyByteRoundTrips_data();
}

// The direct UTF-8 path must say exactly what decoding and encoding say: at
// every byte, inside ASCII runs of eight and beside them.
void TestCodePage::utf8MatchesDecodedText()
{
    QFETCH(int, number);
    const CodePage &page = CodePage::byNumber(number);
    QByteArray all(256, '\0');
    for (int b = 0; b < 256; ++b)
        all[b] = char(b);
    const QByteArray mixed = QByteArray("Halle 2, Lager ") + all.mid(128, 9) + QByteArray("12345678") + all.mid(200, 3);
    for (const QByteArray &bytes : {all, mixed, QByteArray("abcdefgh"), QByteArray()}) {
        QByteArray utf8(bytes.size() * CodePage::Utf8BytesPerByte, Qt::Uninitialized);
        const char *end = page.toUtf8(bytes.constData(), bytes.size(), utf8.data());
        utf8.truncate(end - utf8.constData());
        QCOMPARE(utf8, page.decode(bytes.constData(), bytes.size()).toUtf8());
    }
}

void TestCodePage::languageDrivers_data()
{
    QTest::addColumn<int>("id");
    QTest::addColumn<int>("number");
    QTest::newRow("none") << 0x00 << 0;
    QTest::newRow("DOS USA") << 0x01 << 437;
    QTest::newRow("DOS multilingual") << 0x02 << 850;
    QTest::newRow("Windows ANSI") << 0x03 << 1252;
    QTest::newRow("German OEM") << 0x0F << 437;
    QTest::newRow("ANSI 0x57") << 0x57 << 1252;
    QTest::newRow("Eastern European ANSI") << 0xC8 << 1250;
    QTest::newRow("Russian ANSI") << 0xC9 << 1251;
    QTest::newRow("unknown") << 0xEE << 0;
}

void TestCodePage::languageDrivers()
{
    QFETCH(int, id);
    QFETCH(int, number);
    QCOMPARE(CodePage::numberForLanguageDriver(quint8(id)), number);
}

void TestCodePage::gateThroughAnsi()
{
    // Code page 437 has box drawing characters that Windows-1252 lacks: text
    // goes through the program's own code page first, so they become '?'.
    const CodePage &dos = CodePage::byNumber(437);
    char out[4];
    const QString text = QStringLiteral("ü╗ä");
    QCOMPARE(dos.encode(text, out, 4, nullptr), 3);
    QCOMPARE(QByteArray(out, 3), QByteArray("\x81\xBB\x84"));
    QCOMPARE(dos.encode(text, out, 4, &CodePage::windows1252()), 3);
    QCOMPARE(QByteArray(out, 3), QByteArray("\x81?\x84"));
}

void TestCodePage::upperCaseKeepsSingleBytes_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("upper");
    QTest::newRow("umlaut") << QStringLiteral("Tätigkeit") << QStringLiteral("TÄTIGKEIT");
    QTest::newRow("sharp s stays") << QStringLiteral("Maß") << QStringLiteral("MAß");
    QTest::newRow("micro stays") << QStringLiteral("µm") << QStringLiteral("µM");
    QTest::newRow("y diaeresis") << QStringLiteral("ÿ") << QStringLiteral("Ÿ");
}

void TestCodePage::upperCaseKeepsSingleBytes()
{
    QFETCH(QString, text);
    QFETCH(QString, upper);
    QCOMPARE(CodePage::windows1252().toUpper(text), upper);
}

QTEST_GUILESS_MAIN(TestCodePage)
#include "tst_codepage.moc"
