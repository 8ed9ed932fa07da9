#include "TimeEdit.h"

#include <QTime>

TimeEdit::TimeEdit(QWidget *parent)
    : DigitFillEdit(QStringLiteral("HH:mm"), parent)
{
}

bool TimeEdit::typeKey(int key)
{
    if (key == Qt::Key_Colon || key == Qt::Key_Period || key == Qt::Key_Comma || key == Qt::Key_Space) {
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
    } else {
        return false;
    }
    return true;
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

void TimeEdit::setTyped(int hour, int minute, Section section)
{
    setTime(QTime(hour, minute));
    selectSection(section);
}
