#include "DateEdit.h"

#include <algorithm>

#include <QList>

namespace {

bool isSeparator(int key)
{
    return key == Qt::Key_Period || key == Qt::Key_Comma || key == Qt::Key_Slash || key == Qt::Key_Minus
        || key == Qt::Key_Space;
}

} // namespace

DateEdit::DateEdit(QWidget *parent)
    : DigitFillEdit(QStringLiteral("dd.MM.yyyy"), parent)
{
}

bool DateEdit::typeKey(int key)
{
    if (isSeparator(key)) {
        // Ends a part typed short ("8.12."); after a part that moved on by
        // itself ("08.") there is nothing to end.
        if (m_typed > 0 && m_filling != YearSection)
            moveTo(m_filling == DaySection ? MonthSection : YearSection);
        else if (m_typed > 0)
            startOver();
    } else if (key == Qt::Key_Backspace || key == Qt::Key_Delete) {
        // The part being filled is typed again.
        m_fresh = false;
        moveTo(m_filling);
    } else if (key == Qt::Key_Left || key == Qt::Key_Right) {
        const QList<Section> order = {DaySection, MonthSection, YearSection};
        const qsizetype at = order.indexOf(m_filling) + (key == Qt::Key_Left ? -1 : 1);
        m_fresh = false;
        moveTo(order.at(std::clamp<qsizetype>(at, 0, order.size() - 1)));
    } else {
        return false;
    }
    return true;
}

void DateEdit::typeDigit(int digit)
{
    if (m_fresh) {
        m_fresh = false;
        m_filling = DaySection;
        m_typed = 0;
    }
    if (m_typed == 0) {
        // The parts not typed keep what the field shows; a day typed before
        // stays as typed, though the month shown so far may lack it.
        const QDate shown = date();
        m_month = shown.month();
        m_year = shown.year();
        if (!m_dayTyped)
            m_day = shown.day();
    }
    switch (m_filling) {
    case DaySection: typeDay(digit); break;
    case MonthSection: typeMonth(digit); break;
    default: typeYear(digit); break;
    }
}

void DateEdit::typeDay(int digit)
{
    const int day = m_typed == 0 ? digit : m_day * 10 + digit;
    if (day > 31) {
        // "45" is no day: the 4 stays, the 5 begins the month.
        moveTo(MonthSection);
        typeDigit(digit);
        return;
    }
    m_day = day;
    m_dayTyped = true;
    showTyped(DaySection);
    if (++m_typed == 2 || digit > 3)
        moveTo(MonthSection);
}

void DateEdit::typeMonth(int digit)
{
    const int month = m_typed == 0 ? digit : m_month * 10 + digit;
    if (month > 12) {
        moveTo(YearSection);
        typeDigit(digit);
        return;
    }
    m_month = month;
    showTyped(MonthSection);
    if (++m_typed == 2 || digit > 1)
        moveTo(YearSection);
}

void DateEdit::typeYear(int digit)
{
    m_yearDigits = m_typed == 0 ? digit : m_yearDigits * 10 + digit;
    ++m_typed;
    // Two digits stand for this century until the other two follow.
    if (m_typed <= 2)
        m_year = 2000 + m_yearDigits;
    else if (m_typed == 4 && m_yearDigits > 0)
        m_year = m_yearDigits;
    showTyped(YearSection);
    if (m_typed == 4)
        startOver();
}

void DateEdit::moveTo(Section section)
{
    m_filling = section;
    m_typed = 0;
    selectSection(section);
}

void DateEdit::startOver()
{
    m_fresh = true;
    m_filling = DaySection;
    m_typed = 0;
    m_dayTyped = false;
    selectSection(DaySection);
}

void DateEdit::showTyped(Section section)
{
    const int month = std::clamp(m_month, 1, 12);
    const int day = std::clamp(m_day, 1, QDate(m_year, month, 1).daysInMonth());
    setDate(QDate(m_year, month, day));
    selectSection(section);
}
