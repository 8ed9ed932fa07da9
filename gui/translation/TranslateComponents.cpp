#include "TranslateComponents.h"

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTableWidget>
#include <QTreeWidget>

#include "translation/korvald.h"
#include "translation/translateunit.h"

namespace {

QString tr_(const QString &text)
{
    return TranslateText(text);
}

void translateButtonLike(QAbstractButton *button)
{
    button->setText(tr_(button->text()));
    button->setToolTip(tr_(button->toolTip()));
}

void translateComboBox(QComboBox *combo)
{
    for (int i = 0; i < combo->count(); ++i) {
        const int selected = combo->currentIndex();
        combo->setItemText(i, tr_(combo->itemText(i)));
        combo->setCurrentIndex(selected);
    }
}

void translateLines(QPlainTextEdit *memo)
{
    QStringList lines = memo->toPlainText().split(QLatin1Char('\n'));
    if (memo->toPlainText().isEmpty())
        return;
    for (QString &line : lines)
        line = tr_(line);
    memo->setPlainText(lines.join(QLatin1Char('\n')));
}

// What QAction shows as tool tip when none is set: the text without "..."
// and without mnemonic ampersands.
QString strippedText(QString text)
{
    text.remove(QStringLiteral("..."));
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i) == QLatin1Char('&'))
            text.remove(i, 1);
    }
    return text.trimmed();
}

// A line edit that a compound control owns (the edit part of a combo box or
// a date picker) belongs to that control: it is not translated on its own.
bool isPartOfCompound(const QLineEdit *edit)
{
    const QObject *parent = edit->parent();
    return qobject_cast<const QComboBox *>(parent) || qobject_cast<const QAbstractSpinBox *>(parent);
}

// The first matching row of the table in the header decides.
void translateComponent(QObject *component)
{
    if (auto *label = qobject_cast<QLabel *>(component)) {
        label->setText(tr_(label->text()));
    } else if (auto *radio = qobject_cast<QRadioButton *>(component)) {
        radio->setText(tr_(radio->text()));
    } else if (auto *check = qobject_cast<QCheckBox *>(component)) {
        check->setToolTip(tr_(check->toolTip()));
        check->setText(tr_(check->text()));
    } else if (auto *button = qobject_cast<QAbstractButton *>(component)) {
        translateButtonLike(button);
    } else if (auto *group = qobject_cast<QGroupBox *>(component)) {
        group->setTitle(tr_(group->title()));
        group->setToolTip(tr_(group->toolTip()));
    } else if (auto *menu = qobject_cast<QMenu *>(component)) {
        menu->setTitle(tr_(menu->title()));
        menu->setToolTip(tr_(menu->toolTip()));
    } else if (auto *action = qobject_cast<QAction *>(component)) {
        if (action->menu() || action->isSeparator())
            return; // a submenu's own action: its menu carries the text
        // Without a tool tip of its own, an action shows its text without the
        // ellipsis; that is no text of the program's.
        const bool ownToolTip = action->toolTip() != strippedText(action->text());
        action->setText(tr_(action->text()));
        if (ownToolTip)
            action->setToolTip(tr_(action->toolTip()));
    } else if (auto *combo = qobject_cast<QComboBox *>(component)) {
        translateComboBox(combo);
    } else if (auto *grid = qobject_cast<QTableWidget *>(component)) {
        for (int c = 0; c < grid->columnCount(); ++c) {
            if (QTableWidgetItem *heading = grid->horizontalHeaderItem(c))
                heading->setText(tr_(heading->text()));
        }
    } else if (auto *list = qobject_cast<QTreeWidget *>(component)) {
        QTreeWidgetItem *headings = list->headerItem();
        for (int c = 0; c < list->columnCount(); ++c)
            headings->setText(c, tr_(headings->text(c)));
    } else if (auto *memo = qobject_cast<QPlainTextEdit *>(component)) {
        translateLines(memo);
    } else if (auto *edit = qobject_cast<QLineEdit *>(component)) {
        // Read-only fields show data (a directory, say), and password fields
        // a secret: neither is a text of the program, nor goes to the dictionary.
        if (edit->echoMode() == QLineEdit::Normal && !edit->isReadOnly() && !isPartOfCompound(edit))
            edit->setText(tr_(edit->text()));
    } else if (auto *form = qobject_cast<QDialog *>(component)) {
        form->setWindowTitle(tr_(form->windowTitle()));
    }
}

// Breadth first over everything below the owner whose components are
// `components` (in their own order); each owner's components are visited
// from the last to the first. The two work lists are TDynaArrays, as in the
// rest of the dictionary.
void walk(const QList<QObject *> &components)
{
    QObject **queued = nullptr;
    QObject **foundItem = nullptr;
    TDynaArray queue(sizeof(QObject *), reinterpret_cast<void **>(&queued));
    TDynaArray found(sizeof(QObject *), reinterpret_cast<void **>(&foundItem));

    auto visit = [&](const QList<QObject *> &owned) {
        for (qsizetype k = owned.size() - 1; k >= 0; --k) {
            *static_cast<QObject **>(found.Add()) = owned.at(k);
            translateComponent(owned.at(k));
        }
        found.First();
        while (found.WhileNext())
            *static_cast<QObject **>(queue.Add()) = *foundItem;
        found.Clear();
    };

    visit(components);
    while (queue.count > 0) {
        QObject *owner = *static_cast<QObject **>(queue.GetObject(0));
        queue.Delete(0);
        const QObjectList owned = owner->children();
        visit(QList<QObject *>(owned.begin(), owned.end()));
    }
}

} // namespace

void TranslateComponents(QWidget *window)
{
    // A window's own caption comes first, then everything it owns.
    window->setWindowTitle(tr_(window->windowTitle()));
    const QObjectList owned = window->children();
    walk(QList<QObject *>(owned.begin(), owned.end()));
}

void TranslateComponents(const QList<QWidget *> &windows)
{
    walk(QList<QObject *>(windows.begin(), windows.end()));
}

QString WindowTitle(const QString &caption)
{
    QString title = caption;
    if (title.endsWith(QLatin1String("...")))
        title.chop(3);
    else if (title.endsWith(QChar(0x2026)))
        title.chop(1);
    return title.trimmed();
}

void SettleWindowTitles(const QList<QWidget *> &windows)
{
    for (QWidget *window : windows)
        window->setWindowTitle(WindowTitle(window->windowTitle()));
}
