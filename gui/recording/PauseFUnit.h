#pragma once

#include <QList>

#include "gui/base/SettingsForm.h"

class AppContext;
#include "recording/BreakEntry.h"

class QCheckBox;
class QPushButton;
class QTimeEdit;

// "Pausenzeiten eingeben": up to five breaks as from-to pairs. It has no
// logic of its own; the record entry sums and lists what it holds.
class TPausenForm : public SettingsForm
{
    Q_OBJECT

    AppContext &m_context;

public:
    explicit TPausenForm(AppContext &context, QWidget *parent = nullptr);

    // Every picker to 00:00, so the window always opens empty.
    void clearPairs();
    QList<BreakEntry::Pair> pairs() const;

    QPushButton *ErfassenBtn;  // "Okay"
    QPushButton *AusloggenBtn; // "Abbrechen"
    QTimeEdit *DateTimePicker[10]; // DateTimePicker1..10: row k is [2k-2] to [2k-1]
    QCheckBox *PauseBemerkCheck;

protected:
    void restoreControls(WindowSettingsStore &store) override;
    void saveControls(WindowSettingsStore &store) override;
};
