#include "AuswertungFUnit.h"

#include <filesystem>
#include <optional>
#include <system_error>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include <QDir>
#include <QPdfWriter>
#include <QProgressDialog>
#include <QTemporaryFile>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QSaveFile>
#include <QVBoxLayout>

#include "PrinterSetupDialog.h"
#include "evaluation/ReportCsvWriter.h"
#include "ReportLineView.h"
#include "print/ReportPageWriter.h"
#include "print/ReportPainter.h"
#include "evaluation/ReportTextWriter.h"
#include "session/AppContext.h"
#include "base/Reporter.h"
#include "base/WindowSettingsStore.h"
#include "recording/ChangeLog.h"
#include "translation/UiText.h"
#include "translation/translateunit.h"
#include "gui/widgets/FileDialog.h"

namespace {

// Freed memory stays with the process until the allocator hands it back; a
// report of a million lines leaves it in many small pieces, which glibc keeps
// unless asked.
void returnFreedMemory()
{
#if defined(__GLIBC__)
    malloc_trim(0);
#endif
}

QPushButton *makeButton(QWidget *parent, const char *name, const char16_t *caption)
{
    auto *button = new QPushButton(QString::fromUtf16(caption), parent);
    button->setObjectName(QLatin1String(name));
    button->setAutoDefault(false);
    return button;
}

} // namespace

