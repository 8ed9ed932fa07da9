#include "VorgabeTexteFUnit.h"

#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "session/AppContext.h"

namespace {

// The file keeps the lines joined by CR LF, as the memo of the original
// window did; the edit works with plain line feeds.
QString toEditText(const QString &stored)
{
    QString text = stored;
    return text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

QString toStoredText(const QString &edited)
{
    QString text = edited;
    return text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
}

QPlainTextEdit *makeMemo(QWidget *parent, const char *name)
{
    auto *memo = new QPlainTextEdit(parent);
    memo->setObjectName(QLatin1String(name));
    memo->setLineWrapMode(QPlainTextEdit::NoWrap);
    memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    return memo;
}

} // namespace

TVorgabeTexteForm::TVorgabeTexteForm(AppContext &context, QWidget *parent)
    : SettingsForm(context.settings(), QStringLiteral("TVorgabeTexteForm"), parent)
    , m_context(context)
{
    setWindowTitle(QStringLiteral("Vorgabetexte für das Ausfüllen"));
    setSizeGripEnabled(true);
    resize(418, 458);

    GroupBox1 = new QGroupBox(QStringLiteral("Orte"), this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    AutoTexteCheck = new QRadioButton(QStringLiteral("Texte automatisch aus bestehenden Einträgen erzeugen"), GroupBox1);
    AutoTexteCheck->setObjectName(QStringLiteral("AutoTexteCheck"));
    VorgabeTexteCheck = new QRadioButton(QStringLiteral("Texte fest vorgeben:"), GroupBox1);
    VorgabeTexteCheck->setObjectName(QStringLiteral("VorgabeTexteCheck"));
    Label1 = new QLabel(QStringLiteral("Orte:"), GroupBox1);
    Label1->setObjectName(QStringLiteral("Label1"));
    Memo1 = makeMemo(GroupBox1, "Memo1");
    auto *places = new QVBoxLayout(GroupBox1);
    for (QWidget *w : std::initializer_list<QWidget *>{AutoTexteCheck, VorgabeTexteCheck, Label1, Memo1})
        places->addWidget(w);

    GroupBox2 = new QGroupBox(QStringLiteral("Tätigkeiten"), this);
    GroupBox2->setObjectName(QStringLiteral("GroupBox2"));
    AutoTexte2Check = new QRadioButton(QStringLiteral("Texte automatisch aus bestehenden Einträgen erzeugen"), GroupBox2);
    AutoTexte2Check->setObjectName(QStringLiteral("AutoTexte2Check"));
    VorgabeTexte2Check = new QRadioButton(QStringLiteral("Texte fest vorgeben:"), GroupBox2);
    VorgabeTexte2Check->setObjectName(QStringLiteral("VorgabeTexte2Check"));
    Label2 = new QLabel(QStringLiteral("Tätigkeiten:"), GroupBox2);
    Label2->setObjectName(QStringLiteral("Label2"));
    Memo2 = makeMemo(GroupBox2, "Memo2");
    auto *activities = new QVBoxLayout(GroupBox2);
    for (QWidget *w : std::initializer_list<QWidget *>{AutoTexte2Check, VorgabeTexte2Check, Label2, Memo2})
        activities->addWidget(w);
    AutoTexteCheck->setChecked(true);
    AutoTexte2Check->setChecked(true);

    BitBtn1 = new QPushButton(QStringLiteral("OK"), this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setDefault(true);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(GroupBox1, 1);
    layout->addWidget(GroupBox2, 1);
    layout->addWidget(BitBtn1, 0, Qt::AlignRight);
    connect(BitBtn1, &QPushButton::clicked, this, &QDialog::accept);
}

void TVorgabeTexteForm::showEvent(QShowEvent *event)
{
    SettingsForm::showEvent(event);
    const UserListData &data = m_context.userList();
    (data.placesFixed ? VorgabeTexteCheck : AutoTexteCheck)->setChecked(true);
    (data.activitiesFixed ? VorgabeTexte2Check : AutoTexte2Check)->setChecked(true);
    Memo1->setPlainText(toEditText(data.placeTexts));
    Memo2->setPlainText(toEditText(data.activityTexts));
}

void TVorgabeTexteForm::done(int result)
{
    UserListData &data = m_context.userList();
    data.placesFixed = VorgabeTexteCheck->isChecked();
    data.activitiesFixed = VorgabeTexte2Check->isChecked();
    data.placeTexts = toStoredText(Memo1->toPlainText());
    data.activityTexts = toStoredText(Memo2->toPlainText());
    SettingsForm::done(result);
}
