#include "PlanApply.h"

#include "Artwork.h"
#include "CheckTree.h"
#include "ConflictQuestion.h"
#include "MarqueeStatus.h"
#include "MarqueeTexts.h"
#include "MessDlgs.h"
#include "ProgressStatus.h"
#include "WindowText.h"

#include <QFileInfo>
#include <QStringList>
#include <QTimer>
#include <map>
#include <unordered_map>
#include <variant>

namespace {

// The faults a refusal names at most.
constexpr size_t kFaultsNamed = 3;
// How long the write failure display stands.
constexpr int kFailureShownMs = 1000;

QString MacOf(const core::Mac& mac) {
    return Text(core::MacText(mac));
}

QString FieldFaultText(const core::FieldFault& fault) {
    switch (fault.field) {
    case core::WriteField::kMask:
        return QStringLiteral("неправильный формат маски «%1»").arg(Text(fault.text));
    case core::WriteField::kGateway:
        return QStringLiteral("неправильный формат шлюза «%1»").arg(Text(fault.text));
    case core::WriteField::kIp:
    case core::WriteField::kPort:
        break;
    }
    return QStringLiteral("неправильный формат IP адреса «%1»").arg(Text(fault.text));
}

// Whether the controller's values are the row's already.
bool Matches(const core::ControllerRecord& record, const core::PlanRow& row) {
    return core::ParseDottedQuad(row.ip) == record.ip &&
           core::ParseDottedQuad(row.mask) == record.mask &&
           core::ParseDottedQuad(row.gateway) == record.gateway;
}

// "По плану: IP 192.168.10.21, маска 255.255.255.0, шлюз 192.168.10.1".
QString PlanValues(const core::PlanRow& row) {
    return QStringLiteral("По плану: IP %1, маска %2, шлюз %3")
        .arg(Text(row.ip), Text(row.mask), Text(row.gateway));
}

} // namespace

QString PlanFaultText(const core::PlanFault& fault) {
    using Why = core::PlanFault::Why;
    switch (fault.why) {
    case Why::kBadQuote:
        return QStringLiteral("кавычки поля не закрыты");
    case Why::kNotHeader:
        return QStringLiteral("первая строка — не заголовок mac,ip,mask,gateway");
    case Why::kFieldCount:
        return QStringLiteral("полей %1, а нужно 4 (mac,ip,mask,gateway)").arg(fault.fieldCount);
    case Why::kBadMac:
        return QStringLiteral("неправильный MAC «%1»: нужны шесть групп по две шестнадцатеричные "
                              "цифры через - или :")
            .arg(Text(fault.text));
    case Why::kBadValue:
        return FieldFaultText(fault.value);
    case Why::kMacTwice:
        return QStringLiteral("MAC %1 уже есть в строке %2")
            .arg(Text(fault.text))
            .arg(fault.earlierLine);
    case Why::kIpTwice:
        return QStringLiteral("IP адрес %1 уже есть в строке %2")
            .arg(Text(fault.text))
            .arg(fault.earlierLine);
    case Why::kNoHeader:
        return QStringLiteral("нет строки заголовка mac,ip,mask,gateway");
    case Why::kNoRows:
        return QStringLiteral("после заголовка нет строк");
    }
    return {};
}

QString PlanRefusal(const QString& path, const std::vector<core::PlanFault>& faults) {
    QStringList named;
    for (size_t i = 0; i < faults.size() && i < kFaultsNamed; ++i)
        named << QStringLiteral("строка %1: %2").arg(faults[i].line).arg(PlanFaultText(faults[i]));
    if (faults.size() > kFaultsNamed)
        named << QStringLiteral("ошибок всего %1").arg(faults.size());
    return QStringLiteral("Файл %1 не открыт как план: %2")
        .arg(QFileInfo(path).fileName(), named.join(QStringLiteral("; ")));
}

PlanComparison ComparePlan(const core::Plan& plan, const core::Controllers& heard) {
    std::unordered_map<std::string, const core::Controller*> byMac;
    for (const core::Controller& controller : heard)
        byMac.try_emplace(core::MacText(controller.record.mac), &controller);
    PlanComparison comparison;
    for (const core::PlanRow& row : plan.rows) {
        const auto found = byMac.find(core::MacText(row.mac));
        if (found == byMac.end())
            comparison.notFound.push_back(row.mac);
        else if (!Matches(found->second->record, row))
            comparison.toWrite.emplace_back(found->second->id, row);
    }
    return comparison;
}

QString PlanStatusLine(const PlanComparison& comparison, size_t rows) {
    QString line =
        QStringLiteral("По плану к записи: %1 из %2").arg(comparison.toWrite.size()).arg(rows);
    if (!comparison.notFound.empty())
        line += QStringLiteral("; не найдены: ") + CommaList(comparison.notFound, MacOf);
    return line;
}

