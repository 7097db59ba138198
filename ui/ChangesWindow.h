// The window "Изменения за сеанс": the run's writes in a table, one row per write in the
// order written, with their checks as they end; the old values of a controller written back
// with "Вернуть прежние параметры"; the report saved with "Сохранить отчёт…" as PDF or CSV.
// It is a window of its own beside the main window, which keeps working.
#pragma once

#include "Controllers.h"
#include "RunRecord.h"

#include <QDateTime>
#include <QString>
#include <QWidget>
#include <cstddef>
#include <functional>
#include <optional>

class QLabel;
class QPushButton;
class QTableView;
class TRunRecordModel;
class TWriteCommand;

// Why the entry number row of record may not be written back, or nothing when it may: a
// later entry of its MAC, or its MAC not among the controllers of the last search (devices),
// which give the card and the address the frame goes by.
std::optional<QString> WriteBackBlock(const core::RunRecord& record, size_t row,
                                      const core::Controllers& devices);

// The name a saved report is offered under: "report-2026-12-09-1410.pdf"; suffix "pdf" or
// "csv".
QString ReportFileName(const QDateTime& localTime, const QString& suffix);

class TChangesWindow : public QWidget {
    Q_OBJECT
public:
    // model: the run's record; devices: the main window's controllers; write: its write
    // command; broadcastMode: where a write of the main window goes now. parent: the main
    // window.
    TChangesWindow(TRunRecordModel& model, const core::Controllers& devices, TWriteCommand& write,
                   std::function<bool()> broadcastMode, QWidget* parent);

    // Shows the window, or brings it to the front.
    void Open();
    // The buttons' state again: the controllers of the last search have changed.
    void Refresh();

    // "Вернуть прежние параметры": the selected entry's values before, to its MAC.
    void WriteBack();
    // "Сохранить отчёт…": asks for a file and writes the report there, as PDF or CSV by the
    // name's extension, else by the chosen filter; a failure is told in a message box.
    void SaveReport();

    QTableView* Table() const { return table_; }
    QLabel* EmptyText() const { return empty_; }
    QPushButton* WriteBackButton() const { return writeBack_; }
    QPushButton* SaveButton() const { return save_; }

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The selected entry: the table's current row.
    std::optional<size_t> SelectedRow() const;
    // Ctrl+C: the selected rows' CSV lines.
    void CopyRows();
    // Writes the report to path; false when it could not be.
    bool WriteReport(const QString& path, bool pdf);

    TRunRecordModel& model_;
    const core::Controllers& devices_;
    TWriteCommand& write_;
    std::function<bool()> broadcastMode_;
    QTableView* table_;
    QLabel* empty_;
    QPushButton* writeBack_;
    QPushButton* save_;
    QString folder_; // where the last report was saved
};
