#include "TranslateFUnit.h"

#include <QCheckBox>
#include <QFile>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QScrollBar>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <QTextStream>
#include <QTimer>
#include <QVBoxLayout>

#include "base/Reporter.h"
#include "storage/CodePage.h"
#include "translation/TranslationSource.h"
#include "translation/translateunit.h"
#include "translation/UiText.h"

namespace {

constexpr int Columns = TranslationDictionary::Columns;
// The grid shows the languages the program speaks: German, English and
// Spanish. The table's further columns stay in the file, untouched.
constexpr int ShownColumns = TranslationDictionary::SpanishColumn + 1;

QString heading(int column)
{
    switch (column) {
    case TranslationDictionary::GermanColumn: return TranslateText(QStringLiteral("Deutscher Text"));
    case TranslationDictionary::EnglishColumn: return TranslateText(QStringLiteral("Englischer Text"));
    default: return TranslateText(QStringLiteral("Spanischer Text"));
    }
}

// Only a to z are made capitals: umlauts and other letters keep their case.
QString asciiUpper(QString text)
{
    for (QChar &c : text) {
        if (c >= QLatin1Char('a') && c <= QLatin1Char('z'))
            c = QChar(char16_t(c.unicode() - 32));
    }
    return text;
}

// Hands every keystroke of a cell editor to the window, not only the
// finished text. The editor remembers the cell as the table held it, so that
// Esc can put the table back as well as the screen.
class KeystrokeDelegate : public QStyledItemDelegate
{
public:
    KeystrokeDelegate(TTranslateForm *form, QObject *parent)
        : QStyledItemDelegate(parent)
        , m_form(form)
    {
    }

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        QWidget *editor = QStyledItemDelegate::createEditor(parent, option, index);
        if (auto *line = qobject_cast<QLineEdit *>(editor)) {
            const int row = index.row() + 1;
            const int column = index.column();
            line->setProperty(GridRowProperty, row);
            line->setProperty(ColumnProperty, column);
            line->setProperty(TableTextProperty, index.data(Qt::EditRole).toString());
            QObject::connect(line, &QLineEdit::textEdited, m_form,
                             [form = m_form, row, column](const QString &text) { form->StringGrid1SetEditText(row, column, text); });
        }
        return editor;
    }

    static constexpr const char *GridRowProperty = "tagwerkGridRow";
    static constexpr const char *ColumnProperty = "tagwerkColumn";
    static constexpr const char *TableTextProperty = "tagwerkTableText";

private:
    TTranslateForm *m_form;
};

// The hidden export and import write keys in the escapes of translations.tsv,
// one per line, so that a key with a line break or a TAB stays one line and
// comes back as itself.
QString exportLine(const QString &text)
{
    return TranslationSource::escape(text);
}

QString importLine(const QString &line)
{
    QString text;
    return TranslationSource::unescape(line, &text) ? text : line;
}

QStringList readLines(const QString &path, bool *ok)
{
    QFile file(path);
    *ok = file.open(QIODevice::ReadOnly);
    if (!*ok)
        return {};
    const QByteArray bytes = file.readAll();
    QString text;
    if (bytes.startsWith("\xEF\xBB\xBF"))
        text = QString::fromUtf8(bytes.mid(3));
    else if (bytes.startsWith("\xFF\xFE"))
        text = QString::fromUtf16(reinterpret_cast<const char16_t *>(bytes.constData() + 2), (bytes.size() - 2) / 2);
    else
        text = CodePage::windows1252().decode(bytes.constData(), bytes.size());
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QStringList lines = text.split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

} // namespace

