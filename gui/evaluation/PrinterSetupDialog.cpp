#include "PrinterSetupDialog.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "translation/UiText.h"

namespace {

// Offered when a printer names no sizes of its own, and for the PDF file.
QList<QPageSize> commonPapers()
{
    return {QPageSize(QPageSize::A4), QPageSize(QPageSize::A3), QPageSize(QPageSize::A5),
            QPageSize(QPageSize::Letter), QPageSize(QPageSize::Legal)};
}

} // namespace

PrinterSetupDialog::PrinterSetupDialog(QPrinter &printer, QWidget *parent)
    : QDialog(parent)
    , PrinterCombo(new QComboBox(this))
    , PaperCombo(new QComboBox(this))
    , PortraitRadio(new QRadioButton(UiText(QStringLiteral("Hochformat")), this))
    , LandscapeRadio(new QRadioButton(UiText(QStringLiteral("Querformat")), this))
    , OkBtn(new QPushButton(UiText(QStringLiteral("OK")), this))
    , CancelBtn(new QPushButton(UiText(QStringLiteral("Abbrechen")), this))
    , m_printer(printer)
{
    setObjectName(QStringLiteral("PrinterSetupDialog"));
    setWindowTitle(UiText(QStringLiteral("Drucker einrichten")));
    PrinterCombo->setObjectName(QStringLiteral("PrinterCombo"));
    PaperCombo->setObjectName(QStringLiteral("PaperCombo"));
    PortraitRadio->setObjectName(QStringLiteral("PortraitRadio"));
    LandscapeRadio->setObjectName(QStringLiteral("LandscapeRadio"));
    OkBtn->setObjectName(QStringLiteral("OkBtn"));
    CancelBtn->setObjectName(QStringLiteral("CancelBtn"));
    OkBtn->setDefault(true);
    CancelBtn->setAutoDefault(false);

    auto *printerLabel = new QLabel(UiText(QStringLiteral("Drucker:")), this);
    printerLabel->setBuddy(PrinterCombo);
    auto *paperLabel = new QLabel(UiText(QStringLiteral("Papier:")), this);
    paperLabel->setBuddy(PaperCombo);
    auto *orientation = new QGroupBox(UiText(QStringLiteral("Ausrichtung")), this);
    auto *orientationLayout = new QHBoxLayout(orientation);
    orientationLayout->addWidget(PortraitRadio);
    orientationLayout->addWidget(LandscapeRadio);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(OkBtn);
    buttons->addWidget(CancelBtn);

    auto *layout = new QGridLayout(this);
    layout->addWidget(printerLabel, 0, 0);
    layout->addWidget(PrinterCombo, 0, 1);
    layout->addWidget(paperLabel, 1, 0);
    layout->addWidget(PaperCombo, 1, 1);
    layout->addWidget(orientation, 2, 0, 1, 2);
    layout->addLayout(buttons, 3, 0, 1, 2);
    layout->setColumnMinimumWidth(1, 300);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    fillPrinters();
    fillPapers();
    const bool portrait = m_printer.pageLayout().orientation() == QPageLayout::Portrait;
    PortraitRadio->setChecked(portrait);
    LandscapeRadio->setChecked(!portrait);

    connect(PrinterCombo, &QComboBox::currentIndexChanged, this, &PrinterSetupDialog::fillPapers);
    connect(OkBtn, &QPushButton::clicked, this, &PrinterSetupDialog::accept);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
}

void PrinterSetupDialog::fillPrinters()
{
    const QStringList names = QPrinterInfo::availablePrinterNames();
    if (names.isEmpty()) {
        PrinterCombo->addItem(UiText(QStringLiteral("Kein Drucker eingerichtet: Ausgabe in eine PDF-Datei")), QString());
        return;
    }
    for (const QString &name : names)
        PrinterCombo->addItem(name, name);
    QString current = m_printer.outputFormat() == QPrinter::NativeFormat ? m_printer.printerName() : QString();
    if (!names.contains(current))
        current = QPrinterInfo::defaultPrinterName();
    PrinterCombo->setCurrentIndex(std::max(0, PrinterCombo->findData(current)));
}

void PrinterSetupDialog::fillPapers()
{
    // The paper chosen so far stays chosen where the printer has it.
    const QPageSize current = m_papers.value(PaperCombo->currentIndex(), m_printer.pageLayout().pageSize());
    const QString printer = chosenPrinter();
    m_papers = printer.isEmpty() ? QList<QPageSize>() : QPrinterInfo::printerInfo(printer).supportedPageSizes();
    if (m_papers.isEmpty())
        m_papers = commonPapers();
    int chosen = -1;
    for (int i = 0; i < m_papers.size() && chosen < 0; ++i) {
        if (m_papers.at(i).isEquivalentTo(current))
            chosen = i;
    }
    if (chosen < 0 && current.isValid() && printer.isEmpty()) {
        m_papers.append(current);
        chosen = int(m_papers.size()) - 1;
    }
    const QSignalBlocker blocker(PaperCombo);
    PaperCombo->clear();
    for (const QPageSize &paper : std::as_const(m_papers))
        PaperCombo->addItem(paper.name());
    PaperCombo->setCurrentIndex(std::max(0, chosen));
}

QString PrinterSetupDialog::chosenPrinter() const
{
    return PrinterCombo->currentData().toString();
}

void PrinterSetupDialog::accept()
{
    // The printer first: choosing one sets its own default paper.
    const QString printer = chosenPrinter();
    if (!printer.isEmpty() && printer != m_printer.printerName())
        m_printer.setPrinterName(printer);
    if (const int paper = PaperCombo->currentIndex(); paper >= 0 && paper < m_papers.size())
        m_printer.setPageSize(m_papers.at(paper));
    m_printer.setPageOrientation(PortraitRadio->isChecked() ? QPageLayout::Portrait : QPageLayout::Landscape);
    QDialog::accept();
}
