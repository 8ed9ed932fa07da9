#pragma once

#include <QList>
#include <QString>

class QObject;
class QWidget;

// Translates the texts of windows into the current language, once, at the
// first showing of the login window. Every object owned by a root is visited
// once, breadth first; within one owner the children are visited from the
// last to the first, so keys new to the dictionary are appended in that order.
//
// What is translated: the texts of labels, radio buttons, buttons and group
// boxes (with their tool tips), check boxes (tool tip first), menus and menu
// items, the items of combo boxes, the headings of tables and lists, the
// lines of multi-line edits, the texts of line edits, and window titles.
// Password fields and read-only fields are never passed to the dictionary:
// what they hold is a secret or data, not a text of the program.
void TranslateComponents(QWidget *window);
// The application: its windows in the order they were created.
void TranslateComponents(const QList<QWidget *> &windows);

// What a window shows as its title for `caption`, the text of the menu entry
// or button that opens it: without the trailing "..." (or "…") with which the
// entry promises a window, since the window is what was promised.
QString WindowTitle(const QString &caption);
// Gives each of `windows` its title without that ellipsis, in every language
// (after the translation, which looks the caption up as it stands).
void SettleWindowTitles(const QList<QWidget *> &windows);
