#pragma once

#include <functional>
#include <memory>

#include "gui/base/SettingsForm.h"

class AppContext;
#include "evaluation/EvaluationReport.h"
#include "evaluation/ReportLineStore.h"
#include "evaluation/ReportSink.h"

class QLabel;
class QPagedPaintDevice;
class QPlainTextEdit;
class QPrinter;
class QPushButton;
class ReportLineView;

// "Auswertung": the report in a fixed-pitch font, unwrapped and editable,
// printed as it stands (in landscape, with half-inch margins), saved as PDF,
// or its listed records saved as CSV.
//
// The window is the sink of the evaluation: it keeps the lines compactly as
// they are made and shows them once the report is complete. A report of more
// lines than a text editor handles briskly is shown in a view that paints
// only the lines in sight; it cannot be edited there, and says so.
class TAuswertenForm : public SettingsForm, public ReportSink
{
    Q_OBJECT

    AppContext &m_context;

public:
    explicit TAuswertenForm(AppContext &context, QWidget *parent = nullptr);
    ~TAuswertenForm() override;

    static constexpr qsizetype EditableLines = 20000;

    // A report arrives between beginReport() and endReport(), through the
    // window's sink functions; discardReport() drops one that was stopped
    // halfway, so that nothing of it is ever shown as a report.
    void beginReport();
    void endReport();
    void discardReport();
    // All of it at once, for a report already in memory.
    void setReport(const EvaluationReport::Report &report);

    void writeLine(const QString &line) override;
    void writeUtf8Line(QByteArrayView line) override;
    bool wantsRecords() const override { return true; }
    void writeColumnTitles(const QStringList &titles) override;
    void writeRecord(const QStringList &values) override;

    // Whether the report is shown in the editor RichEdit1 (or in LineView).
    bool isEditable() const;
    QStringList textLines() const;

    // How a printout or file ended: a stopped one leaves no file behind.
    enum class Written { Done, Failed, Cancelled };

    void DruckenBtnClick();
    void BitBtn3Click();
    Written savePdf(const QString &path);
    // The listed records as CSV, under the same progress dialog as the pages.
    Written saveCsv(const QString &path);
    void PdfBtnClick();
    void CsvBtnClick();

    QPrinter *printer() const { return m_printer.get(); }
    // How long output runs before its progress dialog shows.
    void setProgressDelay(int milliseconds) { m_progressDelay = milliseconds; }

    QWidget *Panel1;
    QPushButton *BitBtn1;    // "Zurück..."
    QPushButton *DruckenBtn; // "Drucken"
    QPushButton *BitBtn3;    // "Drucker einrichten..."
    QPushButton *PdfBtn;     // "PDF..."
    QPushButton *CsvBtn;     // "CSV..."
    QPlainTextEdit *RichEdit1;
    ReportLineView *LineView;
    QLabel *LongReportLabel;

    // Closing the window drops the report: a whole-table one holds hundreds
    // of megabytes, which go back to the system.
    void done(int result) override;

protected:
    void showEvent(QShowEvent *event) override;

private:
    // The paper and orientation confirmed in the set-up, kept in the settings
    // store so that they outlast the run; landscape while none is kept.
    void applyKeptSetup();
    void keepSetup();
    void printToFile();
    void reportFileWritten(const QString &message, const QString &path);
    // The shown text on the pages of `device`, under a progress dialog that
    // can stop it (`abort` then tells the device); the windows repaint meanwhile.
    Written writePages(QPagedPaintDevice *device, const std::function<void()> &abort = {});
    // Runs `step` for 0 .. total - 1 under a progress dialog that turns the
    // event loop now and then; false when the user stopped it.
    bool withProgress(qsizetype total, const std::function<void(qsizetype)> &step);
    // Writes `path` through a scratch file beside it, which `write` fills and
    // which takes the name only when complete: a stopped or failed write
    // leaves neither a half file nor a changed old one.
    static Written writeFile(const QString &path, const std::function<Written(const QString &scratch)> &write);
    QString footer();

    std::unique_ptr<QPrinter> m_printer;
    ReportLineStore m_lines;
    ReportLineStore m_csvRows; // the title row and one row per listed record, as CSV
    QString m_csvRow;          // each row is made here, in the same storage
    int m_progressDelay = 500;

};