TTranslateForm::TTranslateForm(WindowSettingsStore &settings, TranslationDictionary &dictionary, Reporter &reporter,
                               QWidget *parent)
    : SettingsForm(settings, QStringLiteral("TTranslateForm"), parent)
    , m_dictionary(dictionary)
    , m_reporter(reporter)
{
    setWindowTitle(QStringLiteral("Übersetzen"));
    setSizeGripEnabled(true);
    resize(900, 600);
    auto makeButton = [this](const char *name, const QString &caption) {
        auto *button = new QPushButton(caption, this);
        button->setObjectName(QLatin1String(name));
        button->setAutoDefault(false);
        return button;
    };
    BackBtn = makeButton("BackBtn", QStringLiteral("Zurück..."));
    Button1 = makeButton("Button1", QString());
    Button2 = makeButton("Button2", QString());
    Button1->hide();
    Button2->hide();
    FilterEdit = new QLineEdit(this);
    FilterEdit->setObjectName(QStringLiteral("FilterEdit"));
    FilterBtn = makeButton("FilterBtn", QStringLiteral("Suchen"));
    DeleteRowBtn = makeButton("DeleteRowBtn", QStringLiteral("Zeile löschen"));
    FixedColCheck = new QCheckBox(QStringLiteral("Erste Spalte soll immer sichtbar sein"), this);
    FixedColCheck->setObjectName(QStringLiteral("FixedColCheck"));
    StringGrid1 = new QTableWidget(0, ShownColumns, this);
    StringGrid1->setObjectName(QStringLiteral("StringGrid1"));
    StringGrid1->horizontalHeader()->setDefaultSectionSize(250);
    auto *delegate = new KeystrokeDelegate(this, StringGrid1);
    StringGrid1->setItemDelegate(delegate);
    connect(delegate, &QAbstractItemDelegate::closeEditor, this, &TTranslateForm::cellEditorClosed);
    StringGrid1->installEventFilter(this);
    // The headings are set by FillStringGrid alone: set here, the start-up
    // walk over all windows would take them for texts of the program.
    ProgressLabel = new QLabel(this);
    ProgressLabel->setObjectName(QStringLiteral("ProgressLabel"));
    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(1000);
    Timer1->setSingleShot(true);

    auto *top = new QHBoxLayout;
    top->addWidget(BackBtn);
    top->addWidget(FilterEdit, 1);
    top->addWidget(FilterBtn);
    top->addWidget(DeleteRowBtn);
    top->addWidget(FixedColCheck);
    top->addWidget(Button1);
    top->addWidget(Button2);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(StringGrid1, 1);
    layout->addWidget(ProgressLabel);
    layout->addWidget(StatusBar1);

    connect(BackBtn, &QPushButton::clicked, this, &QDialog::accept);
    connect(FilterBtn, &QPushButton::clicked, this, &TTranslateForm::FilterBtnClick);
    connect(DeleteRowBtn, &QPushButton::clicked, this, &TTranslateForm::DeleteRowBtnClick);
    connect(FixedColCheck, &QCheckBox::toggled, this, &TTranslateForm::applyFixedColumn);
    connect(Button1, &QPushButton::clicked, this, &TTranslateForm::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &TTranslateForm::Button2Click);
    connect(Timer1, &QTimer::timeout, this, &TTranslateForm::Timer1Timer);
    // Keys looked up while the grid is up (its own question, the search
    // question, the progress line) join the table: the grid follows.
    m_dictionary.setRowAddedObserver([this](quint32 row) { appendGridRow(row); });
}

TTranslateForm::~TTranslateForm()
{
    m_dictionary.setRowAddedObserver({});
    // The grid outlives this part of the window: a cell editor it closes on
    // its way out must not call back into a window already taken apart.
    StringGrid1->itemDelegate()->disconnect(this);
    for (QLineEdit *editor : StringGrid1->findChildren<QLineEdit *>())
        editor->disconnect(this);
}

void TTranslateForm::appendGridRow(quint32 row)
{
    // Only a grid that shows every row before this one is kept up to date;
    // one never filled is filled in full before it is shown.
    if (m_filling || StringGrid1->rowCount() != int(row))
        return;
    StringGrid1->insertRow(int(row));
    for (int c = 0; c < ShownColumns; ++c)
        StringGrid1->setItem(int(row), c, new QTableWidgetItem(dictionary().text(row, c)));
    if (FixedColCheck->isChecked())
        StringGrid1->setVerticalHeaderItem(int(row), new QTableWidgetItem(dictionary().text(row, 0)));
}

