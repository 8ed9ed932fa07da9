#include <QBuffer>
#include <QTemporaryDir>
#include <QtTest>

#include "base/WholeFileSave.h"
#include "storage/UserListStore.h"
#include "support/TestFiles.h"

using TestFiles::le32;

namespace {

QByteArray ansi(const QByteArray &bytes)
{
    return le32(quint32(bytes.size())) + bytes;
}

QByteArray wide(const QByteArray &latin1)
{
    QByteArray bytes = le32(quint32(latin1.size()));
    for (char c : latin1) {
        bytes += c;
        bytes += '\0';
    }
    return bytes;
}

// The file of two users and all ten items, byte for byte from the layout.
QByteArray fullFile()
{
    return le32(2)                                                  // 1: N
           + ansi("M\xFCller") + ansi("jm") + ansi("efg")           // 2: password "abc" raised by 4
           + ansi("M\xFCller") + ansi("jm") + ansi("678")           //    same name, password "234"
           + ansi("geheim")                                         // 3: clear
           + ansi("kilimq")                                         // 4: "geheim" raised by 4
           + QByteArray(1, '\x01')                                  // 5
           + le32(1) + wide("Bonn\r\nK\xF6ln") + wide("Malen")      // 6-8
           + le32(0)                                                // 9
           + QByteArray(1, '\x01');                                 // 10
}

UserListData fullData()
{
    UserListData data;
    data.users = {{QStringLiteral("Müller"), QStringLiteral("jm"), QStringLiteral("abc")},
                  {QStringLiteral("Müller"), QStringLiteral("jm"), QStringLiteral("234")}};
    data.adminPassword = QStringLiteral("geheim");
    data.adminPasswordRepeat = QStringLiteral("geheim");
    data.employeesMayCorrect = true;
    data.placesFixed = true;
    data.placeTexts = QStringLiteral("Bonn\r\nKöln");
    data.activityTexts = QStringLiteral("Malen");
    data.activitiesFixed = false;
    data.listBreakTime = true;
    return data;
}

// Where item n of fullFile() ends, for n = 5..10.
int endOfItem(int n)
{
    const int wideTexts = 24 + 14; // items 7 and 8
    const int total = int(fullFile().size());
    const int afterItem5 = total - 1 - 4 - wideTexts - 4;
    switch (n) {
    case 5: return afterItem5;
    case 6: return afterItem5 + 4;
    case 8: return afterItem5 + 4 + wideTexts;
    case 9: return afterItem5 + 4 + wideTexts + 4;
    default: return total;
    }
}

UserListStore::LoadResult readBytes(const QByteArray &bytes, UserListData &data)
{
    QByteArray copy = bytes;
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    return UserListStore::read(&buffer, data);
}

// Values that differ from everything the files in these tests hold, to see
// which items a load leaves alone.
UserListData sentinelData()
{
    UserListData data;
    data.users = {{QStringLiteral("Alt"), QStringLiteral("alt"), QStringLiteral("alt")}};
    data.placesFixed = true;
    data.placeTexts = QStringLiteral("vorher");
    data.activityTexts = QStringLiteral("vorher");
    data.activitiesFixed = true;
    data.listBreakTime = true;
    return data;
}

} // namespace

class TestUserListStore : public QObject
{
    Q_OBJECT

private slots:
    void writesTheLayoutExactly();
    void wholeFileSaveTriesTheReplaceAgain_data();
    void wholeFileSaveTriesTheReplaceAgain();
    void readsEveryItem();
    void emptyListRoundTrip();
    void olderFilesKeepLaterItems_data();
    void olderFilesKeepLaterItems();
    void damagedFiles_data();
    void damagedFiles();
    void missingFileChangesNothing();
    void saveReplacesWholeFile();
    void whatTheFileCanHold_data();
    void whatTheFileCanHold();
};

void TestUserListStore::writesTheLayoutExactly()
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    UserListStore::write(&buffer, fullData());
    QCOMPARE(buffer.data(), fullFile());
}

void TestUserListStore::readsEveryItem()
{
    UserListData data = sentinelData();
    QCOMPARE(readBytes(fullFile(), data), UserListStore::LoadResult::Loaded);
    QCOMPARE(data.users, fullData().users);
    QVERIFY(data == fullData());
}

void TestUserListStore::emptyListRoundTrip()
{
    UserListData empty;
    QBuffer buffer;
    buffer.open(QIODevice::ReadWrite);
    UserListStore::write(&buffer, empty);
    QVERIFY(buffer.data().startsWith(le32(0) + le32(0) + le32(0) + QByteArray(1, '\0')));
    UserListData data = sentinelData();
    QCOMPARE(readBytes(buffer.data(), data), UserListStore::LoadResult::Loaded);
    QVERIFY(data == empty);
}

void TestUserListStore::olderFilesKeepLaterItems_data()
{
    QTest::addColumn<int>("items");
    QTest::newRow("ends after item 5") << 5;
    QTest::newRow("ends after item 8") << 8;
    QTest::newRow("ends after item 9") << 9;
}

void TestUserListStore::olderFilesKeepLaterItems()
{
    QFETCH(int, items);
    UserListData data = sentinelData();
    QCOMPARE(readBytes(fullFile().left(endOfItem(items)), data), UserListStore::LoadResult::Loaded);
    QCOMPARE(data.users, fullData().users);
    QVERIFY(data.employeesMayCorrect);
    const UserListData before = sentinelData();
    QCOMPARE(data.placeTexts, items >= 8 ? fullData().placeTexts : before.placeTexts);
    QCOMPARE(data.activitiesFixed, items >= 9 ? fullData().activitiesFixed : before.activitiesFixed);
    QCOMPARE(data.listBreakTime, before.listBreakTime);
}

