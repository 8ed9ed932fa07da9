#include "WorkingTimeLawCheck.h"

#include <algorithm>

#include <QCollator>

#include "EvaluationReport.h"
#include "storage/DateTimeText.h"
#include "storage/RecordTable.h"
#include "storage/WorkTimeTables.h"

namespace {

constexpr int MinutesPerDay = 24 * 60;
constexpr int DateWidth = 10;
constexpr int EmployeeWidth = 25; // as in the period evaluations
constexpr int TimeWidth = 5;

int minutesOf(QTime time)
{
    return time.msecsSinceStartOfDay() / 60000;
}

// A duration in minutes as H:MM, the way every evaluation writes one.
QString hoursAndMinutes(int minutes)
{
    return EvaluationReport::OutZeit(double(minutes) / MinutesPerDay);
}

// The reading of a field as text, reusing one string's storage per field.
struct BookingTexts
{
    QString datum, arbeiter, von, bis, pause;
};

} // namespace

QString WorkingTimeLawCheck::allEmployeesText()
{
    return QStringLiteral("(alle Mitarbeiter)");
}

QString WorkingTimeLawCheck::reversedPeriodText()
{
    return QStringLiteral("Der Zeitraum beginnt nach seinem Ende: bitte das Datum von und bis prüfen.");
}

WorkingTimeLawCheck::WorkingTimeLawCheck(Options options, Texts texts, WorkingTimeRules rules)
    : m_options(std::move(options))
    , m_texts(std::move(texts))
    , m_rules(std::move(rules))
{
    m_checked = m_rules.applicable(m_options.hoursOnly);
    // Looked up once: a long report writes them on every line.
    m_titles = {m_texts.programText(36), m_texts.programText(43), m_texts.translate(QStringLiteral("Paragraf")),
                m_texts.translate(QStringLiteral("Festgestellt")), m_texts.translate(QStringLiteral("Grenzwert")),
                m_texts.translate(QStringLiteral("Erläuterung"))};
    for (const WorkingTimeRule *rule : m_checked)
        m_explanations << m_texts.translate(rule->explanation);
}

bool WorkingTimeLawCheck::read(RecordTable &table)
{
    constexpr int ProgressEvery = 8192;
    m_errorString.clear();
    // A booking left unread would hide its violations: the check fails instead.
    if (!table.refresh()) {
        m_errorString = table.errorString();
        return false;
    }
    const qint64 to = m_options.to.toJulianDay();
    BookingTexts texts;
    const int rows = std::max(1, table.rowCount());
    int row = 0;
    bool cancelled = false;
    const bool read = table.scan([&](const DbfRecord &record) {
        if (m_options.keepGoing && row % ProgressEvery == 0 && !m_options.keepGoing(double(row) / rows)) {
            cancelled = true;
            return false;
        }
        ++row;
        // The cheap tests first: most rows of a large table lie outside the period.
        record.text(WorkTimeTables::Datum, texts.datum);
        const auto date = DateTimeText::parseDate(texts.datum);
        if (!date || date->toJulianDay() > to)
            return true;
        record.text(WorkTimeTables::Arbeiter, texts.arbeiter);
        if (m_options.employee && texts.arbeiter != *m_options.employee)
            return true;
        record.text(WorkTimeTables::ZeitVon, texts.von);
        record.text(WorkTimeTables::ZeitBis, texts.bis);
        const auto start = DateTimeText::parseTime(texts.von);
        const auto end = DateTimeText::parseTime(texts.bis);
        if (!start || !end)
            return true; // as the other evaluations leave such a booking out of their sums
        record.text(WorkTimeTables::Pause, texts.pause);
        const auto pause = DateTimeText::parseTime(texts.pause);
        addBooking(texts.arbeiter, date->toJulianDay(), minutesOf(*start), minutesOf(*end), pause ? minutesOf(*pause) : 0);
        return true;
    });
    if (!read)
        m_errorString = table.errorString();
    return read && !cancelled;
}

void WorkingTimeLawCheck::addBooking(const QString &employee, qint64 day, int start, int end, int pause)
{
    Employee &person = employeeNamed(employee);
    const int shortestBreak = m_rules.limits.shortestCountedGap;
    const qint64 from = m_options.from.toJulianDay();
    if (day >= from) {
        person.days[day].add(start, end, pause, shortestBreak);
        return;
    }
    // Work of the night before the period may run into its first day.
    if (day == from - 1) {
        if (!person.eve)
            person.eve.emplace();
        person.eve->add(start, end, pause, shortestBreak);
    }
    // Before the period only the last working day counts, for the rest
    // before the first day of the period.
    const int latestEnd = end < start ? end + MinutesPerDay : end;
    if (!person.before || person.before->day < day)
        person.before = LastDay{day, latestEnd};
    else if (person.before->day == day)
        person.before->latestEnd = std::max(person.before->latestEnd, latestEnd);
}

