#include "PauseFUnit.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTimeEdit>

#include "session/AppContext.h"
#include "base/WindowSettingsStore.h"
#include "gui/widgets/TimeEdit.h"

namespace {
const QString ClassName = QStringLiteral("TPausenForm");
}

TPausenForm::TPausenForm(AppContext &context, QWidget *parent)
    : SettingsForm(context.settings(), ClassName, parent)
    , m_context(context)
    , ErfassenBtn(new QPushButton(QStringLiteral("Okay"), this))
    , AusloggenBtn(new QPushButton(QStringLiteral("Abbrechen"), this))
    , PauseBemerkCheck(new QCheckBox(QStringLiteral("Pausenzeiten einzeln als Bemerkung aufführen"), this))
{
    setWindowTitle(QStringLiteral("Pausenzeiten eingeben"));
    ErfassenBtn->setObjectName(QStringLiteral("ErfassenBtn"));
    AusloggenBtn->setObjectName(QStringLiteral("AusloggenBtn"));
    PauseBemerkCheck->setObjectName(QStringLiteral("PauseBemerkCheck"));
    ErfassenBtn->setDefault(true);

    auto *layout = new QGridLayout(this);
    QWidget *previous = AusloggenBtn;
    setTabOrder(ErfassenBtn, AusloggenBtn);
    for (int i = 0; i < 10; ++i) {
        auto *picker = new TimeEdit(this);
        picker->setObjectName(QStringLiteral("DateTimePicker%1").arg(i + 1));
        DateTimePicker[i] = picker;
        auto *label = new QLabel(i % 2 == 0 ? QStringLiteral("Pause von:") : QStringLiteral("Pause bis:"), this);
        label->setObjectName(QStringLiteral("Label%1").arg(i + 1));
        label->setBuddy(picker);
        const int row = i / 2;
        const int column = (i % 2) * 2;
        layout->addWidget(label, row, column);
        layout->addWidget(picker, row, column + 1);
        setTabOrder(previous, picker);
        previous = picker;
    }
    setTabOrder(previous, PauseBemerkCheck);
    layout->addWidget(PauseBemerkCheck, 5, 0, 1, 4);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ErfassenBtn);
    buttons->addWidget(AusloggenBtn);
    layout->addLayout(buttons, 6, 0, 1, 4);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(ErfassenBtn, &QPushButton::clicked, this, &QDialog::accept);
    connect(AusloggenBtn, &QPushButton::clicked, this, &QDialog::reject);
}

void TPausenForm::clearPairs()
{
    for (QTimeEdit *picker : DateTimePicker)
        picker->setTime(QTime(0, 0));
}

QList<BreakEntry::Pair> TPausenForm::pairs() const
{
    QList<BreakEntry::Pair> result;
    for (int k = 0; k < 5; ++k)
        result.append({DateTimePicker[2 * k]->time(), DateTimePicker[2 * k + 1]->time()});
    return result;
}

void TPausenForm::restoreControls(WindowSettingsStore &store)
{
    if (const auto checked = store.checked(ClassName, QStringLiteral("PauseBemerkCheck")))
        PauseBemerkCheck->setChecked(*checked);
}

void TPausenForm::saveControls(WindowSettingsStore &store)
{
    store.setChecked(ClassName, QStringLiteral("PauseBemerkCheck"), PauseBemerkCheck->isChecked());
}
