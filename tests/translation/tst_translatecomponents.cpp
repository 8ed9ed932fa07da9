#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QtTest>

#include "support/RecordingReporter.h"
#include "gui/translation/TranslateComponents.h"
#include "translation/translateunit.h"

class TestTranslateComponents : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void translatesEveryKindOfText();
    void leavesDataAndSecretsAlone();
    void visitsBreadthFirstLastChildFirst();
    void applicationWalkCoversEveryWindow();

private:
    QStringList keys();

    std::unique_ptr<QTemporaryDir> m_dir;
    RecordingReporter m_reporter;
    std::unique_ptr<TranslationDictionary> m_dictionary;
};

void TestTranslateComponents::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_dictionary = std::make_unique<TranslationDictionary>(m_reporter, m_dir->filePath(QStringLiteral("translate.dat")));
    TranslationDictionary::setGlobal(m_dictionary.get());
    m_dictionary->BuildTranslationIndex();
    m_dictionary->setCurrentLanguage(TranslationDictionary::English);
    const QList<QPair<QString, QString>> english = {
        {QStringLiteral("Fenster"), QStringLiteral("Window")},    {QStringLiteral("Name:"), QStringLiteral("Name:")},
        {QStringLiteral("Merken"), QStringLiteral("Remember")},   {QStringLiteral("Hinweis"), QStringLiteral("Hint")},
        {QStringLiteral("Gruppe"), QStringLiteral("Group")},      {QStringLiteral("Datei"), QStringLiteral("File")},
        {QStringLiteral("Öffnen..."), QStringLiteral("Open...")}, {QStringLiteral("Ort"), QStringLiteral("Place")},
        {QStringLiteral("Spalte"), QStringLiteral("Column")},     {QStringLiteral("Zeile eins"), QStringLiteral("Line one")},
        {QStringLiteral("Knopf"), QStringLiteral("Button")},      {QStringLiteral("Liste"), QStringLiteral("List")},
    };
    for (const auto &[german, translation] : english) {
        m_dictionary->TranslateText(german);
        m_dictionary->setText(m_dictionary->rowCount() - 1, TranslationDictionary::EnglishColumn, translation);
    }
}

void TestTranslateComponents::cleanup()
{
    TranslationDictionary::setGlobal(nullptr);
    m_dictionary.reset();
}

QStringList TestTranslateComponents::keys()
{
    QStringList result;
    for (quint32 row = 0; row < m_dictionary->rowCount(); ++row)
        result << m_dictionary->text(row, 0);
    return result;
}

void TestTranslateComponents::translatesEveryKindOfText()
{
    QDialog window;
    window.setWindowTitle(QStringLiteral("Fenster"));
    auto *label = new QLabel(QStringLiteral("Name:"), &window);
    auto *check = new QCheckBox(QStringLiteral("Merken"), &window);
    check->setToolTip(QStringLiteral("Hinweis"));
    auto *group = new QGroupBox(QStringLiteral("Gruppe"), &window);
    auto *button = new QPushButton(QStringLiteral("Knopf"), group);
    auto *menuBar = new QMenuBar(&window);
    QMenu *menu = menuBar->addMenu(QStringLiteral("Datei"));
    QAction *open = menu->addAction(QStringLiteral("Öffnen..."));
    auto *combo = new QComboBox(&window);
    combo->addItems({QStringLiteral("Ort"), QStringLiteral("Liste")});
    combo->setCurrentIndex(1);
    auto *grid = new QTableWidget(1, 2, &window);
    grid->setHorizontalHeaderLabels({QStringLiteral("Spalte"), QStringLiteral("Ort")});
    auto *list = new QTreeWidget(&window);
    list->setHeaderLabels({QStringLiteral("Liste"), QStringLiteral("Spalte")});
    auto *memo = new QPlainTextEdit(QStringLiteral("Zeile eins\nZeile zwei"), &window);

    TranslateComponents(&window);

    QCOMPARE(window.windowTitle(), QStringLiteral("Window"));
    QCOMPARE(label->text(), QStringLiteral("Name:"));
    QCOMPARE(check->text(), QStringLiteral("Remember"));
    QCOMPARE(check->toolTip(), QStringLiteral("Hint"));
    QCOMPARE(group->title(), QStringLiteral("Group"));
    QCOMPARE(button->text(), QStringLiteral("Button"));
    QCOMPARE(menu->title(), QStringLiteral("File"));
    QCOMPARE(open->text(), QStringLiteral("Open..."));
    QCOMPARE(combo->itemText(0), QStringLiteral("Place"));
    QCOMPARE(combo->itemText(1), QStringLiteral("List"));
    QCOMPARE(combo->currentIndex(), 1);
    QCOMPARE(grid->horizontalHeaderItem(0)->text(), QStringLiteral("Column"));
    QCOMPARE(grid->horizontalHeaderItem(1)->text(), QStringLiteral("Place"));
    QCOMPARE(list->headerItem()->text(0), QStringLiteral("List"));
    QCOMPARE(memo->toPlainText(), QStringLiteral("Line one\nZeile zwei"));
    // Only the untranslated memo line is new; nothing was registered twice,
    // and the menu's implied tool tip and the submenu's own action were not.
    QCOMPARE(keys().mid(12), QStringList{QStringLiteral("Zeile zwei")});
}

