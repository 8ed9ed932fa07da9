#pragma once

#include <QDateEdit>

// A date field (DD.MM.YYYY) that takes typed digits as the time fields do:
// after a click, Tab or select-all, the digits fill the day, then the month,
// then the year, wherever the click landed; "08122026" and "08.12.2026" both
// give 08.12.2026. A plain date edit would put them at the text cursor, where
// they mostly make no date and are dropped: the date would stay as it was and
// a booking land on the wrong day.
class DateEdit : public QDateEdit
{
    Q_OBJECT

public:
    explicit DateEdit(QWidget *parent = nullptr);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    bool focusNextPrevChild(bool next) override;
    void focusInEvent(QFocusEvent *event) override;

private:
    void typeDigit(int digit);
    void typeDay(int digit);
    void typeMonth(int digit);
    void typeYear(int digit);
    void moveTo(Section section);
    void startOver();
    void selectSection(Section section);
    // Shows the parts typed so far; a day the month lacks shows as its last.
    void showTyped(Section section);

    // The next digit begins a new date at the day.
    bool m_fresh = true;
    // The section digits go to, and how many went there so far.
    Section m_filling = DaySection;
    int m_typed = 0;
    // The parts as typed: the day may be one the month shown so far lacks.
    int m_day = 1;
    int m_month = 1;
    int m_year = 2000;
    int m_yearDigits = 0;
    bool m_dayTyped = false;
};
