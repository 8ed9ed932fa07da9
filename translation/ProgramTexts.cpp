#include "ProgramTexts.h"

namespace ProgramTexts {

namespace {

// Index n holds text n; index 0 is unused.
const char16_t *const s_texts[Count + 1] = {
    u"",
    u"Bitte schließen Sie das Programm und starten Sie es erneut.", // 1
    u"Übersetzen", // 2
    u"Das Passwort oder der Benutzername war leider falsch.", // 3
    u"Fehler beim Einloggen", // 4
    u"Die zwei eingegebenen Passwörter stimmen nicht überein!", // 5
    u"Auswertung", // 6
    u"Hiermit löschen Sie den folgenden Mitarbeiter:", // 7
    u"Löschen", // 8
    u"Das Feld für den Ort darf nicht leer sein!", // 9
    u"Das Feld für die Tätigkeit darf nicht leer sein!", // 10
    u"Die Von- und Bis-Zeit muss unterschiedlich sein!", // 11
    u"Die Bis-Zeit muss größer als die Von-Zeit sein!", // 12
    u"Die Pauszeit kann nicht länger als der Arbeitszeitraum sein!", // 13
    u"Für diesen Zeitraum existiert bereits eine Buchung. Trotzdem buchen?", // 14
    u"Doppelte Buchung?", // 15
    u"Pausen:", // 16
    u"", // 17
    u"", // 18
    u"Das Passwort war leider falsch.", // 19
    u"", // 20
    u"", // 21
    u"", // 22
    u"Auswertung Mitarbeiter", // 23
    u"Zeitraum von:", // 24
    u"bis:", // 25
    u"Auswärts", // 26
    u"Auswärtsübernachtungen:", // 27
    u"Abgezogene Pausenzeit in Stunden:", // 28
    u"Gesamtstunden:", // 29
    u"Es gibt noch keine Buchungen von irgendeinem Mitarbeiter.", // 30
    u"Auswertung Ort/Baustelle/Kunde", // 31
    u"Es gibt noch keine Buchungen von irgendeinem Ort.", // 32
    u"Es gibt noch keine Buchungen von irgendeiner Tätigkeit.", // 33
    u"Auswertung Tätigkeit", // 34
    u"Pause", // 35
    u"Datum", // 36
    u"Ort", // 37
    u"Tätigkeit", // 38
    u"Von", // 39
    u"Bis", // 40
    u"Übernachtung", // 41
    u"Bemerkungen", // 42
    u"Mitarbeiter", // 43
    u"Arbeiter", // 44
    u"Zeit von", // 45
    u"Zeit bis", // 46
    u"Auswaerts", // 47
    u"Doppelt", // 48
    u"Auswertung Zeitraum", // 49
    u"Datum Eintrag", // 50
    u"Zeit Eintrag", // 51
};

} // namespace

QString german(int n)
{
    if (n < 1 || n > Count)
        return {};
    return QString::fromUtf16(s_texts[n]);
}

} // namespace ProgramTexts
