// The run's record as the window shows it: a table model over core::RunRecord, one row per
// write that went out, in the order written. It owns the record: each frame the write command
// sends becomes a row, and each check that ends fills in its row's check column.
#pragma once

#include "RunRecord.h"
#include "WriteCheck.h"

#include <QAbstractTableModel>
#include <QString>
#include <QStringList>
#include <vector>

struct SentFrame;

// The table's columns.
enum class RunTableColumn { kTime, kMac, kBefore, kWritten, kDestination, kCard, kCheck };
constexpr int kRunTableColumns = 7;

// The columns' headings: "Время", "MAC", "Было", "Записано", "Куда отправлено", "Карта",
// "Проверка".
QStringList RunTableHeadings();

// An entry's cells in the window's words, in RunTableColumn order. checkSeconds: how long its
// check asked ("Не ответил за 10 с").
QStringList RunTableRow(const core::RunEntry& entry, int checkSeconds);

class TRunRecordModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit TRunRecordModel(QObject* parent = nullptr);

    const core::RunRecord& Record() const { return record_; }

    // A frame went out: a row is added, its check still running.
    void Add(const SentFrame& frame);
    // A check ended: the earliest row still checking for that MAC and those values takes
    // its outcome.
    void CheckEnded(const core::WriteCheckOutcome& outcome);

    // The rows' lines of the report's CSV, without its header line.
    std::string CsvLines(const std::vector<size_t>& rows) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    // How long the check of that row asked, in whole seconds.
    int CheckSeconds(size_t row) const { return checkSeconds_.at(row); }

private:
    core::RunRecord record_;
    std::vector<int> checkSeconds_; // by row
};