void TTranslateForm::cellEditorClosed(QWidget *editor, QAbstractItemDelegate::EndEditHint hint)
{
    // Esc in a cell editor: the grid shows the cell as it was, and so must
    // the table (and the file after it), though every keystroke went there.
    if (hint != QAbstractItemDelegate::RevertModelCache || !editor)
        return;
    const QVariant gridRow = editor->property(KeystrokeDelegate::GridRowProperty);
    if (!gridRow.isValid())
        return;
    const int column = editor->property(KeystrokeDelegate::ColumnProperty).toInt();
    const QString before = editor->property(KeystrokeDelegate::TableTextProperty).toString();
    if (dictionary().text(quint32(gridRow.toInt() - 1), column) != before)
        StringGrid1SetEditText(gridRow.toInt(), column, before);
}

TranslationDictionary &TTranslateForm::dictionary()
{
    return m_dictionary;
}

void TTranslateForm::FillStringGrid()
{
    m_filling = true;
    TranslationDictionary &d = dictionary();
    QStringList headings;
    for (int c = 0; c < ShownColumns; ++c)
        headings << heading(c);
    StringGrid1->setHorizontalHeaderLabels(headings);
    StringGrid1->setRowCount(int(d.rowCount()));
    for (quint32 r = 0; r < d.rowCount(); ++r) {
        for (int c = 0; c < ShownColumns; ++c)
            StringGrid1->setItem(int(r), c, new QTableWidgetItem(d.text(r, c)));
    }
    applyFixedColumn();
    m_filling = false;
    updateProgress();
}

void TTranslateForm::applyFixedColumn()
{
    // The German keys stay in view while scrolling sideways, and cannot be
    // changed there: they stand as the row headings.
    const bool fixed = FixedColCheck->isChecked();
    StringGrid1->setColumnHidden(0, fixed);
    QStringList keys;
    for (int r = 0; r < StringGrid1->rowCount(); ++r)
        keys << (fixed ? cellText(r + 1, 0) : QString::number(r + 1));
    StringGrid1->setVerticalHeaderLabels(keys);
}

QString TTranslateForm::cellText(int gridRow, int column) const
{
    if (gridRow == 0)
        return heading(column);
    const QTableWidgetItem *item = StringGrid1->item(gridRow - 1, column);
    return item ? item->text() : QString();
}

void TTranslateForm::StringGrid1SetEditText(int gridRow, int column, const QString &text)
{
    TranslationDictionary &d = dictionary();
    if (gridRow >= 1 && quint32(gridRow) <= d.rowCount() && column >= 0 && column < Columns)
        d.setText(quint32(gridRow - 1), column, text);
    Timer1->start(); // restarts: the file is written a second after the last keystroke
    updateProgress();
}

void TTranslateForm::Timer1Timer()
{
    Timer1->stop();
    dictionary().SaveTranslationFile();
}

void TTranslateForm::done(int result)
{
    if (Timer1->isActive()) {
        Timer1->stop();
        dictionary().SaveTranslationFile();
    }
    SettingsForm::done(result);
}

void TTranslateForm::FilterBtnClick()
{
    const QString wanted = asciiUpper(FilterEdit->text());
    if (wanted.isEmpty())
        return;
    for (int r = 0; r <= StringGrid1->rowCount(); ++r) {
        for (int c = 0; c < ShownColumns; ++c) {
            if (!asciiUpper(cellText(r, c)).contains(wanted))
                continue;
            if (r >= 1) {
                StringGrid1->setCurrentCell(r - 1, c);
                StringGrid1->scrollToItem(StringGrid1->item(r - 1, c), QAbstractItemView::PositionAtTop);
            }
            StringGrid1->horizontalScrollBar()->setValue(StringGrid1->columnViewportPosition(c)
                                                         + StringGrid1->horizontalScrollBar()->value());
            if (m_reporter.question(TranslateText(QStringLiteral("Weitersuchen?")), QString(),
                                              Reporter::Buttons::YesNo)
                != Reporter::Answer::Yes)
                return;
        }
    }
}

