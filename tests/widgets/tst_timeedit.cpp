#include <QApplication>
#include <QLineEdit>
#include <QVBoxLayout>
#include <QtTest>

#include "gui/widgets/TimeEdit.h"

// The time field takes typed digits as a time picker does, wherever the
// click that put the focus there landed.
class TestTimeEdit : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void typedAfterClick_data();
    void typedAfterClick();
    void selectAllAndType();
    void tabInAndType();
    void arrowsAndBackspace();

private:
    // Clicks the text at `where` (0 the left edge, 1 the right edge).
    void clickAt(TimeEdit *edit, double where);
    QWidget *focused() const { return QApplication::focusWidget(); }

    std::unique_ptr<QWidget> m_window;
    TimeEdit *m_edit = nullptr;
    TimeEdit *m_other = nullptr;
};

void TestTimeEdit::init()
{
    m_window = std::make_unique<QWidget>();
    auto *layout = new QVBoxLayout(m_window.get());
    m_other = new TimeEdit(m_window.get());
    m_other->setObjectName(QStringLiteral("other"));
    m_edit = new TimeEdit(m_window.get());
    m_edit->setObjectName(QStringLiteral("edit"));
    m_edit->setMinimumWidth(120);
    layout->addWidget(m_other);
    layout->addWidget(m_edit);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    m_other->setFocus();
}

void TestTimeEdit::cleanup()
{
    m_window.reset();
}

void TestTimeEdit::clickAt(TimeEdit *edit, double where)
{
    auto *text = edit->findChild<QLineEdit *>();
    QVERIFY(text);
    const QPoint point(qBound(1, int(where * text->width()), text->width() - 2), text->height() / 2);
    QTest::mouseClick(text, Qt::LeftButton, Qt::NoModifier, point);
    QCOMPARE(focused(), edit);
}

void TestTimeEdit::typedAfterClick_data()
{
    QTest::addColumn<QTime>("before");
    QTest::addColumn<double>("where");
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QTime>("after");
    const QTime zero(0, 0);
    const QTime ten(10, 0);
    QTest::newRow("left edge") << zero << 0.0 << QStringLiteral("1000") << ten;
    QTest::newRow("inside the hour") << zero << 0.1 << QStringLiteral("1000") << ten;
    QTest::newRow("on the colon") << zero << 0.17 << QStringLiteral("1000") << ten;
    QTest::newRow("inside the minutes") << zero << 0.25 << QStringLiteral("1000") << ten;
    QTest::newRow("right of the text") << zero << 1.0 << QStringLiteral("1000") << ten;
    QTest::newRow("over an earlier time") << QTime(8, 45) << 0.25 << QStringLiteral("1000") << ten;
    QTest::newRow("with a colon") << zero << 0.5 << QStringLiteral("10:00") << ten;
    QTest::newRow("one-digit hour") << zero << 0.5 << QStringLiteral("930") << QTime(9, 30);
    QTest::newRow("one-digit hour and colon") << zero << 0.5 << QStringLiteral("7:05") << QTime(7, 5);
    QTest::newRow("last minute of the day") << zero << 0.5 << QStringLiteral("2359") << QTime(23, 59);
    QTest::newRow("hour only") << QTime(8, 45) << 0.5 << QStringLiteral("14") << QTime(14, 0);
    QTest::newRow("no hour 25: the 5 goes to the minutes") << zero << 0.5 << QStringLiteral("253") << QTime(2, 53);
    QTest::newRow("a second time replaces the first") << zero << 0.5 << QStringLiteral("08001215") << QTime(12, 15);
    QTest::newRow("letters are dropped") << zero << 0.5 << QStringLiteral("1a0x00") << ten;
}

void TestTimeEdit::typedAfterClick()
{
    QFETCH(QTime, before);
    QFETCH(double, where);
    QFETCH(QString, keys);
    QFETCH(QTime, after);
    m_edit->setTime(before);
    clickAt(m_edit, where);
    QTest::keyClicks(focused(), keys);
    QCOMPARE(m_edit->time(), after);
    // Clicked again, somewhere else, the next time starts at the hour again.
    clickAt(m_edit, 1.0 - where);
    QTest::keyClicks(focused(), QStringLiteral("1130"));
    QCOMPARE(m_edit->time(), QTime(11, 30));
}

void TestTimeEdit::selectAllAndType()
{
    m_edit->setTime(QTime(7, 15));
    clickAt(m_edit, 0.9);
    QTest::keyClick(focused(), Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(focused(), QStringLiteral("10:00"));
    QCOMPARE(m_edit->time(), QTime(10, 0));
    QCOMPARE(m_edit->text(), QStringLiteral("10:00"));
}

void TestTimeEdit::tabInAndType()
{
    m_other->setTime(QTime(6, 0));
    clickAt(m_other, 0.8);
    QTest::keyClicks(focused(), QStringLiteral("0800"));
    QTest::keyClick(focused(), Qt::Key_Tab);
    QCOMPARE(focused(), m_edit);
    QTest::keyClicks(focused(), QStringLiteral("1630"));
    QCOMPARE(m_other->time(), QTime(8, 0));
    QCOMPARE(m_edit->time(), QTime(16, 30));
}

void TestTimeEdit::arrowsAndBackspace()
{
    m_edit->setTime(QTime(8, 0));
    clickAt(m_edit, 0.5);
    // Right to the minutes, which take the digits alone.
    QTest::keyClick(focused(), Qt::Key_Right);
    QTest::keyClicks(focused(), QStringLiteral("45"));
    QCOMPARE(m_edit->time(), QTime(8, 45));
    // Left to the hour, which takes them without touching the minutes.
    QTest::keyClick(focused(), Qt::Key_Left);
    QTest::keyClicks(focused(), QStringLiteral("09"));
    QCOMPARE(m_edit->time(), QTime(9, 45));
    // The arrow up steps the section being filled: now the minutes.
    QTest::keyClick(focused(), Qt::Key_Up);
    QCOMPARE(m_edit->time(), QTime(9, 46));
    // Backspace empties the hour to be typed again.
    QTest::keyClick(focused(), Qt::Key_Left);
    QTest::keyClick(focused(), Qt::Key_Backspace);
    QCOMPARE(m_edit->time(), QTime(0, 46));
    QTest::keyClicks(focused(), QStringLiteral("7"));
    QCOMPARE(m_edit->time(), QTime(7, 46));
}

QTEST_MAIN(TestTimeEdit)
#include "tst_timeedit.moc"