TPlanApply::TPlanApply(TRzCheckTree* tree, core::Controllers& devices, TRzMarqueeStatus* marquee,
                       TRzProgressStatus* progress, TNotifier* notifier,
                       std::function<bool()> broadcastMode, QObject* parent)
    : QObject(parent), tree_(tree), devices_(devices), marquee_(marquee), progress_(progress),
      notifier_(notifier), broadcastMode_(std::move(broadcastMode)) {}

TPlanApply::~TPlanApply() {
    dropped_ = true;
    if (worker_.joinable())
        worker_.join();
    checker_.reset();
}

bool TPlanApply::Open(const QString& path, std::string_view text) {
    core::Plan plan = core::ParsePlan(text);
    if (!plan.errors.empty()) {
        ShowErrorMessage(PlanRefusal(path, plan.errors));
        return false;
    }
    const QString opened = QStringLiteral("План открыт: строк %1").arg(plan.rows.size());
    plan_ = std::move(plan);
    notifier_->ShowInWindow({QStringLiteral("План открыт"),
                             QStringLiteral("%1: строк %2. Каждый поиск будет сравнён с ним.")
                                 .arg(QFileInfo(path).fileName())
                                 .arg(plan_->rows.size()),
                             TNotifier::kBalloonSeconds, TNotifier::Kind::kInformation, opened});
    if (devices_.Count() > 0)
        SearchEnded();
    return true;
}

void TPlanApply::SearchEnded() {
    if (!plan_)
        return;
    shown_ = ComparePlan(*plan_, devices_);
    Mark();
    const QString line = PlanStatusLine(shown_, plan_->rows.size());
    notifier_->ShowInWindow({QStringLiteral("План"), line, TNotifier::kBalloonSeconds,
                             TNotifier::Kind::kInformation, line});
}

// The nodes to be written show the write icon and the plan's values (TSiteMarks asks NoteOf).
void TPlanApply::Mark() {
    tree_->Nodes()->MarksChanged();
}

QString TPlanApply::NoteOf(int id) const {
    for (const auto& [line, row] : shown_.toWrite)
        if (line == id)
            return PlanValues(row);
    return {};
}

bool TPlanApply::CanApply() const {
    return plan_ && !shown_.toWrite.empty() && !Busy() && !Checking();
}

void TPlanApply::SetBusy(bool probing, bool sending) {
    const bool was = Busy();
    probing_ = probing;
    sending_ = sending;
    if (was != Busy())
        emit BusyChanged(Busy());
}

void TPlanApply::Apply() {
    if (!CanApply() || worker_.joinable())
        return;
    // Every write is made ready, and the new addresses asked on the LAN all at once, off the
    // window's thread: on copies of the controllers heard and of the rows to be written.
    std::vector<std::pair<core::Controller, core::PlanRow>> rows;
    for (const auto& [id, row] : shown_.toWrite)
        if (const core::Controller* heard = devices_.Find(id))
            rows.emplace_back(*heard, row);
    SetBusy(true, false);
    worker_ = std::thread([this, heard = devices_, rows = std::move(rows),
                           broadcastMode = broadcastMode_()] {
        Prepared prepared;
        std::map<unsigned, core::WriteSite> sites; // asked of the system once per card
        for (const auto& [controller, row] : rows) {
            auto site = sites.find(controller.card);
            if (site == sites.end())
                site = sites.emplace(controller.card, core::SystemSite(controller)).first;
            auto write = core::PrepareWrite(heard, controller, {row.ip, row.mask, row.gateway, ""},
                                            broadcastMode, site->second);
            if (auto* ready = std::get_if<core::PreparedWrite>(&write)) {
                prepared.steps.push_back({row, controller, std::move(*ready)});
                continue;
            }
            const auto& refusal = std::get<core::WriteRefusal>(write);
            if (!refusal.sharedMac.empty())
                prepared.refused << SharedMacRefusal(row.mac, refusal.sharedMac);
            for (const core::FieldFault& fault : refusal.faults)
                prepared.refused << MacOf(row.mac) + QStringLiteral(": ") + FieldFaultText(fault);
        }
        std::vector<core::PreparedWrite*> asked;
        for (Step& step : prepared.steps)
            asked.push_back(&step.write);
        core::ProbeNewAddresses(asked);
        probed_.PostAndWake(std::move(prepared));
    });
}

void TPlanApply::TakeProbe() {
    for (Prepared& prepared : probed_.Take()) {
        steps_ = std::move(prepared.steps);
        refused_ = std::move(prepared.refused);
    }
    if (worker_.joinable())
        worker_.join();
    SetBusy(false, false);
    if (dropped_)
        return;
    if (steps_.empty()) {
        if (!refused_.empty())
            ShowErrorMessage(refused_.join(QLatin1Char('\n')));
        return;
    }
    Ask();
}

