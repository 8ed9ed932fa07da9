// Saves one of the program's data files over and over, alternating between two
// contents, until it is killed:   save_worker translate|benutzer|options DIR
// It writes DIR/ready after its first complete save.
#include <QCoreApplication>
#include <QFile>

#include "session/LanguageOptions.h"
#include "base/Reporter.h"
#include "storage/UserListStore.h"
#include "translation/translateunit.h"

namespace {

constexpr int Rows = 20000;

void markReady(const QString &dir)
{
    QFile ready(dir + QStringLiteral("/ready"));
    ready.open(QIODevice::WriteOnly);
}

void writeInitialDictionary(const QString &path)
{
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    WriteInt32(&file, TranslationDictionary::Columns);
    WriteInt32(&file, Rows);
    for (int i = 0; i < Rows; ++i) {
        WriteWideStr(&file, QStringLiteral("Schlüssel %1 mit etwas mehr Text").arg(i));
        for (int c = 1; c < TranslationDictionary::Columns; ++c)
            WriteWideStr(&file, QString());
    }
}

class SilentReporter final : public Reporter
{
public:
    void error(const QString &, const QString &) override {}
    void information(const QString &, const QString &) override {}
    Answer question(const QString &, const QString &, Buttons) override { return Answer::No; }
};

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 3)
        return 2;
    const QString kind = args.at(1);
    const QString dir = args.at(2);
    SilentReporter reporter;

    if (kind == QLatin1String("translate")) {
        // Adding 20,000 keys one by one would rewrite the file 20,000 times:
        // the first file is written in one go and loaded.
        writeInitialDictionary(dir + QStringLiteral("/translate.dat"));
        TranslationDictionary dictionary(reporter, dir + QStringLiteral("/translate.dat"));
        dictionary.BuildTranslationIndex();
        for (int round = 0;; ++round) {
            // The row count alternates between Rows and Rows + 1.
            if (round % 2 == 0)
                dictionary.TranslateText(QStringLiteral("Extra"));
            else
                dictionary.DeleteRow(dictionary.rowCount() - 1);
            dictionary.SaveTranslationFile();
            if (round == 0)
                markReady(dir);
        }
    }
    if (kind == QLatin1String("benutzer")) {
        UserListData data;
        for (int i = 0; i < Rows; ++i)
            data.users.append({QStringLiteral("Mitarbeiter %1").arg(i), QStringLiteral("user%1").arg(i), QStringLiteral("pw")});
        for (int round = 0;; ++round) {
            if (round % 2 == 0)
                data.users.append({QStringLiteral("Extra"), QStringLiteral("extra"), QStringLiteral("pw")});
            else
                data.users.removeLast();
            UserListStore::save(dir + QStringLiteral("/benutzer.dat"), data);
            if (round == 0)
                markReady(dir);
        }
    }
    if (kind == QLatin1String("options")) {
        for (int round = 0;; ++round) {
            LanguageOptions::SaveOptions(dir + QLatin1Char('/'), 1 + round % 2);
            if (round == 0)
                markReady(dir);
        }
    }
    return 2;
}
