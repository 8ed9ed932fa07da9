#pragma once

#include <QDialog>
#include <QList>
#include <QPageSize>

class QComboBox;
class QPrinter;
class QPushButton;
class QRadioButton;

// "Drucker einrichten": the printer, the paper and the orientation of the
// following printouts, confirmed with OK. It sets up the printer and prints
// nothing itself. Without any printer installed, printouts go to a PDF file,
// which the list of printers says, and paper and orientation apply to it.
class PrinterSetupDialog : public QDialog
{
    Q_OBJECT

public:
    explicit PrinterSetupDialog(QPrinter &printer, QWidget *parent = nullptr);

    QComboBox *PrinterCombo;
    QComboBox *PaperCombo;
    QRadioButton *PortraitRadio;  // "Hochformat"
    QRadioButton *LandscapeRadio; // "Querformat"
    QPushButton *OkBtn;
    QPushButton *CancelBtn;

    void accept() override;

private:
    void fillPrinters();
    void fillPapers();
    QString chosenPrinter() const;

    QPrinter &m_printer;
    QList<QPageSize> m_papers; // in the order of PaperCombo's items
};
