#pragma once

#include <QTimeEdit>

// A time field (HH:MM) that takes typed digits as a time picker does: after
// a click, Tab or select-all, the digits fill the hour and then move on to
// the minutes, wherever the click landed; "1000" and "10:00" both give 10:00.
// A plain spin box would insert them at the text cursor instead, where they
// mostly make no valid time and are dropped.
class TimeEdit : public QTimeEdit
{
    Q_OBJECT

public:
    explicit TimeEdit(QWidget *parent = nullptr);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    bool focusNextPrevChild(bool next) override;
    void focusInEvent(QFocusEvent *event) override;

private:
    void typeDigit(int digit);
    void toMinutes();
    void startOver();
    void selectSection(Section section);
    void setTyped(int hour, int minute, Section section);

    // The next digit begins a new time at the hour.
    bool m_fresh = true;
    // The section digits go to, and how many went there so far.
    Section m_filling = HourSection;
    int m_typed = 0;
};
