#pragma once

#include <QWidget>

class QLineEdit;
class QToolButton;

// An edit field for a directory, with a button that opens a folder chooser.
class DirectoryEdit : public QWidget
{
    Q_OBJECT

public:
    explicit DirectoryEdit(QWidget *parent = nullptr);

    QString text() const;
    void setText(const QString &text);
    QLineEdit *lineEdit() const { return m_edit; }
    QToolButton *browseButton() const { return m_browse; }

private:
    void browse();

    QLineEdit *m_edit;
    QToolButton *m_browse;
};