void TestUserListStore::damagedFiles_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("usersKept");
    const QByteArray full = fullFile();
    QTest::newRow("two billion users") << (le32(2000000000u) + full.mid(4)) << 2;
    QTest::newRow("negative count") << (le32(0xFFFFFFFFu) + full.mid(4)) << 1; // nothing read: the old rows stay
    QTest::newRow("cut inside the second user") << full.left(4 + 13 + 6 + 7 + 13 + 3) << 1;
    QTest::newRow("ends after item 6") << full.left(endOfItem(6)) << 2;
    QTest::newRow("ends inside item 7") << full.left(endOfItem(6) + 9) << 2;
    QTest::newRow("a name longer than the file") << (le32(1) + le32(5000) + "abc") << 0;
    QTest::newRow("empty file") << QByteArray() << 1;
}

void TestUserListStore::damagedFiles()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, usersKept);
    UserListData data = sentinelData();
    QCOMPARE(readBytes(bytes, data), UserListStore::LoadResult::Damaged);
    QCOMPARE(data.users.size(), usersKept);
    if (usersKept == 2)
        QCOMPARE(data.users, fullData().users);
}

void TestUserListStore::missingFileChangesNothing()
{
    QTemporaryDir dir;
    UserListData data = sentinelData();
    QCOMPARE(UserListStore::load(dir.filePath(QStringLiteral("benutzer.dat")), data), UserListStore::LoadResult::Missing);
    QVERIFY(data == sentinelData());
}

void TestUserListStore::saveReplacesWholeFile()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("benutzer.dat"));
    QVERIFY(TestFiles::writeAll(path, QByteArray(5000, 'x')));
    QVERIFY(UserListStore::save(path, fullData()));
    QCOMPARE(TestFiles::readAll(path), fullFile());
    QVERIFY(!UserListStore::save(dir.filePath(QStringLiteral("missing/benutzer.dat")), fullData()));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("benutzer.dat")});
}

void TestUserListStore::whatTheFileCanHold_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("asName");
    QTest::addColumn<bool>("asPassword");
    QTest::newRow("plain") << QStringLiteral("abc") << true << true;
    QTest::newRow("umlauts") << QStringLiteral("Käthe Größer") << true << true;
    QTest::newRow("u umlaut") << QStringLiteral("Jürgen") << true << false; // U+0100 after the shift
    QTest::newRow("euro sign") << QStringLiteral("€") << true << false;  // U+20B0 after the shift
    QTest::newRow("y diaeresis") << QStringLiteral("ÿ") << true << false; // U+0103 after the shift
    QTest::newRow("bar") << QStringLiteral("|") << true << false;         // U+0080 after the shift
    QTest::newRow("brace") << QStringLiteral("}") << true << true;        // U+0081, kept as byte 0x81
    QTest::newRow("Polish") << QStringLiteral("Łódź") << false << false;
}

void TestUserListStore::whatTheFileCanHold()
{
    QFETCH(QString, text);
    QFETCH(bool, asName);
    QFETCH(bool, asPassword);
    QCOMPARE(UserListStore::canStoreName(text), asName);
    QCOMPARE(UserListStore::canStorePassword(text), asPassword);
    if (asPassword) {
        UserListData data;
        data.users = {{QStringLiteral("x"), QStringLiteral("y"), text}};
        QBuffer buffer;
        buffer.open(QIODevice::ReadWrite);
        UserListStore::write(&buffer, data);
        UserListData back;
        QCOMPARE(readBytes(buffer.data(), back), UserListStore::LoadResult::Loaded);
        QCOMPARE(back.users.first().password, text);
    }
}

// benutzer.dat, options.dat, abschluss.dat and translate.dat are saved
// whole. While another process holds the old file open (a sharing violation
// on Windows), moving the new one over it fails: it is tried again for a
// while, and only a failure that lasts is reported.
void TestUserListStore::wholeFileSaveTriesTheReplaceAgain_data()
{
    QTest::addColumn<int>("heldFor");     // failed replaces before the file is free; -1: for good
    QTest::addColumn<bool>("replaceFails"); // false: the writing itself fails
    QTest::addColumn<bool>("saved");
    QTest::newRow("free at once") << 0 << true << true;
    QTest::newRow("held for a moment") << 3 << true << true;
    QTest::newRow("held for good") << -1 << true << false;
    QTest::newRow("disk full: not tried again") << -1 << false << false;
}

void TestUserListStore::wholeFileSaveTriesTheReplaceAgain()
{
    QFETCH(int, heldFor);
    QFETCH(bool, replaceFails);
    QFETCH(bool, saved);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("benutzer.dat"));
    QVERIFY(TestFiles::writeAll(path, "old"));
    int attempts = 0;
    const auto attempt = [&](const QString &target, const QByteArray &bytes) {
        ++attempts;
        if (heldFor < 0 || attempts <= heldFor)
            return WholeFileSave::Attempt{false, replaceFails, QStringLiteral("held by another process")};
        return WholeFileSave::saveOnce(target, bytes);
    };
    QString error;
    QCOMPARE(WholeFileSave::save(path, "new", &error, std::chrono::milliseconds(400), attempt), saved);
    QCOMPARE(TestFiles::readAll(path), saved ? QByteArray("new") : QByteArray("old"));
    QCOMPARE(error, saved ? QString() : QStringLiteral("held by another process"));
    if (saved)
        QCOMPARE(attempts, heldFor + 1);
    else if (replaceFails)
        QVERIFY(attempts > 1);
    else
        QCOMPARE(attempts, 1);
}

QTEST_GUILESS_MAIN(TestUserListStore)
#include "tst_userliststore.moc"
