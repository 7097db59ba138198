// The run's report as a PDF to leave with the customer: A4, its heading (title, date, the
// computer's name, the program and its version), then the table of the run's changes, one
// row per entry, its cells wrapped to the column; rows that do not fit continue on the next
// page under the table's header again. Text stays text (fonts embedded), so it can be
// selected and searched.
#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <vector>

struct ReportHeading {
    QString title;    // "Изменения параметров контроллеров"
    QString date;     // "09.12.2026 14:10"
    QString computer; // the computer's name
    QString program;  // the program's name and version
};

// The heading of a report made now on this computer by this program.
ReportHeading ThisReportHeading(const QDateTime& localTime);

// The PDF: heading, then the table with columns headings and these rows.
QByteArray ReportPdf(const ReportHeading& heading, const QStringList& headings,
                     const std::vector<QStringList>& rows);
