#include "DigitFillEdit.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>

template <class Edit>
DigitFillEdit<Edit>::DigitFillEdit(const QString &displayFormat, QWidget *parent)
    : Edit(parent)
{
    this->setDisplayFormat(displayFormat);
    this->lineEdit()->installEventFilter(this);
}

template <class Edit>
void DigitFillEdit<Edit>::keyPressEvent(QKeyEvent *event)
{
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~(Qt::KeypadModifier | Qt::ShiftModifier);
    if (event->matches(QKeySequence::SelectAll)) {
        Edit::keyPressEvent(event);
        startOver();
        return;
    }
    if (modifiers != Qt::NoModifier) {
        Edit::keyPressEvent(event);
        return;
    }
    const int key = event->key();
    if (key >= Qt::Key_0 && key <= Qt::Key_9) {
        typeDigit(key - Qt::Key_0);
        return;
    }
    if (typeKey(key))
        return;
    if (event->text().isEmpty() || !event->text().at(0).isPrint()) {
        // Tab, Enter, Esc, the arrows up and down, F4: as in any such field.
        Edit::keyPressEvent(event);
        m_typed = 0;
    }
    // Any other character makes no date or time and is dropped.
}

template <class Edit>
bool DigitFillEdit<Edit>::eventFilter(QObject *watched, QEvent *event)
{
    // A click on the text starts a new entry, wherever it lands: the first
    // section shows selected, as that is where the digits will go. The text
    // cursor the line edit would place instead has no part in a picker.
    if (watched == this->lineEdit()) {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
            if (static_cast<QMouseEvent *>(event)->button() != Qt::LeftButton)
                break;
            if (!this->hasFocus())
                this->setFocus(Qt::MouseFocusReason);
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
    return Edit::eventFilter(watched, event);
}

template <class Edit>
bool DigitFillEdit<Edit>::focusNextPrevChild(bool next)
{
    // Tab leaves the field, as it leaves any other: a date-time edit would
    // walk its sections first, and the first is where typing starts anyway.
    return QWidget::focusNextPrevChild(next);
}

template <class Edit>
void DigitFillEdit<Edit>::focusInEvent(QFocusEvent *event)
{
    Edit::focusInEvent(event);
    startOver();
}

template <class Edit>
void DigitFillEdit<Edit>::selectSection(Section section)
{
    this->setCurrentSection(section);
    this->setSelectedSection(section);
}

template class DigitFillEdit<QDateEdit>;
template class DigitFillEdit<QTimeEdit>;