void TestTranslateComponents::leavesDataAndSecretsAlone()
{
    QDialog window;
    auto *password = new QLineEdit(QStringLiteral("geheim"), &window);
    password->setEchoMode(QLineEdit::Password);
    auto *directory = new QLineEdit(QStringLiteral("/home/anna/Tagwerk/"), &window);
    directory->setReadOnly(true);
    auto *editableCombo = new QComboBox(&window);
    editableCombo->setEditable(true);
    editableCombo->addItem(QStringLiteral("Ort"));
    auto *date = new QDateEdit(QDate(2024, 3, 15), &window);
    auto *plain = new QLineEdit(QStringLiteral("Ort"), &window);

    TranslateComponents(&window);

    QCOMPARE(password->text(), QStringLiteral("geheim"));
    QCOMPARE(directory->text(), QStringLiteral("/home/anna/Tagwerk/"));
    QCOMPARE(editableCombo->itemText(0), QStringLiteral("Place"));
    QCOMPARE(date->date(), QDate(2024, 3, 15));
    QCOMPARE(plain->text(), QStringLiteral("Place"));
    const QStringList added = keys().mid(12);
    QVERIFY2(added.isEmpty(), qPrintable(added.join(QLatin1String(" | "))));
}

void TestTranslateComponents::visitsBreadthFirstLastChildFirst()
{
    QDialog window;
    window.setWindowTitle(QStringLiteral("W"));
    auto *first = new QGroupBox(QStringLiteral("G1"), &window);
    new QLabel(QStringLiteral("G1a"), first);
    new QLabel(QStringLiteral("G1b"), first);
    auto *second = new QGroupBox(QStringLiteral("G2"), &window);
    new QLabel(QStringLiteral("G2a"), second);
    new QLabel(QStringLiteral("L"), &window);

    TranslateComponents(&window);

    QCOMPARE(keys().mid(12), (QStringList{QStringLiteral("W"), QStringLiteral("L"), QStringLiteral("G2"),
                                          QStringLiteral("G1"), QStringLiteral("G2a"), QStringLiteral("G1b"),
                                          QStringLiteral("G1a")}));
}

void TestTranslateComponents::applicationWalkCoversEveryWindow()
{
    QDialog one;
    one.setWindowTitle(QStringLiteral("Eins"));
    new QLabel(QStringLiteral("Ort"), &one);
    QDialog two;
    two.setWindowTitle(QStringLiteral("Fenster"));
    auto *label = new QLabel(QStringLiteral("Merken"), &two);

    TranslateComponents(QList<QWidget *>{&one, &two});

    QCOMPARE(two.windowTitle(), QStringLiteral("Window"));
    QCOMPARE(label->text(), QStringLiteral("Remember"));
    // The windows are the application's components: the last comes first.
    QCOMPARE(keys().mid(12), QStringList{QStringLiteral("Eins")});
}

QTEST_MAIN(TestTranslateComponents)
#include "tst_translatecomponents.moc"