void TPlanApply::Ask() {
    QStringList lines;
    lines << QStringLiteral("Записать параметры по плану: контроллеров %1?").arg(steps_.size());
    for (const QString& refusal : refused_)
        lines << refusal;
    for (const Step& step : steps_)
        lines << ConflictCases(step.write.conflicts, step.heard, step.write.wanted);
    if (MessageDialogDefault(lines.join(QLatin1Char('\n')), dkConfirmation, {dbYes, dbNo}, dbNo) !=
        DialogButtonResult(dbYes)) {
        steps_.clear();
        return;
    }
    // Each written controller's record is dropped, as a single write drops it.
    for (const Step& step : steps_) {
        devices_.Remove(step.heard.id);
        std::erase_if(shown_.toWrite, [&step](const auto& w) { return w.first == step.heard.id; });
    }
    sentCount_ = 0;
    notSent_.clear();
    checksLeft_ = 0;
    checksRun_ = 0;
    confirmed_ = 0;
    unconfirmed_.clear();
    SetBusy(false, true);
    marquee_->SetCaptionText(QStringLiteral("Запись по плану: 0 из %1").arg(steps_.size()));
    progress_->SetPercent(0);
    std::vector<core::PreparedWrite> writes;
    for (const Step& step : steps_)
        writes.push_back(step.write);
    worker_ = std::thread([this, writes = std::move(writes)] {
        for (size_t i = 0; i < writes.size() && !dropped_; ++i)
            sent_.PostAndWake({i, core::SendWrite(writes[i])});
    });
}

void TPlanApply::TakeSent() {
    for (const Sent& sent : sent_.Take()) {
        if (dropped_)
            continue;
        ++sentCount_;
        const Step& step = steps_[sent.step];
        if (sent.result == core::FrameSent::kSent) {
            emit WriteSent({step.heard, step.write});
            if (!checker_)
                // On the checker's thread: the outcomes are taken on the window's.
                checker_ = std::make_unique<core::WriteChecker>(
                    [this](const core::WriteCheckOutcome& o) { checked_.PostAndWake(o); });
            core::WriteCheckRequest request = step.write.check;
            request.time = checkTime_;
            ++checksLeft_;
            ++checksRun_;
            checker_->Start(request);
        } else {
            notSent_.push_back(MacOf(step.row.mac));
        }
    }
    // Once for the frames that arrived together.
    if (sending_ && !dropped_) {
        marquee_->SetCaptionText(
            QStringLiteral("Запись по плану: %1 из %2").arg(sentCount_).arg(steps_.size()));
        progress_->SetPercent(static_cast<int16_t>(sentCount_ * 100 / steps_.size()));
    }
    if (sentCount_ < steps_.size() || !sending_)
        return;
    if (worker_.joinable())
        worker_.join();
    SetBusy(false, false);
    if (!notSent_.empty()) {
        // The write failure display, once for the plan.
        marquee_->SetCaption(MarqueeText::WriteFailed);
        progress_->SetPercent(0);
        QTimer::singleShot(kFailureShownMs, marquee_, [marquee = marquee_] {
            if (marquee->Caption() == MarqueeText::WriteFailed)
                marquee->SetCaption("");
        });
    } else {
        marquee_->SetCaption("");
    }
    if (checksLeft_ == 0)
        Summarize();
}

void TPlanApply::TakeChecked() {
    for (const core::WriteCheckOutcome& outcome : checked_.Take()) {
        if (dropped_ || checksLeft_ == 0)
            continue;
        --checksLeft_;
        emit WriteChecked(outcome);
        switch (outcome.result) {
        case core::WriteCheckResult::kConfirmed:
            ++confirmed_;
            break;
        case core::WriteCheckResult::kOtherValues:
            unconfirmed_.push_back(QStringLiteral("%1 (отвечает с %2)")
                                       .arg(MacOf(outcome.request.wanted.mac),
                                            Text(core::DottedQuad(outcome.sender))));
            break;
        case core::WriteCheckResult::kNoAnswer:
            unconfirmed_.push_back(
                QStringLiteral("%1 (не ответил)").arg(MacOf(outcome.request.wanted.mac)));
            break;
        }
    }
    if (checksLeft_ == 0 && !sending_ && checksRun_ > 0 && !dropped_)
        Summarize();
}

void TPlanApply::Summarize() {
    const size_t rows = steps_.size();
    QString text = QStringLiteral("Подтверждено %1 из %2.").arg(confirmed_).arg(rows);
    if (!unconfirmed_.empty())
        text += QStringLiteral(" Не подтверждено: ") + unconfirmed_.join(QStringLiteral(", ")) +
                QLatin1Char('.');
    if (!notSent_.empty())
        text += QStringLiteral(" Не отправлено: ") + notSent_.join(QStringLiteral(", ")) +
                QLatin1Char('.');
    const bool all = confirmed_ == rows;
    notifier_->Tell(
        {QStringLiteral("План применён"), text, TNotifier::kBalloonSeconds,
         all ? TNotifier::Kind::kInformation : TNotifier::Kind::kWarning,
         QStringLiteral("План применён: подтверждено %1 из %2").arg(confirmed_).arg(rows)});
    checksRun_ = 0;
    steps_.clear();
    emit Applied();
}

void TPlanApply::Drop() {
    dropped_ = true;
    checker_.reset();
}
