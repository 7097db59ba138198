#include "ChangesWindow.h"

#include "Fonts.h"
#include "ListActions.h"
#include "MessDlgs.h"
#include "ReportPdf.h"
#include "RunRecordModel.h"
#include "WindowText.h"
#include "WriteCommand.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QSaveFile>
#include <QTableView>
#include <QVBoxLayout>
#include <set>

namespace {

const QString kPdfFilter = QStringLiteral("PDF (*.pdf)");
const QString kCsvFilter = QStringLiteral("CSV (*.csv)");

} // namespace

std::optional<QString> WriteBackBlock(const core::RunRecord& record, size_t row,
                                      const core::Controllers& devices) {
    const core::Mac& mac = record[row].mac;
    if (record.LatestOf(mac) != row)
        return QStringLiteral("Есть более поздняя запись этого контроллера");
    if (devices.FirstWithMac(mac) == nullptr)
        return QStringLiteral("Контроллер не найден последним поиском: выполните поиск");
    return std::nullopt;
}

QString ReportFileName(const QDateTime& localTime, const QString& suffix) {
    return QStringLiteral("report-%1.%2")
        .arg(localTime.toString(QStringLiteral("yyyy-MM-dd-HHmm")), suffix);
}

TChangesWindow::TChangesWindow(TRunRecordModel& model, const core::Controllers& devices,
                               TWriteCommand& write, std::function<bool()> broadcastMode,
                               QWidget* parent)
    : QWidget(parent, Qt::Window), model_(model), devices_(devices), write_(write),
      broadcastMode_(std::move(broadcastMode)), folder_(QDir::homePath()) {
    setObjectName(QStringLiteral("ChangesWindow"));
    setWindowTitle(QStringLiteral("Изменения за сеанс"));
    setFont(WindowFont());
    resize(900, 320);

    empty_ = new QLabel(QStringLiteral("Записей за сеанс нет"), this);
    empty_->setAlignment(Qt::AlignCenter);
    table_ = new QTableView(this);
    table_->setModel(&model_);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setWordWrap(false);
    table_->horizontalHeader()->setStretchLastSection(true);
    table_->verticalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    table_->installEventFilter(this);
    writeBack_ = new QPushButton(QStringLiteral("Вернуть прежние параметры"), this);
    save_ = new QPushButton(QStringLiteral("Сохранить отчёт…"), this);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(writeBack_);
    buttons->addStretch();
    buttons->addWidget(save_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(empty_);
    layout->addWidget(table_, 1);
    layout->addLayout(buttons);

    connect(writeBack_, &QPushButton::clicked, this, &TChangesWindow::WriteBack);
    connect(save_, &QPushButton::clicked, this, &TChangesWindow::SaveReport);
    connect(
        &model_, &QAbstractItemModel::rowsInserted, this,
        [this](const QModelIndex&, int, int last) {
            table_->resizeColumnsToContents();
            if (!table_->selectionModel()->hasSelection()) // the newest row, when none is chosen
                table_->selectRow(last);
            Refresh();
        });
    connect(&model_, &QAbstractItemModel::dataChanged, this,
            [this] { table_->resizeColumnToContents(static_cast<int>(RunTableColumn::kCheck)); });
    // The current row changes before the selection follows it.
    connect(table_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &TChangesWindow::Refresh);
    connect(table_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            &TChangesWindow::Refresh);
    table_->resizeColumnsToContents();
    if (model_.rowCount() > 0)
        table_->selectRow(model_.rowCount() - 1);
    Refresh();
}

void TChangesWindow::Open() {
    Refresh();
    show();
    raise();
    activateWindow();
}

void TChangesWindow::Refresh() {
    const bool any = model_.rowCount() > 0;
    empty_->setVisible(!any);
    table_->setVisible(any);
    save_->setEnabled(any);
    const std::optional<size_t> row = SelectedRow();
    std::optional<QString> block;
    if (row)
        block = WriteBackBlock(model_.Record(), *row, devices_);
    writeBack_->setEnabled(row && !block);
    writeBack_->setToolTip(block.value_or(QString()));
}

std::optional<size_t> TChangesWindow::SelectedRow() const {
    const QModelIndex current = table_->selectionModel()->currentIndex();
    if (!current.isValid() || !table_->selectionModel()->isRowSelected(current.row()))
        return std::nullopt;
    return static_cast<size_t>(current.row());
}

void TChangesWindow::WriteBack() {
    const std::optional<size_t> row = SelectedRow();
    if (!row || WriteBackBlock(model_.Record(), *row, devices_)) {
        Refresh();
        return;
    }
    const core::RunEntry& entry = model_.Record()[*row];
    const core::Controller target = *devices_.FirstWithMac(entry.mac);
    const core::WriteValues values{core::DottedQuad(entry.ipBefore),
                                   core::DottedQuad(entry.maskBefore),
                                   core::DottedQuad(entry.gatewayBefore),
                                   {}};
    write_.WriteTo(target, values, broadcastMode_());
    Refresh();
}

void TChangesWindow::SaveReport() {
    if (model_.rowCount() == 0)
        return;
    QString filter = kPdfFilter;
    const QString path = QFileDialog::getSaveFileName(
        this, QStringLiteral("Сохранить отчёт"),
        QDir(folder_).filePath(ReportFileName(QDateTime::currentDateTime(), "pdf")),
        kPdfFilter + QStringLiteral(";;") + kCsvFilter, &filter);
    if (path.isEmpty())
        return;
    folder_ = QFileInfo(path).absolutePath();
    const QString suffix = QFileInfo(path).suffix().toLower();
    const bool pdf =
        suffix == QLatin1String("pdf") || (suffix != QLatin1String("csv") && filter != kCsvFilter);
    WriteReport(path, pdf);
}

bool TChangesWindow::WriteReport(const QString& path, bool pdf) {
    QByteArray bytes;
    if (pdf) {
        std::vector<QStringList> rows;
        for (int row = 0; row < model_.rowCount(); ++row)
            rows.push_back(RunTableRow(model_.Record()[static_cast<size_t>(row)],
                                       model_.CheckSeconds(static_cast<size_t>(row))));
        bytes =
            ReportPdf(ThisReportHeading(QDateTime::currentDateTime()), RunTableHeadings(), rows);
    } else {
        const std::string csv = core::RunRecordCsv(model_.Record().Entries());
        bytes = QByteArray(csv.data(), static_cast<qsizetype>(csv.size()));
    }
    // Written beside the file and put in its place only when whole.
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit())
        return true;
    ShowErrorMessage(QStringLiteral("Отчёт не сохранён в %1: %2")
                         .arg(QDir::toNativeSeparators(path), WhyNotSaved(path, file)));
    return false;
}

void TChangesWindow::CopyRows() {
    std::set<size_t> rows;
    for (const QModelIndex& index : table_->selectionModel()->selectedRows())
        rows.insert(static_cast<size_t>(index.row()));
    if (rows.empty())
        return;
    QApplication::clipboard()->setText(
        Text(model_.CsvLines(std::vector<size_t>(rows.begin(), rows.end()))));
}

// Coming back to the window: a search in the main window may have found the controllers.
bool TChangesWindow::event(QEvent* event) {
    if (event->type() == QEvent::WindowActivate)
        Refresh();
    return QWidget::event(event);
}

bool TChangesWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == table_ && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->matches(QKeySequence::Copy)) {
        CopyRows();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}
