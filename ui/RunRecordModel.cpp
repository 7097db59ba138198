#include "RunRecordModel.h"

#include "WindowText.h"
#include "WriteCommand.h"

#include <QDateTime>
#include <chrono>

namespace {

QString Quad(const core::Ip4& address) {
    return Text(core::DottedQuad(address));
}

// "192.168.1.10 / 255.255.255.0 / 192.168.1.1"
QString Values(const core::Ip4& ip, const core::Ip4& mask, const core::Ip4& gateway) {
    return QStringLiteral("%1 / %2 / %3").arg(Quad(ip), Quad(mask), Quad(gateway));
}

QString CheckText(const core::RunEntry& e, int checkSeconds) {
    switch (e.outcome) {
    case core::RunOutcome::kConfirmed:
        return QStringLiteral("Подтверждено");
    case core::RunOutcome::kOtherValues:
        return QStringLiteral("Не подтверждено: отвечает с %1, маска %2, шлюз %3")
            .arg(Quad(e.heardIp), Quad(e.heardMask), Quad(e.heardGateway));
    case core::RunOutcome::kNoAnswer:
        return QStringLiteral("Не ответил за %1 с").arg(checkSeconds);
    case core::RunOutcome::kChecking:
        return QStringLiteral("Проверяется…");
    case core::RunOutcome::kNotChecked:
        break;
    }
    return QStringLiteral("Не проверялось");
}

int Seconds(std::chrono::milliseconds time) {
    return static_cast<int>(std::chrono::duration_cast<std::chrono::seconds>(time).count());
}

} // namespace

QStringList RunTableHeadings() {
    return {QStringLiteral("Время"),
            QStringLiteral("MAC"),
            QStringLiteral("Было"),
            QStringLiteral("Записано"),
            QStringLiteral("Куда отправлено"),
            QStringLiteral("Карта"),
            QStringLiteral("Проверка")};
}

QStringList RunTableRow(const core::RunEntry& e, int checkSeconds) {
    const auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(e.time.time_since_epoch()).count();
    return {QDateTime::fromMSecsSinceEpoch(ms).toString(QStringLiteral("HH:mm:ss")),
            Text(core::MacText(e.mac)),
            Values(e.ipBefore, e.maskBefore, e.gatewayBefore),
            Values(e.ip, e.mask, e.gateway),
            Quad(e.destination),
            Text(e.card),
            CheckText(e, checkSeconds)};
}

TRunRecordModel::TRunRecordModel(QObject* parent) : QAbstractTableModel(parent) {}

void TRunRecordModel::Add(const SentFrame& frame) {
    core::RunEntry e;
    e.time = std::chrono::system_clock::now();
    e.card = frame.heard.cardName.empty() ? std::to_string(frame.heard.card) : frame.heard.cardName;
    e.mac = frame.heard.record.mac;
    e.ipBefore = frame.heard.record.ip;
    e.maskBefore = frame.heard.record.mask;
    e.gatewayBefore = frame.heard.record.gateway;
    e.ip = frame.write.wanted.ip;
    e.mask = frame.write.wanted.mask;
    e.gateway = frame.write.wanted.gateway;
    e.destination = frame.write.destination.address;
    e.outcome = core::RunOutcome::kChecking;
    const int row = rowCount();
    beginInsertRows({}, row, row);
    record_.Add(std::move(e));
    checkSeconds_.push_back(Seconds(frame.write.check.time));
    endInsertRows();
}

void TRunRecordModel::CheckEnded(const core::WriteCheckOutcome& outcome) {
    const core::ControllerRecord& wanted = outcome.request.wanted;
    for (size_t row = 0; row < record_.Count(); ++row) {
        const core::RunEntry& e = record_[row];
        if (e.outcome != core::RunOutcome::kChecking || e.mac != wanted.mac || e.ip != wanted.ip ||
            e.mask != wanted.mask || e.gateway != wanted.gateway)
            continue;
        record_.SetOutcome(row, outcome);
        checkSeconds_[row] = Seconds(outcome.request.time);
        const int r = static_cast<int>(row);
        emit dataChanged(index(r, 0), index(r, kRunTableColumns - 1));
        return;
    }
}

std::string TRunRecordModel::CsvLines(const std::vector<size_t>& rows) const {
    std::vector<core::RunEntry> entries;
    for (size_t row : rows)
        entries.push_back(record_[row]);
    const std::string csv = core::RunRecordCsv(entries);
    const size_t header = csv.find("\r\n");
    return header == std::string::npos ? std::string() : csv.substr(header + 2);
}

int TRunRecordModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(record_.Count());
}

int TRunRecordModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kRunTableColumns;
}

QVariant TRunRecordModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= kRunTableColumns)
        return {};
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole)
        return {};
    const auto row = static_cast<size_t>(index.row());
    return RunTableRow(record_[row], checkSeconds_[row]).at(index.column());
}

QVariant TRunRecordModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Vertical)
        return section + 1;
    return section < kRunTableColumns ? RunTableHeadings().at(section) : QVariant();
}
