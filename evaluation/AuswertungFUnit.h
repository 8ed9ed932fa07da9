#pragma once

#include <memory>

#include "base/SettingsForm.h"

class AppContext;
#include "evaluation/EvaluationReport.h"

class QPlainTextEdit;
class QPrinter;
class QPushButton;

// "Auswertung": the report in a fixed-pitch font, unwrapped and editable,
// printed as it stands (in landscape, with half-inch margins), saved as PDF,
// or its listed records saved as CSV.
class TAuswertenForm : public SettingsForm
{
    Q_OBJECT

    AppContext &m_context;

public:
    explicit TAuswertenForm(AppContext &context, QWidget *parent = nullptr);
    ~TAuswertenForm() override;

    void setReport(const EvaluationReport::Report &report);
    QStringList textLines() const;

    void DruckenBtnClick();
    void BitBtn3Click();
    bool savePdf(const QString &path);
    void PdfBtnClick();
    void CsvBtnClick();

    QPrinter *printer() const { return m_printer.get(); }

    QWidget *Panel1;
    QPushButton *BitBtn1;    // "Zurück..."
    QPushButton *DruckenBtn; // "Drucken"
    QPushButton *BitBtn3;    // "Drucker einrichten..."
    QPushButton *PdfBtn;     // "PDF..."
    QPushButton *CsvBtn;     // "CSV..."
    QPlainTextEdit *RichEdit1;

protected:
    void showEvent(QShowEvent *event) override;

private:
    void printToFile();
    void reportFileWritten(const QString &message, const QString &path);

    std::unique_ptr<QPrinter> m_printer;
    EvaluationReport::Report m_report;
};
