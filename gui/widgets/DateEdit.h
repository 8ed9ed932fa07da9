#pragma once

#include "DigitFillEdit.h"

// A date field (DD.MM.YYYY) that takes typed digits as the time fields do:
// after a click, Tab or select-all, the digits fill the day, then the month,
// then the year, wherever the click landed; "08122026" and "08.12.2026" both
// give 08.12.2026. A plain date edit would put them at the text cursor, where
// they mostly make no date and are dropped: the date would stay as it was and
// a booking land on the wrong day.
class DateEdit : public DigitFillEdit<QDateEdit>
{
    Q_OBJECT

public:
    explicit DateEdit(QWidget *parent = nullptr);

protected:
    void typeDigit(int digit) override;
    bool typeKey(int key) override;
    void startOver() override;

private:
    void typeDay(int digit);
    void typeMonth(int digit);
    void typeYear(int digit);
    void moveTo(Section section);
    // Shows the parts typed so far; a day the month lacks shows as its last.
    void showTyped(Section section);

    // The section digits go to.
    Section m_filling = DaySection;
    // The parts as typed: the day may be one the month shown so far lacks.
    int m_day = 1;
    int m_month = 1;
    int m_year = 2000;
    int m_yearDigits = 0;
    bool m_dayTyped = false;
};