void TTranslateForm::DeleteRowBtnClick()
{
    const int gridRow = StringGrid1->currentRow() + 1; // the headings are row 0
    TranslationDictionary &d = dictionary();
    if (StringGrid1->currentRow() >= 0 && gridRow >= 1 && quint32(gridRow) <= d.rowCount()) {
        const QString key = d.text(quint32(gridRow - 1), 0);
        // No is the default: Esc then Enter must never delete a row.
        if (m_reporter.question(key, TranslateText(QStringLiteral("Zeile löschen")),
                                Reporter::Buttons::YesNoCancelDefaultNo)
            == Reporter::Answer::Yes)
            d.DeleteRow(quint32(gridRow - 1));
    }
    d.SaveTranslationFile();
    const int column = std::max(0, StringGrid1->currentColumn());
    FillStringGrid();
    if (gridRow - 1 < StringGrid1->rowCount() && gridRow >= 1)
        StringGrid1->setCurrentCell(gridRow - 1, column);
}

bool TTranslateForm::eventFilter(QObject *watched, QEvent *event)
{
    // Delete, while no cell is being edited, deletes the row. (While a cell
    // is edited, its editor has the keys, and the grid sees none of them.)
    if (watched == StringGrid1 && event->type() == QEvent::KeyPress
        && static_cast<QKeyEvent *>(event)->key() == Qt::Key_Delete) {
        DeleteRowBtnClick();
        return true;
    }
    return SettingsForm::eventFilter(watched, event);
}

void TTranslateForm::keyPressEvent(QKeyEvent *event)
{
    // "Zeile löschen" is the window's cancel button: Esc reaches it, and so
    // does not close the window.
    if (event->key() == Qt::Key_Escape) {
        DeleteRowBtnClick();
        return;
    }
    SettingsForm::keyPressEvent(event);
}

void TTranslateForm::updateProgress()
{
    // Looked up first: the first lookup adds these texts as keys themselves.
    const QString english = TranslateText(QStringLiteral("Englisch: %1 von %2 übersetzt"));
    const QString spanish = TranslateText(QStringLiteral("Spanisch: %1 von %2 übersetzt"));
    TranslationDictionary &d = dictionary();
    const int keys = d.keyCount();
    ProgressLabel->setText(english.arg(d.translatedCount(TranslationDictionary::EnglishColumn)).arg(keys)
                           + QStringLiteral("    ")
                           + spanish.arg(d.translatedCount(TranslationDictionary::SpanishColumn)).arg(keys));
}

void TTranslateForm::Button1Click()
{
    // UTF-8 with a byte-order mark, which the import reads back: a key with a
    // letter Windows-1252 lacks would otherwise come back as "?" and match no row.
    QFile file(QStringLiteral("outtrans_Espannol.txt"));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        m_reporter.error(file.errorString());
        return;
    }
    QByteArray out("\xEF\xBB\xBF");
    for (int r = 0; r <= StringGrid1->rowCount(); ++r) {
        if (!cellText(r, 2).isEmpty() || cellText(r, 1).isEmpty())
            continue;
        out += exportLine(cellText(r, 0)).toUtf8() + "\r\n";
    }
    if (file.write(out) != out.size())
        m_reporter.error(file.errorString());
}

void TTranslateForm::Button2Click()
{
    bool translatedOk = false;
    bool exportedOk = false;
    const QStringList memo1 = readLines(QStringLiteral("espannol.txt"), &translatedOk);
    const QStringList memo2 = readLines(QStringLiteral("outtrans_Espannol.txt"), &exportedOk);
    if (!translatedOk || !exportedOk) {
        m_reporter.error(UiText(QStringLiteral("Die Dateien \"espannol.txt\" und \"outtrans_Espannol.txt\" "
                                                         "werden im aktuellen Verzeichnis gebraucht.")));
        return;
    }
    // Line k of the translations belongs to line k of the export. Each
    // exported key is looked for from the row after the previous find on,
    // round to the start: a key that is gone (deleted, edited since) costs
    // only its own line, never the pairing of the lines after it.
    const int rows = StringGrid1->rowCount();
    int next = 1;
    for (qsizetype k = 0; k < memo2.size() && k < memo1.size(); ++k) {
        const QString key = importLine(memo2.at(k));
        for (int step = 0; step < rows; ++step) {
            const int r = 1 + (next - 1 + step) % rows;
            if (cellText(r, 0) != key)
                continue;
            const QString translation = importLine(memo1.at(k));
            StringGrid1->item(r - 1, 2)->setText(translation);
            StringGrid1SetEditText(r, 2, translation);
            next = r % rows + 1;
            break;
        }
    }
    dictionary().SaveTranslationFile();
}
