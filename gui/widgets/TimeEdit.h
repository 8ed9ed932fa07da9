#pragma once

#include "DigitFillEdit.h"

// A time field (HH:MM) that takes typed digits as a time picker does: after
// a click, Tab or select-all, the digits fill the hour and then move on to
// the minutes, wherever the click landed; "1000" and "10:00" both give 10:00.
// A plain spin box would insert them at the text cursor instead, where they
// mostly make no valid time and are dropped.
class TimeEdit : public DigitFillEdit<QTimeEdit>
{
    Q_OBJECT

public:
    explicit TimeEdit(QWidget *parent = nullptr);

protected:
    void typeDigit(int digit) override;
    bool typeKey(int key) override;
    void startOver() override;

private:
    void toMinutes();
    void setTyped(int hour, int minute, Section section);

    // The section digits go to.
    Section m_filling = HourSection;
};
