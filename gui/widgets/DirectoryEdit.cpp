#include "DirectoryEdit.h"

#include <QFileDialog>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QStyle>
#include <QToolButton>

DirectoryEdit::DirectoryEdit(QWidget *parent)
    : QWidget(parent)
    , m_edit(new QLineEdit(this))
    , m_browse(new QToolButton(this))
{
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_edit);
    layout->addWidget(m_browse);
    m_edit->setObjectName(QStringLiteral("DirectoryEdit1Line"));
    m_browse->setObjectName(QStringLiteral("DirectoryEdit1Browse"));
    m_browse->setIcon(style()->standardIcon(QStyle::SP_DirOpenIcon));
    connect(m_browse, &QToolButton::clicked, this, &DirectoryEdit::browse);
}

QString DirectoryEdit::text() const
{
    return m_edit->text();
}

void DirectoryEdit::setText(const QString &text)
{
    m_edit->setText(text);
}

void DirectoryEdit::browse()
{
    const QString chosen = QFileDialog::getExistingDirectory(this, QString(), m_edit->text());
    if (!chosen.isEmpty())
        m_edit->setText(QDir::toNativeSeparators(chosen));
}