WorkingTimeLawCheck::Employee &WorkingTimeLawCheck::employeeNamed(const QString &name)
{
    if (m_lastEmployee >= 0 && m_employees[size_t(m_lastEmployee)].name == name)
        return m_employees[size_t(m_lastEmployee)];
    auto found = m_employeeIndex.constFind(name);
    if (found == m_employeeIndex.constEnd()) {
        found = m_employeeIndex.insert(name, int(m_employees.size()));
        m_employees.push_back(Employee{name, {}, std::nullopt, std::nullopt});
    }
    m_lastEmployee = *found;
    return m_employees[size_t(m_lastEmployee)];
}

int WorkingTimeLawCheck::checkedDays() const
{
    int days = 0;
    for (const Employee &employee : m_employees)
        days += int(employee.days.size());
    return days;
}

std::vector<const WorkingTimeLawCheck::Employee *> WorkingTimeLawCheck::sortedEmployees() const
{
    std::vector<const Employee *> sorted;
    sorted.reserve(m_employees.size());
    for (const Employee &employee : m_employees)
        sorted.push_back(&employee);
    // Names that the collation holds equal still come in a fixed order.
    QCollator collator(m_options.locale);
    std::sort(sorted.begin(), sorted.end(), [&collator](const Employee *a, const Employee *b) {
        const int order = collator.compare(a->name, b->name);
        return order != 0 ? order < 0 : a->name < b->name;
    });
    return sorted;
}

// Hours-only bookings have no times of day: their hours count as booked,
// on their date.
WorkingDayFacts WorkingTimeLawCheck::factsOf(qint64 day, const WorkingDayTally &tally,
                                             const std::optional<LastDay> &previous,
                                             const WorkingDayTally *dayBefore) const
{
    WorkingDayFacts facts;
    facts.date = QDate::fromJulianDay(day);
    facts.work = m_options.hoursOnly ? tally.bookedWork() : tally.work();
    facts.breaks = tally.breaks(m_rules.limits.shortestCountedGap);
    if (previous)
        facts.rest = int((day - previous->day) * MinutesPerDay) + tally.earliestStart() - previous->latestEnd;
    facts.workOnDate = m_options.hoursOnly ? tally.bookedWork() : tally.workOnDate(dayBefore);
    facts.holiday = m_options.isHoliday && m_options.isHoliday(facts.date);
    return facts;
}

// The day after `day` when it has no bookings of its own but the night
// work of `day` runs into it: it is no working day of its own (no rest
// ends there), only its hours by the clock are checked.
std::optional<WorkingDayFacts> WorkingTimeLawCheck::nightWorkAfter(qint64 day, const WorkingDayTally &tally) const
{
    if (m_options.hoursOnly || tally.latestEnd() <= MinutesPerDay || day + 1 > m_options.to.toJulianDay())
        return std::nullopt;
    WorkingDayFacts facts;
    facts.date = QDate::fromJulianDay(day + 1);
    facts.workOnDate = WorkingDayTally::workAfterMidnight(tally);
    facts.holiday = m_options.isHoliday && m_options.isHoliday(facts.date);
    return facts;
}

void WorkingTimeLawCheck::checkDay(const WorkingDayFacts &facts, const QString &employee,
                                   const std::function<void(const Violation &)> &visit) const
{
    for (size_t rule = 0; rule < m_checked.size(); ++rule) {
        if (const auto finding = m_checked[rule]->check(facts, m_rules.limits))
            visit(Violation{facts.date, &employee, rule, *finding});
    }
}

void WorkingTimeLawCheck::forEachViolation(const std::function<void(const Violation &)> &visit) const
{
    const qint64 from = m_options.from.toJulianDay();
    for (const Employee *employee : sortedEmployees()) {
        std::optional<LastDay> previous = employee->before;
        // The date before the one at hand and its bookings, for the night
        // work that runs past midnight.
        qint64 lastDay = from - 1;
        const WorkingDayTally *lastTally = employee->eve ? &*employee->eve : nullptr;
        for (const auto &[day, tally] : employee->days) {
            if (lastTally && lastDay + 1 < day) {
                if (const auto night = nightWorkAfter(lastDay, *lastTally))
                    checkDay(*night, employee->name, visit);
            }
            const WorkingDayTally *dayBefore = lastDay + 1 == day ? lastTally : nullptr;
            checkDay(factsOf(day, tally, previous, dayBefore), employee->name, visit);
            previous = LastDay{day, tally.latestEnd()};
            lastDay = day;
            lastTally = &tally;
        }
        if (lastTally) {
            if (const auto night = nightWorkAfter(lastDay, *lastTally))
                checkDay(*night, employee->name, visit);
        }
    }
}

QString WorkingTimeLawCheck::title() const
{
    const QString subject = m_options.employee ? *m_options.employee : m_texts.translate(allEmployeesText());
    return m_texts.translate(QStringLiteral("Auswertung Arbeitszeitgesetz")) + QLatin1Char(' ') + subject;
}

