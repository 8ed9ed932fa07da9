#include "TimeEdit.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>

TimeEdit::TimeEdit(QWidget *parent)
    : QTimeEdit(parent)
{
    setDisplayFormat(QStringLiteral("HH:mm"));
    lineEdit()->installEventFilter(this);
}

void TimeEdit::keyPressEvent(QKeyEvent *event)
{
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~(Qt::KeypadModifier | Qt::ShiftModifier);
    if (event->matches(QKeySequence::SelectAll)) {
        QTimeEdit::keyPressEvent(event);
        startOver();
        return;
    }
    if (modifiers != Qt::NoModifier) {
        QTimeEdit::keyPressEvent(event);
        return;
    }
    const int key = event->key();
    if (key >= Qt::Key_0 && key <= Qt::Key_9) {
        typeDigit(key - Qt::Key_0);
    } else if (key == Qt::Key_Colon || key == Qt::Key_Period || key == Qt::Key_Comma || key == Qt::Key_Space) {
        if (m_filling == HourSection)
            toMinutes();
    } else if (key == Qt::Key_Backspace || key == Qt::Key_Delete) {
        // Empties the section being filled, to be typed again.
        const QTime now = time();
        m_fresh = false;
        m_typed = 0;
        setTyped(m_filling == HourSection ? 0 : now.hour(), m_filling == HourSection ? now.minute() : 0, m_filling);
    } else if (key == Qt::Key_Left || key == Qt::Key_Right) {
        m_fresh = false;
        m_typed = 0;
        m_filling = key == Qt::Key_Left ? HourSection : MinuteSection;
        selectSection(m_filling);
    } else if (event->text().isEmpty() || !event->text().at(0).isPrint()) {
        // Tab, Enter, Esc, the arrows up and down: as in any spin box.
        QTimeEdit::keyPressEvent(event);
        m_typed = 0;
    }
    // Any other character makes no time and is dropped.
}

bool TimeEdit::eventFilter(QObject *watched, QEvent *event)
{
    // A click on the text starts a new time, wherever it lands: the hour
    // shows selected, as that is where the digits will go. The text cursor
    // the line edit would place instead has no part in a time picker.
    if (watched == lineEdit()) {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
            if (static_cast<QMouseEvent *>(event)->button() != Qt::LeftButton)
                break;
            if (!hasFocus())
                setFocus(Qt::MouseFocusReason);
            startOver();
            return true;
        case QEvent::MouseMove:
        case QEvent::MouseButtonRelease:
            if (static_cast<QMouseEvent *>(event)->buttons() & Qt::LeftButton
                || static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton)
                return true;
            break;
        default:
            break;
        }
    }
    return QTimeEdit::eventFilter(watched, event);
}

bool TimeEdit::focusNextPrevChild(bool next)
{
    // Tab leaves the field, as it leaves any other: a date-time edit would
    // walk its sections first, and the hour is where typing starts anyway.
    return QWidget::focusNextPrevChild(next);
}

void TimeEdit::focusInEvent(QFocusEvent *event)
{
    QTimeEdit::focusInEvent(event);
    startOver();
}

void TimeEdit::typeDigit(int digit)
{
    if (m_fresh) {
        m_fresh = false;
        m_filling = HourSection;
        m_typed = 0;
        setTyped(0, 0, HourSection);
    }
    const QTime now = time();
    if (m_filling == HourSection) {
        const int hour = m_typed == 0 ? digit : now.hour() * 10 + digit;
        if (hour > 23) {
            // "25" is no hour: the 2 stays, the 5 begins the minutes.
            toMinutes();
            typeDigit(digit);
            return;
        }
        setTyped(hour, now.minute(), HourSection);
        if (++m_typed == 2 || digit > 2)
            toMinutes();
        return;
    }
    const int minute = m_typed == 0 ? digit : now.minute() * 10 + digit;
    setTyped(now.hour(), minute, MinuteSection);
    if (++m_typed == 2 || digit > 5)
        startOver();
}

void TimeEdit::toMinutes()
{
    m_fresh = false;
    m_filling = MinuteSection;
    m_typed = 0;
    selectSection(MinuteSection);
}

void TimeEdit::startOver()
{
    m_fresh = true;
    m_filling = HourSection;
    m_typed = 0;
    selectSection(HourSection);
}

void TimeEdit::selectSection(Section section)
{
    // Current for the arrow keys and the wheel, selected for the eye.
    setCurrentSection(section);
    setSelectedSection(section);
}

void TimeEdit::setTyped(int hour, int minute, Section section)
{
    setTime(QTime(hour, minute));
    selectSection(section);
}
