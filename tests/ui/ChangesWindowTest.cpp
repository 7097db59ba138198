// "Изменения за сеанс": the run's writes in the real window against the simulator, written
// back, copied and saved; the PDF report read back as text.
#include "ChangesWindow.h"
#include "ReportPdf.h"
#include "RunRecord.h"
#include "RunRecordModel.h"
#include "WindowFixture.h"
#include "WriteCheckNotice.h"
#include "WriteCommand.h"

#include <QClipboard>
#include <QFileDialog>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTableView>
#include <QTemporaryDir>
#include <set>
#include <variant>

namespace {

class ChangesTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        form->WriteCheck()->SetCheckTime(std::chrono::milliseconds(2000));
        form->ShowChanges();
        changes = form->Changes();
        ASSERT_NE(changes, nullptr);
    }

    TRunRecordModel& Model() { return *static_cast<TRunRecordModel*>(changes->Table()->model()); }

    QStringList Row(int row) {
        QStringList cells;
        for (int column = 0; column < Model().columnCount(); ++column)
            cells << Model().index(row, column).data().toString();
        return cells;
    }

    // The row's check once it has ended (or after 5 s).
    QString CheckOf(int row) {
        const int check = static_cast<int>(RunTableColumn::kCheck);
        (void)QTest::qWaitFor([&] { return Row(row).at(check) != "Проверяется…"; }, 5000);
        return Row(row).at(check);
    }

    // Saves the report through the file dialog as path; the texts of an error box that
    // follows, if any. The name the dialog offered goes to offered.
    QStringList Save(const QString& path) {
        std::unique_ptr<DialogAnswer> error;
        DialogAnswer save([&](QWidget* d) {
            offered = QFileInfo(static_cast<QFileDialog*>(d)->selectedFiles().value(0)).fileName();
            d->findChild<QLineEdit*>("fileNameEdit")->setText(path);
            error = std::make_unique<DialogAnswer>(PressEnter); // the next dialog, if any
            QMetaObject::invokeMethod(d, "accept");
        });
        changes->SaveButton()->click();
        EXPECT_TRUE(save.Answered());
        return error && error->Answered() ? error->texts : QStringList();
    }

    TChangesWindow* changes = nullptr;
    QString offered;
    std::unique_ptr<SimProcess> sim;
};