TAuswertenForm::TAuswertenForm(AppContext &context, QWidget *parent)
    : SettingsForm(context.settings(), QStringLiteral("TAuswertenForm"), parent)
    , m_context(context)
    , m_printer(std::make_unique<QPrinter>(QPrinter::HighResolution))
{
    setWindowTitle(QStringLiteral("Auswertung"));
    setSizeGripEnabled(true);
    resize(764, 537);
    Panel1 = new QWidget(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    BitBtn1 = makeButton(Panel1, "BitBtn1", u"Zurück...");
    DruckenBtn = makeButton(Panel1, "DruckenBtn", u"Drucken");
    BitBtn3 = makeButton(Panel1, "BitBtn3", u"Drucker einrichten...");
    PdfBtn = makeButton(Panel1, "PdfBtn", u"PDF...");
    CsvBtn = makeButton(Panel1, "CsvBtn", u"CSV...");
    auto *panel = new QHBoxLayout(Panel1);
    for (QPushButton *button : {BitBtn1, DruckenBtn, BitBtn3, PdfBtn, CsvBtn})
        panel->addWidget(button);
    panel->addStretch(1);

    RichEdit1 = new QPlainTextEdit(this);
    RichEdit1->setObjectName(QStringLiteral("RichEdit1"));
    RichEdit1->setLineWrapMode(QPlainTextEdit::NoWrap);
    QFont font = ReportPainter::reportFont();
    font.setPixelSize(12);
    RichEdit1->setFont(font);
    RichEdit1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    RichEdit1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

    LineView = new ReportLineView(this);
    LineView->setObjectName(QStringLiteral("LineView"));
    LineView->setFont(font);
    LineView->hide();
    LongReportLabel = new QLabel(
        UiText(QStringLiteral("Diese Auswertung ist zu lang zum Bearbeiten; sie wird gedruckt und gespeichert, wie sie ist.")),
        this);
    LongReportLabel->setObjectName(QStringLiteral("LongReportLabel"));
    LongReportLabel->hide();

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(Panel1);
    layout->addWidget(LongReportLabel);
    layout->addWidget(RichEdit1, 1);
    layout->addWidget(LineView, 1);

    connect(BitBtn1, &QPushButton::clicked, this, &QDialog::accept);
    connect(DruckenBtn, &QPushButton::clicked, this, &TAuswertenForm::DruckenBtnClick);
    connect(BitBtn3, &QPushButton::clicked, this, &TAuswertenForm::BitBtn3Click);
    connect(PdfBtn, &QPushButton::clicked, this, &TAuswertenForm::PdfBtnClick);
    connect(CsvBtn, &QPushButton::clicked, this, &TAuswertenForm::CsvBtnClick);
}

TAuswertenForm::~TAuswertenForm() = default;

void TAuswertenForm::beginReport()
{
    discardReport();
}

void TAuswertenForm::discardReport()
{
    m_lines.clear();
    m_csvRows.clear();
    RichEdit1->clear();
    LineView->setStore(nullptr);
    RichEdit1->show();
    LineView->hide();
    LongReportLabel->hide();
}

void TAuswertenForm::done(int result)
{
    SettingsForm::done(result);
    discardReport();
    returnFreedMemory();
}

void TAuswertenForm::writeLine(const QString &line)
{
    m_lines.append(line);
}

void TAuswertenForm::writeUtf8Line(QByteArrayView line)
{
    m_lines.appendUtf8(line);
}

void TAuswertenForm::writeColumnTitles(const QStringList &titles)
{
    writeRecord(titles);
}

void TAuswertenForm::writeRecord(const QStringList &values)
{
    m_csvRow.resize(0);
    ReportCsvWriter::appendRow(m_csvRow, values);
    m_csvRows.append(m_csvRow);
}

void TAuswertenForm::endReport()
{
    const bool editable = m_lines.size() <= EditableLines;
    if (editable) {
        QString text;
        for (qsizetype i = 0; i < m_lines.size(); ++i) {
            if (i > 0)
                text += QLatin1Char('\n');
            text += m_lines.line(i);
        }
        RichEdit1->setPlainText(text);
        LineView->setStore(nullptr);
    } else {
        RichEdit1->clear();
        LineView->setStore(&m_lines);
    }
    RichEdit1->setVisible(editable);
    LineView->setVisible(!editable);
    LongReportLabel->setVisible(!editable);
}

void TAuswertenForm::setReport(const EvaluationReport::Report &report)
{
    beginReport();
    for (const QString &line : report.lines)
        writeLine(line);
    writeColumnTitles(report.columnTitles);
    for (const QStringList &values : report.listedValues)
        writeRecord(values);
    endReport();
}

bool TAuswertenForm::isEditable() const
{
    return !LineView->isVisibleTo(this);
}

QStringList TAuswertenForm::textLines() const
{
    if (isEditable())
        return RichEdit1->toPlainText().split(QLatin1Char('\n'));
    QStringList lines;
    lines.reserve(m_lines.size());
    for (qsizetype i = 0; i < m_lines.size(); ++i)
        lines << m_lines.line(i);
    return lines;
}

TAuswertenForm::Written TAuswertenForm::writePages(QPagedPaintDevice *device, const std::function<void()> &abort)
{
    ReportPageWriter pages(device, ReportPainter::reportFont(), footer());
    pages.setListingHeadings(ProgramText(36), ProgramText(42));
    if (!pages.begin())
        return Written::Failed;
    // What is printed is what the editor holds, changes included.
    const QStringList edited = isEditable() ? RichEdit1->toPlainText().split(QLatin1Char('\n')) : QStringList();
    const qsizetype total = isEditable() ? edited.size() : m_lines.size();
    const bool complete = withProgress(total, [&](qsizetype i) {
        pages.writeLine(isEditable() ? edited.at(i) : m_lines.line(i));
    });
    if (!complete) {
        if (abort)
            abort();
        pages.finish();
        return Written::Cancelled;
    }
    return pages.finish() ? Written::Done : Written::Failed;
}

bool TAuswertenForm::withProgress(qsizetype total, const std::function<void(qsizetype)> &step)
{
    QProgressDialog progress(UiText(QStringLiteral("Die Auswertung wird ausgegeben.")), TranslateText(QStringLiteral("Abbrechen")),
                             0, 1000, this);
    progress.setWindowTitle(ProgramText(6));
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(m_progressDelay);
    progress.setValue(0);
    // Some steps at a time: the dialog's turn lets the windows repaint and
    // the user stop, and costs little beside a page or a block of rows.
    constexpr qsizetype Step = 64;
    for (qsizetype i = 0; i < total; ++i) {
        step(i);
        if (i % Step != 0)
            continue;
        progress.setValue(int(i * 1000 / total));
        if (progress.wasCanceled())
            return false;
    }
    return true;
}

TAuswertenForm::Written TAuswertenForm::writeFile(const QString &path,
                                                  const std::function<Written(const QString &scratch)> &write)
{
    // Beside the target, so that the rename stays on one file system.
    QTemporaryFile scratch(path + QStringLiteral(".XXXXXX"));
    if (!scratch.open())
        return Written::Failed;
    scratch.close();
    const Written written = write(scratch.fileName());
    if (written != Written::Done)
        return written; // the scratch file goes with `scratch`
    scratch.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
    std::error_code error;
    std::filesystem::rename(std::filesystem::path(scratch.fileName().toStdU16String()),
                            std::filesystem::path(path.toStdU16String()), error);
    if (error)
        return Written::Failed;
    scratch.setAutoRemove(false);
    return Written::Done;
}

void TAuswertenForm::showEvent(QShowEvent *event)
{
    SettingsForm::showEvent(event);
    // Each opening prints as last confirmed in the set-up, in this run or an
    // earlier one; the printer's paper may have changed with its printer.
    applyKeptSetup();
}

namespace {
const QString PaperSetting = QStringLiteral("PrinterSetup_Paper");
const QString OrientationSetting = QStringLiteral("PrinterSetup_Orientation");
const QString Portrait = QStringLiteral("Portrait");
const QString Landscape = QStringLiteral("Landscape");

// The standard size a kept key names; an unknown key is none.
std::optional<QPageSize> pageSizeOfKey(const QString &key)
{
    for (int id = 0; id <= int(QPageSize::LastPageSize); ++id) {
        if (QPageSize::key(QPageSize::PageSizeId(id)) == key)
            return QPageSize(QPageSize::PageSizeId(id));
    }
    return std::nullopt;
}
} // namespace

void TAuswertenForm::applyKeptSetup()
{
    WindowSettingsStore &settings = m_context.settings();
    if (const auto paper = settings.value(className(), PaperSetting)) {
        if (const auto size = pageSizeOfKey(*paper))
            m_printer->setPageSize(*size);
    }
    const bool portrait = settings.value(className(), OrientationSetting) == Portrait;
    m_printer->setPageOrientation(portrait ? QPageLayout::Portrait : QPageLayout::Landscape);
}

void TAuswertenForm::keepSetup()
{
    WindowSettingsStore &settings = m_context.settings();
    const QPageLayout layout = m_printer->pageLayout();
    if (layout.pageSize().id() != QPageSize::Custom)
        settings.setValue(className(), PaperSetting, QPageSize::key(layout.pageSize().id()));
    settings.setValue(className(), OrientationSetting,
                      layout.orientation() == QPageLayout::Portrait ? Portrait : Landscape);
}

// Every page printed or saved as PDF names the change history's last hash,
// so that a paper copy pins the state it was made from.
QString TAuswertenForm::footer()
{
    return m_context.historyChecksumLine();
}

void TAuswertenForm::DruckenBtnClick()
{
    // Without any printer, the printout goes to a PDF file instead.
    if (QPrinterInfo::availablePrinters().isEmpty() && m_printer->outputFileName().isEmpty()) {
        printToFile();
        return;
    }
    m_printer->setDocName(ProgramText(6));
    QPrinter *printer = m_printer.get();
    const QString file = printer->outputFileName();
    const auto abort = [printer] { printer->abort(); };
    Written written;
    if (file.isEmpty()) {
        written = writePages(printer, abort);
    } else {
        written = writeFile(file, [&](const QString &scratch) {
            printer->setOutputFileName(scratch);
            const Written pages = writePages(printer, abort);
            printer->setOutputFileName(file);
            return pages;
        });
    }
    if (written == Written::Failed)
        m_context.reporter().error(UiText(QStringLiteral("Die Auswertung konnte nicht gedruckt werden.")));
    else if (written == Written::Done && !file.isEmpty())
        reportFileWritten(UiText(QStringLiteral("Die Auswertung wurde in die Datei \"%1\" geschrieben.")), file);
}

void TAuswertenForm::printToFile()
{
    const QString path = FileDialog::getFileToWrite(this, m_context, UiText(QStringLiteral("Drucken")), ProgramText(6) + QStringLiteral(".pdf"),
                                                    QStringLiteral("PDF (*.pdf)"));
    if (path.isEmpty())
        return;
    const Written written = writeFile(path, [this](const QString &scratch) {
        // The paper and orientation of the set-up apply to the file as to a printer.
        QPrinter file(QPrinter::HighResolution);
        file.setOutputFormat(QPrinter::PdfFormat);
        file.setOutputFileName(scratch);
        file.setPageLayout(m_printer->pageLayout());
        file.setDocName(ProgramText(6));
        file.setCreator(QStringLiteral("Tagwerk"));
        return writePages(&file);
    });
    if (written == Written::Failed)
        m_context.reporter().error(UiText(QStringLiteral("Die Datei \"%1\" konnte nicht geschrieben werden.")).arg(path));
    else if (written == Written::Done)
        reportFileWritten(UiText(QStringLiteral("Es ist kein Drucker eingerichtet. Die Auswertung wurde in die Datei \"%1\" geschrieben.")),
                          path);
}

void TAuswertenForm::reportFileWritten(const QString &message, const QString &path)
{
    // A printout that ends in a file is easily looked for at the printer: say where it is.
    m_context.reporter().information(message.arg(QDir::toNativeSeparators(path)), ProgramText(6));
}

void TAuswertenForm::BitBtn3Click()
{
    // A set-up only: printer, paper and orientation for the following printouts.
    PrinterSetupDialog dialog(*m_printer, this);
    if (dialog.exec() == QDialog::Accepted)
        keepSetup();
}

TAuswertenForm::Written TAuswertenForm::savePdf(const QString &path)
{
    return writeFile(path, [this](const QString &scratch) {
        QPdfWriter writer(scratch);
        ReportPainter::setUpPdf(writer, ProgramText(6));
        return writePages(&writer);
    });
}

void TAuswertenForm::PdfBtnClick()
{
    const QString path = FileDialog::getFileToWrite(this, m_context, UiText(QStringLiteral("PDF...")), ProgramText(6) + QStringLiteral(".pdf"),
                                                    QStringLiteral("PDF (*.pdf)"));
    if (path.isEmpty())
        return;
    if (savePdf(path) == Written::Failed)
        m_context.reporter().error(UiText(QStringLiteral("Die Datei \"%1\" konnte nicht geschrieben werden.")).arg(path));
}

void TAuswertenForm::CsvBtnClick()
{
    const QString path = FileDialog::getFileToWrite(this, m_context, UiText(QStringLiteral("CSV...")), ProgramText(6) + QStringLiteral(".csv"),
                                                    QStringLiteral("CSV (*.csv)"));
    if (path.isEmpty())
        return;
    if (saveCsv(path) == Written::Failed)
        m_context.reporter().error(UiText(QStringLiteral("Die Datei \"%1\" konnte nicht geschrieben werden.")).arg(path));
}

TAuswertenForm::Written TAuswertenForm::saveCsv(const QString &path)
{
    // The file takes its name only when complete: a stopped or failed write
    // leaves neither a half file nor a changed old one.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return Written::Failed;
    // The rows are kept as CSV already; each gets its CR LF here, and the
    // first the byte-order mark.
    ReportTextWriter out(&file);
    const bool complete = withProgress(m_csvRows.size(), [&](qsizetype i) {
        out.writeLine((i == 0 ? QString(QChar(0xFEFF)) : QString()) + m_csvRows.line(i) + QLatin1Char('\r'));
    });
    if (!complete) {
        file.cancelWriting();
        return Written::Cancelled;
    }
    return out.finish() && file.commit() ? Written::Done : Written::Failed;
}
