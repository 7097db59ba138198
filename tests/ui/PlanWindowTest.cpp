// A plan in the window: opened, compared with a search of a switched LAN where a printer
// holds one of its addresses, and applied with one question, the frames being those
// quorrel-cli apply sends and every write checked in one summary.
#include "Commands.h"
#include "PlanApply.h"
#include "SwitchedLan.h"
#include "WindowFixture.h"

#include <QAbstractButton>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

const std::string kHeader = "mac,ip,mask,gateway\n";
const std::string kToNine = "02-00-C0-A8-01-09,192.168.1.21,255.255.255.0,192.168.1.1\n";
const std::string kToPrinter = "02-00-C0-A8-01-0A,192.168.1.50,255.255.255.0,192.168.1.1\n";
const std::string kToIgnored = "02-00-C0-A8-01-0B,192.168.1.23,255.255.255.0,192.168.1.254\n";
const std::string kAsItIs = "02-00-C0-A8-01-0C,192.168.1.12,255.255.255.0,192.168.1.1\n";
const std::string kAbsent = "02-00-C0-A8-01-63,192.168.1.24,255.255.255.0,192.168.1.1\n";

std::string WriteFile(const QTemporaryDir& dir, const char* name, const std::string& text) {
    const std::string path = dir.filePath(name).toStdString();
    std::ofstream(path, std::ios::binary) << text;
    return path;
}

// The frames a simulator took or ignored, as hexadecimal text.
std::vector<std::string> FramesTaken(SimProcess& sim, size_t expected) {
    std::vector<std::string> bytes;
    for (const auto& frame : ReportedEvents(sim, "frame", expected))
        if (Field(frame, "result") == "accepted" || Field(frame, "result") == "ignored")
            bytes.push_back(Field(frame, "bytes"));
    return bytes;
}

class PlanOnTheLan : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        if (HasFatalFailure())
            return;
        ASSERT_EQ(lan.Build({{"192.168.1.9", "02-00-C0-A8-01-09"},
                             {"192.168.1.10", "02-00-C0-A8-01-0A"},
                             {"192.168.1.11", "02-00-C0-A8-01-0B", {"--ignore-frames"}},
                             {"192.168.1.12", "02-00-C0-A8-01-0C"}},
                            {{"192.168.1.50", "02-00-00-00-00-50"}}),
                  "");
    }
    SwitchedLan lan;
};

TEST_F(PlanOnTheLan, MarksAsksOnceSendsWhatApplySendsAndSumsUpTheChecks) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    // What quorrel-cli apply sends for the three rows to be written.
    std::ostringstream out;
    std::ostringstream err;
    ASSERT_EQ(
        cli::Run({"apply", WriteFile(dir, "three.csv", kHeader + kToNine + kToPrinter + kToIgnored),
                  "--dry-run", "--force"},
                 out, err),
        0)
        << err.str();
    std::vector<std::string> expected;
    std::istringstream lines(out.str());
    for (std::string line; std::getline(lines, line);)
        if (const size_t at = line.find("would get "); at != std::string::npos)
            expected.push_back(line.substr(at + 10, line.find(" to ") - at - 10));
    ASSERT_EQ(expected.size(), 3u) << out.str();

    TPlanApply* plan = form->Plan();
    plan->SetCheckTime(std::chrono::seconds(3));
    BroadcastSearch();
    const std::string text =
        "# site\n" + kHeader + kToNine + kToPrinter + kToIgnored + kAsItIs + kAbsent;
    ASSERT_TRUE(plan->Open(QStringLiteral("plan.csv"), text));
    EXPECT_EQ(form->Notifier()->WindowText(),
              "План\nПо плану к записи: 3 из 5; не найдены: 02-00-C0-A8-01-63");
    for (const char* address : {"192.168.1.9", "192.168.1.10", "192.168.1.11", "192.168.1.12"}) {
        const QModelIndex node = Node(address);
        ASSERT_TRUE(node.isValid()) << address;
        const bool marked = std::string(address) != "192.168.1.12";
        EXPECT_EQ(!node.data(Qt::DecorationRole).value<QIcon>().isNull(), marked) << address;
        EXPECT_EQ(node.data(Qt::ToolTipRole).toString().contains("По плану: IP "), marked)
            << address;
    }
    EXPECT_TRUE(
        Node("192.168.1.11")
            .data(Qt::AccessibleDescriptionRole)
            .toString()
            .endsWith("По плану: IP 192.168.1.23, маска 255.255.255.0, шлюз 192.168.1.254"));
    ASSERT_TRUE(plan->CanApply());

    const QString question = "Записать параметры по плану: контроллеров 3?\n192.168.1.50 — адрес "
                             "занят другим устройством (02-00-00-00-00-50), которое не отвечает "
                             "как контроллер.";
    QSignalSpy applied(plan, &TPlanApply::Applied);
    for (const bool yes : {false, true}) {
        DialogAnswer answer([yes](QWidget* d) {
            if (yes)
                d->findChild<QAbstractButton*>("Yes")->click();
            else
                PressEnter(d); // No is the default
        });
        plan->Apply();
        EXPECT_TRUE(QTest::qWaitFor([&answer] { return answer.Answered(); }, 5000));
        EXPECT_TRUE(answer.texts.contains(question)) << answer.texts.join('|').toStdString();
        if (yes) {
            ASSERT_TRUE(QTest::qWaitFor([&applied] { return applied.count() == 1; }, 10000));
        }
        std::vector<std::string> sent;
        for (size_t sim = 0; sim < 4; ++sim)
            for (const std::string& frame : FramesTaken(*lan.sims[sim], yes ? 1 : 0))
                sent.push_back(frame);
        EXPECT_EQ(sent, yes ? expected : std::vector<std::string>{});
    }
    EXPECT_EQ(form->Notifier()->WindowText(),
              "План применён\nПодтверждено 2 из 3. Не подтверждено: 02-00-C0-A8-01-0B (отвечает "
              "с 192.168.1.11).");
}

// What the window says of a plan it refuses: the line and reason of the first faults.
TEST(PlanTexts, ARefusalNamesTheFirstFaultsWithTheirLines) {
    const struct Case {
        std::string text;
        QString said;
    } cases[] = {
        {kHeader + kToNine + "02-00-C0-A8-01-0A,192.168.1.21,255.255.255.0,192.168.1.1\n",
         "Файл plan.csv не открыт как план: строка 3: IP адрес 192.168.1.21 уже есть в строке 2"},
        {kHeader + "02-00-C0-A8-01-0A,192.168.1.21\n\"x\n",
         "Файл plan.csv не открыт как план: строка 2: полей 2, а нужно 4 (mac,ip,mask,gateway); "
         "строка 3: кавычки поля не закрыты"},
        {"# empty\n", "Файл plan.csv не открыт как план: строка 1: нет строки заголовка "
                      "mac,ip,mask,gateway"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(PlanRefusal("/site/plan.csv", core::ParsePlan(c.text).errors), c.said);
}

} // namespace