// A write that was confirmed and one the controller never answered after; the first written
// back, asking nothing; the rows copied and saved.
TEST_F(ChangesTest, EachWriteIsARowWithItsCheckAndTheFirstIsWrittenBack) {
    EXPECT_EQ(changes->windowTitle(), "Изменения за сеанс");
    EXPECT_TRUE(changes->isVisible() && !changes->isModal());
    EXPECT_TRUE(changes->EmptyText()->isVisible());
    EXPECT_EQ(changes->EmptyText()->text(), "Записей за сеанс нет");
    EXPECT_FALSE(changes->SaveButton()->isEnabled() || changes->WriteBackButton()->isEnabled());

    AddAddresses({"192.168.1.20/32"});
    sim = StartThreeControllers();
    BroadcastSearch();
    Select("192.168.1.10");
    form->RzEdit1->setText("192.168.1.20");
    ClickWrite();
    ASSERT_EQ(Model().rowCount(), 1);
    EXPECT_FALSE(changes->EmptyText()->isVisible());
    EXPECT_EQ(CheckOf(0), "Подтверждено");

    // Found again at its new address; 192.168.1.9 falls silent after taking a frame.
    sim = std::make_unique<SimProcess>(std::vector<std::string>{
        "--controller", "ip=192.168.1.20,mask=255.255.255.0,gw=192.168.1.1,mac=00-1A-2B-3C-4D-5E",
        "--controller", "ip=192.168.1.9,mask=255.255.255.0,gw=192.168.1.1,mac=00-1A-2B-3C-4D-60",
        "--restart", "60000"});
    ASSERT_EQ(sim->Start(), "");
    BroadcastSearch();
    Select("192.168.1.9");
    form->RzEdit1->setText("192.168.1.19");
    ClickWrite();
    ASSERT_EQ(Model().rowCount(), 2);
    EXPECT_EQ(Row(0).mid(1, 5),
              (QStringList{"00-1A-2B-3C-4D-5E", "192.168.1.10 / 255.255.255.0 / 192.168.1.1",
                           "192.168.1.20 / 255.255.255.0 / 192.168.1.1", "255.255.255.255", "lo"}));
    EXPECT_EQ(Row(1).mid(1, 3),
              (QStringList{"00-1A-2B-3C-4D-60", "192.168.1.9 / 255.255.255.0 / 192.168.1.1",
                           "192.168.1.19 / 255.255.255.0 / 192.168.1.1"}));
    EXPECT_EQ(Row(1).at(6), "Проверяется…");
    EXPECT_EQ(CheckOf(1), "Не ответил за 2 с");

    changes->Table()->selectRow(0);
    ASSERT_TRUE(changes->WriteBackButton()->isEnabled());
    {
        DialogAnswer unexpected([](QWidget* d) { d->close(); });
        changes->WriteBackButton()->click();
        while (form->Writing())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        EXPECT_FALSE(unexpected.Answered()) << unexpected.texts.join('\n').toStdString();
    }
    const auto frames = ReportedEvents(*sim, "frame", 2);
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(Field(frames[1], "mac"), "00-1A-2B-3C-4D-5E");
    EXPECT_EQ(Field(frames[1], "ip"), "192.168.1.10");
    ASSERT_EQ(Model().rowCount(), 3);
    EXPECT_EQ(Row(2).mid(1, 3),
              (QStringList{"00-1A-2B-3C-4D-5E", "192.168.1.20 / 255.255.255.0 / 192.168.1.1",
                           "192.168.1.10 / 255.255.255.0 / 192.168.1.1"}));

    const QString later = "Есть более поздняя запись этого контроллера";
    const QString notFound = "Контроллер не найден последним поиском: выполните поиск";
    for (const auto& [row, why] : {std::pair{0, later}, {1, notFound}, {2, notFound}}) {
        changes->Table()->selectRow(row);
        EXPECT_FALSE(changes->WriteBackButton()->isEnabled()) << row;
        EXPECT_EQ(changes->WriteBackButton()->toolTip(), why) << row;
    }
    sim = std::make_unique<SimProcess>(
        std::vector<std::string>{"--controller", "ip=192.168.1.10,mac=00-1A-2B-3C-4D-5E"});
    ASSERT_EQ(sim->Start(), "");
    BroadcastSearch(); // hears 00-1A-2B-3C-4D-5E again
    EXPECT_TRUE(changes->WriteBackButton()->isEnabled());

    // Ctrl+C on rows 1 and 3: their CSV lines.
    changes->Table()->selectRow(0);
    changes->Table()->selectionModel()->select(Model().index(2, 0), QItemSelectionModel::Select |
                                                                        QItemSelectionModel::Rows);
    QTest::keyClick(changes->Table(), Qt::Key_C, Qt::ControlModifier);
    const auto read = core::ReadRunRecord("time,card,mac,ip_before,mask_before,gateway_before,ip,"
                                          "mask,gateway,destination,outcome\r\n" +
                                          QApplication::clipboard()->text().toStdString());
    ASSERT_TRUE(std::holds_alternative<std::vector<core::RunEntry>>(read));
    const auto& lines = std::get<std::vector<core::RunEntry>>(read);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].ip, (core::Ip4{192, 168, 1, 20}));
    EXPECT_EQ(lines[1].ip, (core::Ip4{192, 168, 1, 10}));

    // Saved as CSV (by its name), read back: the table row for row; as PDF (by the filter).
    const QTemporaryDir folder;
    EXPECT_EQ(Save(folder.filePath("r.csv")), QStringList());
    EXPECT_TRUE(
        QRegularExpression(R"(^report-\d{4}(-\d\d){2}-\d{4}\.pdf$)").match(offered).hasMatch())
        << offered.toStdString();
    QFile csv(folder.filePath("r.csv"));
    ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
    const auto saved = core::ReadRunRecord(csv.readAll().toStdString());
    ASSERT_TRUE(std::holds_alternative<std::vector<core::RunEntry>>(saved));
    const auto& entries = std::get<std::vector<core::RunEntry>>(saved);
    ASSERT_EQ(entries.size(), 3u);
    for (size_t row = 0; row < entries.size(); ++row)
        EXPECT_EQ(RunTableRow(entries[row], Model().CheckSeconds(row)), Row(static_cast<int>(row)));
    EXPECT_EQ(Save(folder.filePath("r")), QStringList());
    QFile pdf(folder.filePath("r"));
    ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
    EXPECT_TRUE(pdf.readAll().startsWith("%PDF-"));
    EXPECT_TRUE(Save("/nonexistent/r.csv")
                    .contains("Отчёт не сохранён в /nonexistent/r.csv: папки /nonexistent нет"));
}

