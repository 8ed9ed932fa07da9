// Takes the README's pictures of the login window, the main window and an
// employee's record list:
//   take_screenshots OUTDIR [de|en|es]
// (English and Spanish pictures get the suffix -en or -es), with the
// dictionary built beside this program, as a user who chose that language
// sees them from the first start on.
// in a scratch home with a few sample bookings. scripts/screenshots.sh runs
// it under a virtual X server.
#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include "session/AppContext.h"
#include "session/LanguageOptions.h"
#include "base/Clock.h"
#include "gui/app/ApplicationForms.h"
#include "gui/app/EinloggenFUnit.h"
#include "gui/app/MainUnit.h"
#include "gui/base/MessageBoxReporter.h"
#include "gui/recording/AuflistenFUnit.h"
#include "storage/DbfTable.h"
#include "storage/WorkTimeTables.h"
#include "translation/translateunit.h"
#include "gui/widgets/DataGrid.h"

namespace {

void addSampleBookings(DbfTable &table)
{
    const struct {
        const char *date, *employee, *place, *activity, *from, *to, *remark, *pause;
        bool away;
    } bookings[] = {
        {"02.12.2026", "Müller, Jürgen", "Köln, Baustelle Schloßplatz 3", "Montage", "07:00", "15:30", "", "00:30", false},
        {"02.12.2026", "Schäfer, Käthe", "Lübeck, Hauptstraße", "Übergabe", "08:00", "12:00", "Schlüssel übergeben", "00:00", false},
        {"03.12.2026", "Müller, Jürgen", "Gießen, Praxis Dr. Größer", "Wartung", "06:30", "17:00", "Ersatzteil bestellt", "00:45", true},
        {"03.12.2026", "Özdemir, Zoë", "Werkstatt", "Qualitätsprüfung", "07:15", "16:00", "", "00:30", false},
        {"04.12.2026", "Schäfer, Käthe", "Köln, Baustelle Schloßplatz 3", "Störungsbeseitigung", "22:00", "06:00", "Nachtarbeit", "00:30", true},
    };
    for (const auto &b : bookings) {
        DbfRecord record = table.newRecord();
        record.setText(WorkTimeTables::Datum, QString::fromUtf8(b.date));
        record.setText(WorkTimeTables::Arbeiter, QString::fromUtf8(b.employee));
        record.setText(WorkTimeTables::Ort, QString::fromUtf8(b.place));
        record.setText(WorkTimeTables::Taetigkeit, QString::fromUtf8(b.activity));
        record.setText(WorkTimeTables::ZeitVon, QString::fromUtf8(b.from));
        record.setText(WorkTimeTables::ZeitBis, QString::fromUtf8(b.to));
        record.setText(WorkTimeTables::Bemerkungen, QString::fromUtf8(b.remark));
        record.setLogical(WorkTimeTables::Auswaerts, b.away);
        record.setText(WorkTimeTables::Pause, QString::fromUtf8(b.pause));
        record.setLogical(WorkTimeTables::Doppelt, false);
        record.setText(WorkTimeTables::DatumEintrag, QString::fromUtf8(b.date));
        record.setText(WorkTimeTables::ZeitEintrag, QStringLiteral("17:05"));
        table.append(record);
    }
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    ApplicationForms::setUpApplication();
    const QString outDir = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
    const QString language = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QStringLiteral("de");
    const int code = language == QLatin1String("en")   ? TranslationDictionary::English
                     : language == QLatin1String("es") ? TranslationDictionary::Spanish
                                                       : TranslationDictionary::German;
    const QString suffix = code == TranslationDictionary::German ? QString() : QLatin1Char('-') + language;
    QTemporaryDir home;
    QDir(home.path()).mkpath(QStringLiteral("program"));
    QFile::copy(QCoreApplication::applicationDirPath() + QStringLiteral("/translate.dat"),
                home.filePath(QStringLiteral("program/translate.dat")));
    MessageBoxReporter reporter;
    SystemClock clock;
    AppContext context(reporter, clock, home.filePath(QStringLiteral("program")), home.filePath(QStringLiteral("data")),
                       std::make_unique<WindowSettingsStore>(home.filePath(QStringLiteral("settings.ini"))));
    ApplicationForms forms(context);
    LanguageOptions::SaveOptions(context.GetProgramDir(true), code);
    TEinloggenForm *login = forms.EinloggenForm;
    login->show();
    addSampleBookings(context.tables().Dbf1);

    int failures = 0;
    QTimer::singleShot(300, [&] {
        if (!login->grab().save(outDir + QStringLiteral("/login-window%1.png").arg(suffix)))
            ++failures;
        login->hide();
        TMainForm *main = forms.MainForm;
        main->resize(1100, 380);
        main->show();
        main->DBGrid1->resizeColumnsToContents();
        QTimer::singleShot(300, [&, main] {
            if (!main->grab().save(outDir + QStringLiteral("/main-window%1.png").arg(suffix)))
                ++failures;
            main->hide();
            // An employee's own list, headed like the main window's grid.
            context.arbeiter = QStringLiteral("Müller, Jürgen");
            TDatenAuflistenForm *list = forms.DatenAuflistenForm;
            QTimer::singleShot(300, [&, list] {
                list->DBGrid1->resizeColumnsToContents();
                if (!list->grab().save(outDir + QStringLiteral("/record-list%1.png").arg(suffix)))
                    ++failures;
                list->accept();
            });
            list->resize(900, 220);
            list->showList();
            QApplication::exit(failures);
        });
    });
    return QApplication::exec();
}