// The width pass: the findings come from the days in memory, so they are
// simply made once more.
WorkingTimeLawCheck::Widths WorkingTimeLawCheck::measure() const
{
    Widths widths{std::max<int>(DateWidth, int(m_titles[0].size())), std::max<int>(EmployeeWidth, int(m_titles[1].size())),
                  int(m_titles[2].size()), std::max<int>(TimeWidth, int(m_titles[3].size())),
                  std::max<int>(TimeWidth, int(m_titles[4].size()))};
    forEachViolation([this, &widths](const Violation &v) {
        widths.employee = std::max<int>(widths.employee, int(v.employee->size()));
        widths.paragraph = std::max<int>(widths.paragraph, int(m_checked[v.rule]->paragraph.size()));
        widths.found = std::max<int>(widths.found, int(hoursAndMinutes(v.finding.found).size()));
        widths.limit = std::max<int>(widths.limit, int(hoursAndMinutes(v.finding.limit).size()));
    });
    return widths;
}

// Columns padded on the right and joined by single blanks; the explanation
// at the end is never padded.
QString WorkingTimeLawCheck::line(const QStringList &cells, const Widths &widths) const
{
    const int width[] = {widths.date, widths.employee, widths.paragraph, widths.found, widths.limit};
    QString text;
    for (int c = 0; c < 5; ++c)
        text += cells[c].leftJustified(width[c]) + QLatin1Char(' ');
    return text + cells[5];
}

// Each paragraph once, in the order of the rules: § 9 has two (Sundays and
// public holidays).
QStringList WorkingTimeLawCheck::checkedParagraphs() const
{
    QStringList paragraphs;
    for (const WorkingTimeRule *rule : m_checked) {
        if (!paragraphs.contains(rule->paragraph))
            paragraphs << rule->paragraph;
    }
    return paragraphs;
}

// Which reading of the bookings the findings rest on, and so which rules
// were checked: the same table reads differently with and without times.
QString WorkingTimeLawCheck::readingLine() const
{
    QStringList paragraphs = checkedParagraphs();
    const QString line = m_options.hoursOnly ? QStringLiteral("Nur Stundenanzahl erfasst: geprüft werden nur %1.")
                                             : QStringLiteral("Mit Uhrzeiten von bis gelesen: geprüft werden %1.");
    // "§ 3 und § 9": the last two joined by the language's "and".
    QString listed = paragraphs.takeLast();
    if (!paragraphs.isEmpty())
        listed = m_texts.translate(QStringLiteral("%1 und %2")).arg(paragraphs.join(QStringLiteral(", ")), listed);
    return m_texts.translate(line).arg(listed);
}

void WorkingTimeLawCheck::writeReport(const LineSink &sink) const
{
    sink(title());
    sink(readingLine());
    sink(m_texts.programText(24) + QLatin1Char(' ') + DateTimeText::formatDate(m_options.from) + QLatin1Char(' ')
         + m_texts.programText(25) + QLatin1Char(' ') + DateTimeText::formatDate(m_options.to));
    sink(QString());
    const Widths widths = measure();
    sink(line(m_titles, widths));

    std::vector<int> counts(m_checked.size(), 0);
    forEachViolation([&](const Violation &v) {
        counts[v.rule] += 1;
        sink(line({DateTimeText::formatDate(v.date), *v.employee, m_checked[v.rule]->paragraph,
                   hoursAndMinutes(v.finding.found), hoursAndMinutes(v.finding.limit), m_explanations[v.rule]},
                  widths));
    });
    if (std::all_of(counts.begin(), counts.end(), [](int count) { return count == 0; }))
        sink(m_texts.translate(QStringLiteral("Keine Verstöße gefunden.")));
    writeTotals(sink, counts);
}

void WorkingTimeLawCheck::writeTotals(const LineSink &sink, const std::vector<int> &counts) const
{
    sink(QString());
    for (const QString &paragraph : checkedParagraphs()) {
        int count = 0;
        for (size_t i = 0; i < m_checked.size(); ++i)
            count += m_checked[i]->paragraph == paragraph ? counts[i] : 0;
        sink(m_texts.translate(QStringLiteral("Verstöße gegen %1:")).arg(paragraph) + QLatin1Char(' ')
             + QString::number(count));
    }
    sink(m_texts.translate(QStringLiteral("Geprüfte Mitarbeitertage:")) + QLatin1Char(' ')
         + QString::number(checkedDays()));
}

void WorkingTimeLawCheck::writeCsv(const RowSink &sink) const
{
    sink(m_titles);
    forEachViolation([&](const Violation &v) {
        sink({DateTimeText::formatDate(v.date), *v.employee, QString(m_checked[v.rule]->paragraph).remove(QLatin1Char(' ')),
              hoursAndMinutes(v.finding.found), hoursAndMinutes(v.finding.limit), m_explanations[v.rule]});
    });
}
