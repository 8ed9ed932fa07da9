#pragma once

#include <QDateEdit>
#include <QTimeEdit>

class QEvent;
class QFocusEvent;
class QKeyEvent;
class QObject;

// What the date and the time field share: digits typed go to the field's
// sections one after the other (the derived field decides how), never to the
// text cursor; a click on the text, Tab or select-all starts a new entry at
// the first section, and Tab leaves the field rather than walking its
// sections. `Edit` is QDateEdit or QTimeEdit, so that each field stays one of
// those for the code that takes it as such (the two are instantiated in the
// .cpp file).
template <class Edit>
class DigitFillEdit : public Edit
{
public:
    using Section = typename Edit::Section;

protected:
    DigitFillEdit(const QString &displayFormat, QWidget *parent);

    void keyPressEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    bool focusNextPrevChild(bool next) override;
    void focusInEvent(QFocusEvent *event) override;

    // A digit, for the section being filled.
    virtual void typeDigit(int digit) = 0;
    // A key of the field's own that is no digit (separators, Backspace and
    // Delete, the arrows left and right); false when it is none of those.
    virtual bool typeKey(int key) = 0;
    // The next digit begins a new entry at the first section, shown selected.
    virtual void startOver() = 0;
    // Makes `section` current (for the arrow keys and the wheel) and selected.
    void selectSection(Section section);

    // The next digit begins a new entry.
    bool m_fresh = true;
    // Digits typed into the section being filled so far.
    int m_typed = 0;
};

extern template class DigitFillEdit<QDateEdit>;
extern template class DigitFillEdit<QTimeEdit>;