// Sixty writes: the PDF's text holds the heading, each MAC and written IP, on several pages.
TEST(ChangesReport, APdfOfSixtyWritesReadsBackAsTextOverSeveralPages) {
    const QString pdftotext = QStandardPaths::findExecutable("pdftotext");
    if (pdftotext.isEmpty())
        GTEST_SKIP() << "pdftotext (poppler-utils) is not installed";
    TRunRecordModel model;
    std::set<QString> written;         // MACs and IPs
    core::WriteCheckOutcome confirmed; // of the first write
    confirmed.result = core::WriteCheckResult::kConfirmed;
    for (uint8_t i = 1; i <= 60; ++i) {
        SentFrame frame;
        frame.heard.cardName = "eth0";
        frame.heard.record.mac = {0x02, 0, 0, 0, 0x10, i};
        frame.write.wanted = frame.heard.record;
        frame.write.wanted.ip = {10, 0, 1, i};
        frame.write.destination.address = core::kBroadcast;
        model.Add(frame);
        if (i == 1)
            confirmed.request.wanted = frame.write.wanted;
        written.insert(QString::fromStdString(frame.write.wanted.MacText()));
        written.insert(QString::fromStdString(frame.write.wanted.IpText()));
    }
    model.CheckEnded(confirmed);
    std::vector<QStringList> rows;
    for (int row = 0; row < model.rowCount(); ++row)
        rows.push_back(RunTableRow(model.Record()[static_cast<size_t>(row)],
                                   model.CheckSeconds(static_cast<size_t>(row))));
    const QTemporaryDir folder;
    QFile file(folder.filePath("report.pdf"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(ReportPdf(ThisReportHeading(QDateTime(QDate(2026, 12, 9), QTime(14, 10))),
                         RunTableHeadings(), rows));
    file.close();
    QProcess pdf;
    pdf.start(pdftotext, {file.fileName(), "-"});
    ASSERT_TRUE(pdf.waitForFinished(30000));
    const QString text = QString::fromUtf8(pdf.readAllStandardOutput());
    for (const QString& expected :
         {QString("Изменения параметров контроллеров"), QString("09.12.2026 14:10"),
          QSysInfo::machineHostName(), QString("Куда отправлено"), QString("Подтверждено"),
          QString("Проверяется…")})
        EXPECT_TRUE(text.contains(expected)) << expected.toStdString();
    std::set<QString> read;
    for (const auto& m :
         QRegularExpression(R"(02-00-00-00-10-[0-9A-F]{2}|\b10\.0\.1\.\d+\b)").globalMatch(text))
        read.insert(m.captured());
    EXPECT_EQ(read, written);
    EXPECT_GE(text.count('\f'), 2) << "one form feed after each page";
    EXPECT_GE(text.count("Куда отправлено"), 2) << "the header on each page";
}

} // namespace
