#include "Unit1.h"

#include "AddressKeyFilter.h"
#include "Artwork.h"
#include "ChangesWindow.h"
#include "ControllerRecord.h"
#include "Fonts.h"
#include "Identity.h"
#include "ListActions.h"
#include "MarqueeStatus.h"
#include "MarqueeTexts.h"
#include "MessDlgs.h"
#include "NoReplyAdvice.h"
#include "Notifier.h"
#include "PlanApply.h"
#include "ProgressStatus.h"
#include "RunRecordModel.h"
#include "SiteMarks.h"
#include "StatusBar.h"
#include "StatusPane.h"
#include "TrayIcon.h"
#include "UserFunc.h"
#include "WindowText.h"
#include "WriteCheckNotice.h"
#include "WriteCommand.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>

namespace {

// How long a window that is not painted waits before it finishes its start.
constexpr int kStartWithoutPaintMs = 1000;

// The toolbar's background: a light vertical gradient under a grooved top edge.
class ToolbarPanel : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        QLinearGradient fill(0, 0, 0, height());
        fill.setColorAt(0, QColor(250, 251, 254));
        fill.setColorAt(1, QColor(214, 226, 245));
        p.fillRect(rect(), fill);
        p.setPen(palette().color(QPalette::Mid));
        p.drawLine(0, 0, width(), 0);
        p.setPen(palette().color(QPalette::Light));
        p.drawLine(0, 1, width(), 1);
    }
};

QToolButton* MakeToolButton(QWidget* parent, const char* name, const QString& caption, int image,
                            int left, int width) {
    auto* button = new QToolButton(parent);
    button->setObjectName(QLatin1String(name));
    button->setText(caption);
    button->setIcon(artwork::Icon(image));
    button->setIconSize(QSize(16, 16));
    button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    button->setAutoRaise(true);
    button->setGeometry(left, 2, width, 25);
    return button;
}

// The six parameter fields, in the order a record fills them: the value of a write each
// gives, if any, and its text from a record.
struct ParameterField {
    QLineEdit* TForm1::*edit;
    std::optional<core::WriteField> field;
    std::string core::WriteValues::*value;
    std::string (*text)(const core::ControllerRecord& record);
};

const ParameterField kParameterFields[] = {
    {&TForm1::RzEdit1, core::WriteField::kIp, &core::WriteValues::ip,
     [](const core::ControllerRecord& r) { return r.IpText(); }},
    {&TForm1::RzEdit3, core::WriteField::kMask, &core::WriteValues::mask,
     [](const core::ControllerRecord& r) { return r.MaskText(); }},
    {&TForm1::RzEdit2, core::WriteField::kGateway, &core::WriteValues::gateway,
     [](const core::ControllerRecord& r) { return r.GatewayText(); }},
    {&TForm1::RzEdit7, core::WriteField::kPort, &core::WriteValues::port,
     [](const core::ControllerRecord& r) { return r.PortText(); }},
    {&TForm1::RzEdit4, std::nullopt, nullptr,
     [](const core::ControllerRecord& r) { return r.MacText(); }},
    {&TForm1::RzEdit6, std::nullopt, nullptr,
     [](const core::ControllerRecord& r) {
         return "Hw: " + r.HardwareText() + "  Sw: " + r.SoftwareText();
     }},
};

// The IP, mask and gateway fields: the ones the user edits.
bool Editable(const ParameterField& f) {
    return f.field.has_value() && *f.field != core::WriteField::kPort;
}

} // namespace

void InitializeUnit1() {
    RegisterFontSubstitutes();
    AssignProgramDialogSettings();
}

// Counts the commands running on the stack. A close asked for meanwhile waits until the
// outermost command has finished, so no command runs on a destroyed window.
class TForm1::BusyScope {
public:
    explicit BusyScope(TForm1& form) : form_(form) { ++form_.busy_; }
    ~BusyScope() {
        --form_.busy_;
        form_.Release();
    }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

private:
    TForm1& form_;
};

TForm1::TForm1(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QString::fromUtf8(identity::kName));
    setFont(WindowFont());
    setBackgroundRole(QPalette::Button);
    setAutoFillBackground(true);
    setFixedSize(703, 273);
    move(247, 179);
    BuildLayout();

    notifier_ = new TNotifier([this] { return RzTrayIcon1; }, RzMarqueeStatus1, this);
    noReply_ = new TNoReplyAdvice(notifier_, this);
    write_ = new TWriteCommand(devices_, RzMarqueeStatus1, RzProgressStatus1, this);
    connect(write_, &TWriteCommand::Done, this, [this] {
        EnableEditFields(false);
        RzCheckTree1->setFocus();
    });
    writeCheck_ =
        new TWriteCheckNotice([this](const TNotifier::Message& m) { notifier_->Tell(m); }, this);
    connect(write_, &TWriteCommand::WriteSent, writeCheck_,
            [this](const SentFrame& frame) { writeCheck_->Start(frame.write.check); });
    runRecord_ = new TRunRecordModel(this);
    connect(write_, &TWriteCommand::WriteSent, runRecord_, &TRunRecordModel::Add);
    connect(writeCheck_, &TWriteCheckNotice::Ended, runRecord_, &TRunRecordModel::CheckEnded);
    plan_ = new TPlanApply(
        RzCheckTree1, devices_, RzMarqueeStatus1, RzProgressStatus1, notifier_,
        [this] { return broadcastMode_; }, this);
    // No search starts while a plan's writes are made ready or sent.
    connect(plan_, &TPlanApply::BusyChanged, this, [this](bool busy) {
        RzToolButton2->setEnabled(!busy);
        RzToolButton6->setEnabled(!busy);
    });
    connect(plan_, &TPlanApply::WriteSent, runRecord_, &TRunRecordModel::Add);
    connect(plan_, &TPlanApply::WriteChecked, runRecord_, &TRunRecordModel::CheckEnded);
    FormCreate();
    // A window that is not painted soon (one started minimised) finishes its start all the
    // same.
    QTimer::singleShot(kStartWithoutPaintMs, this, &TForm1::FinishStart);
}

void TForm1::paintEvent(QPaintEvent* event) {
    QWidget::paintEvent(event);
    if (marks_ == nullptr) // once the paint is on the screen
        QMetaObject::invokeMethod(this, &TForm1::FinishStart, Qt::QueuedConnection);
}

void TForm1::FinishStart() {
    if (marks_ != nullptr)
        return;
    const QIcon icon = artwork::WindowIcon();
    setWindowIcon(icon);
    RzTrayIcon1 = new TRzTrayIcon(this, icon);
    RzTrayIcon1->ShowTrayBalloon(QString::fromUtf8(identity::kTrayTitle),
                                 QString::fromUtf8(identity::kName), TNotifier::kBalloonSeconds,
                                 TNotifier::LookOf(TNotifier::Kind::kInformation).balloonIcon);
    notifier_->WatchDesktop();
    marks_ = new TSiteMarks(RzCheckTree1->Nodes(), devices_, notifier_);
    connect(write_, &TWriteCommand::WriteSent, marks_,
            [this](const SentFrame& frame) { marks_->Written(frame.heard); });
    connect(plan_, &TPlanApply::WriteSent, marks_,
            [this](const SentFrame& frame) { marks_->Written(frame.heard); });
    marks_->SetNote([this](int line) { return plan_->NoteOf(line); });
    auto* lists = new TListActions(RzCheckTree1, devices_, marks_, notifier_, plan_);
    connect(lists, &TListActions::ChangesAsked, this, &TForm1::ShowChanges);
}

void TForm1::ShowChanges() {
    if (changes_ == nullptr)
        changes_ = new TChangesWindow(
            *runRecord_, devices_, *write_, [this] { return broadcastMode_; }, this);
    changes_->Open();
}

TForm1::~TForm1() = default;

void TForm1::BuildLayout() {
    BuildToolbar();

    RzPageControl1 = new QTabWidget(this);
    RzPageControl1->setObjectName(QStringLiteral("RzPageControl1"));
    RzPageControl1->setGeometry(0, 29, 703, 225);
    RzPageControl1->tabBar()->hide();
    RzPageControl1->setDocumentMode(true);
    TabSheet1 = new QWidget;
    TabSheet1->setObjectName(QStringLiteral("TabSheet1"));
    RzPageControl1->addTab(TabSheet1, QStringLiteral("Поиск"));
    RzPageControl1->setAccessibleName(RzPageControl1->tabText(0)); // its tab is hidden

    RzCheckTree1 = new TRzCheckTree(TabSheet1);
    RzCheckTree1->setGeometry(8, 8, 193, 209);
    connect(RzCheckTree1, &TRzCheckTree::Changing, this, &TForm1::RzCheckTree1Changing);
    connect(RzCheckTree1, &TRzCheckTree::Change, this, &TForm1::RzCheckTree1Change);

    RzGroupBox3 = new QGroupBox(QStringLiteral("Статус операции"), TabSheet1);
    RzGroupBox3->setObjectName(QStringLiteral("RzGroupBox3"));
    RzGroupBox3->setGeometry(207, 8, 489, 49);
    RzMarqueeStatus1 = new TRzMarqueeStatus(RzGroupBox3);
    RzMarqueeStatus1->setGeometry(8, 16, 321, 25);
    RzProgressStatus1 = new TRzProgressStatus(RzGroupBox3);
    RzProgressStatus1->setGeometry(336, 16, 145, 25);

    BuildParameterGroup(TabSheet1);

    RzStatusBar1 = new TRzStatusBar(this);
    RzStatusBar1->setGeometry(0, 254, 703, 19);

    setTabOrder(RzEdit1, RzEdit2);
    setTabOrder(RzEdit2, RzEdit3);
    setTabOrder(RzEdit3, RzEdit4);
    setTabOrder(RzEdit4, RzEdit6);
    setTabOrder(RzEdit6, RzEdit7);
    setTabOrder(RzEdit7, RzBitBtn1);
}

void TForm1::BuildToolbar() {
    RzToolbar1 = new ToolbarPanel(this);
    RzToolbar1->setObjectName(QStringLiteral("RzToolbar1"));
    RzToolbar1->setAccessibleName(QStringLiteral("Панель инструментов"));
    RzToolbar1->setGeometry(0, 0, 703, 29);
    RzToolButton2 =
        MakeToolButton(RzToolbar1, "RzToolButton2", QStringLiteral("Поиск широковещательный"),
                       artwork::kBroadcastSearch, 4, 171);
    RzToolButton6 = MakeToolButton(RzToolbar1, "RzToolButton6", QStringLiteral("Поиск по IP"),
                                   artwork::kSearchByAddress, 175, 88);
    RzSpacer1 = new QWidget(RzToolbar1);
    RzSpacer1->setObjectName(QStringLiteral("RzSpacer1"));
    RzSpacer1->setGeometry(263, 2, 370, 25);
    RzToolButton1 = MakeToolButton(RzToolbar1, "RzToolButton1", QStringLiteral("Выход"),
                                   artwork::kExit, 633, 60);
    connect(RzToolButton2, &QToolButton::clicked, this, &TForm1::RzToolButton2Click);
    connect(RzToolButton6, &QToolButton::clicked, this, &TForm1::RzToolButton6Click);
    connect(RzToolButton1, &QToolButton::clicked, this, &TForm1::RzToolButton1Click);
}

void TForm1::BuildParameterGroup(QWidget* page) {
    RzGroupBox1 = new QGroupBox(QStringLiteral("Сетевые параметры"), page);
    RzGroupBox1->setObjectName(QStringLiteral("RzGroupBox1"));
    RzGroupBox1->setGeometry(208, 56, 489, 161);

    const auto makeField = [this](const char* name, const QRect& box, bool readOnly) {
        auto* edit = new QLineEdit(RzGroupBox1);
        edit->setObjectName(QLatin1String(name));
        edit->setGeometry(box);
        if (readOnly) {
            edit->setReadOnly(true);
            QPalette pal = edit->palette();
            pal.setColor(QPalette::Base, pal.color(QPalette::ToolTipBase));
            edit->setPalette(pal);
        }
        return edit;
    };
    const auto makeLabel = [this](const char* name, const QString& caption, int left, int top,
                                  QLineEdit* buddy) {
        auto* label = new QLabel(caption, RzGroupBox1);
        label->setObjectName(QLatin1String(name));
        label->adjustSize();
        label->move(left, top);
        label->setBuddy(buddy);
        return label;
    };

    RzEdit1 = makeField("RzEdit1", {72, 24, 145, 21}, false);
    RzEdit2 = makeField("RzEdit2", {280, 24, 145, 21}, false);
    RzEdit3 = makeField("RzEdit3", {72, 48, 145, 21}, false);
    RzEdit4 = makeField("RzEdit4", {72, 80, 145, 21}, true);
    RzEdit6 = makeField("RzEdit6", {280, 80, 145, 21}, true);
    RzEdit7 = makeField("RzEdit7", {280, 48, 145, 21}, true);
    RzLabel5 = makeLabel("RzLabel5", QStringLiteral("IP:"), 48, 32, RzEdit1);
    RzLabel7 = makeLabel("RzLabel7", QStringLiteral("Шлюз:"), 240, 32, RzEdit2);
    RzLabel6 = makeLabel("RzLabel6", QStringLiteral("Маска:"), 24, 56, RzEdit3);
    RzLabel8 = makeLabel("RzLabel8", QStringLiteral("MAC:"), 32, 88, RzEdit4);
    RzLabel1 = makeLabel("RzLabel1", QStringLiteral("Hw/Sw:"), 232, 88, RzEdit6);
    RzLabel2 = makeLabel("RzLabel2", QStringLiteral("Порт:"), 240, 56, RzEdit7);

    const auto show = [](const QString& text) { ShowErrorMessage(text); };
    const QString badAddress = QStringLiteral("Неправильный формат IP адреса");
    new AddressKeyFilter(RzEdit1, badAddress, show);
    new AddressKeyFilter(RzEdit2, badAddress, show);
    new AddressKeyFilter(RzEdit3, QStringLiteral("Неправильный формат маски"), show);

    RzBitBtn1 = new QPushButton(artwork::WriteButtonIcon(), QStringLiteral("Записать параметры"),
                                RzGroupBox1);
    RzBitBtn1->setObjectName(QStringLiteral("RzBitBtn1"));
    RzBitBtn1->setGeometry(72, 112, 353, 33);
    RzBitBtn1->setIconSize(QSize(16, 16));
    connect(RzBitBtn1, &QPushButton::clicked, this, &TForm1::RzBitBtn1Click);
}

void TForm1::FormCreate() {
    devices_.Clear();
    EnableEditFields(false);
    RzCheckTree1->setCurrentIndex(RzCheckTree1->Nodes()->Root());
}

DriverContext TForm1::Context() {
    DriverContext context;
    context.tree = RzCheckTree1->Nodes();
    context.marquee = RzMarqueeStatus1;
    context.progress = RzProgressStatus1;
    context.table = &devices_;
    return context;
}

void TForm1::Release() {
    if (busy_ == 0 && searches_ == 0 && closePending_) {
        closePending_ = false;
        close();
    }
}

void TForm1::StartSearch(const core::Ip4& destination, bool broadcast) {
    FinishStart();
    noReply_->SearchStarted();
    auto* run = new SearchRun(Context(), core::kLocalPortBase, this);
    if (!run->Start(destination)) {
        delete run; // no local port: the command ends as after an empty search
        SearchFinished(broadcast);
        return;
    }
    ++searches_;
    marks_->SearchStarted(broadcast);
    connect(run, &SearchRun::Finished, this, [this, run, broadcast] {
        run->deleteLater();
        --searches_;
        SearchFinished(broadcast);
        Release();
    });
}

void TForm1::SearchFinished(bool broadcast) {
    broadcastMode_ = broadcast;
    if (changes_ != nullptr)
        changes_->Refresh();
    if (!broadcast) {
        SetDeviceCount(CountDevices()); // in the order the replies came
        marks_->SearchEnded(false);
        plan_->SearchEnded();
        return;
    }
    RzCheckTree1->Nodes()->Sort();
    RzCheckTree1->repaint();
    const int count = CountDevices();
    SetDeviceCount(count);
    marks_->SearchEnded(true);
    plan_->SearchEnded();
    if (count == 0)
        noReply_->NothingFound();
}

void TForm1::RzToolButton2Click() {
    BusyScope busy(*this);
    EnableEditFields(false);
    devices_.Clear();
    ClearFields();
    RzCheckTree1->Nodes()->Clear();
    StartSearch(core::kBroadcast, true);
}

void TForm1::RzToolButton6Click() {
    BusyScope busy(*this);
    EnableEditFields(false);
    devices_.Clear();
    ClearFields();
    RzCheckTree1->expandAll(); // expanding never changes the selection in this tree

    QString address;
    AskText(QStringLiteral("The Input Query"), QStringLiteral("IP адрес"), QString(), address);
    if (address.isEmpty())
        return;
    if (BadDottedQuad(address.toStdString(), false)) {
        ShowErrorMessage(QStringLiteral("Неправильный формат IP адреса"));
        return;
    }
    RzCheckTree1->Nodes()->Clear();
    // The address search with the broadcast address is a broadcast search all the same,
    // but the tree keeps the order of the replies and the broadcast mode flag goes off.
    StartSearch(*core::ParseDottedQuad(address.toStdString()), false);
}

void TForm1::RzToolButton1Click() {
    close();
}

void TForm1::closeEvent(QCloseEvent* event) {
    if (busy_ > 0 || searches_ > 0) {
        // A search is still listening further up the stack: end when it has finished.
        closePending_ = true;
        event->ignore();
        return;
    }
    writeCheck_->Stop();
    noReply_->Close();
    write_->Drop();
    plan_->Drop();
    event->accept();
}

void TForm1::RzCheckTree1Changing(const QModelIndex& node) {
    keptStateIndex_ = TRzCheckTree::StateIndexOf(node);
}

void TForm1::RzCheckTree1Change(const QModelIndex& node) {
    if (TRzCheckTree::StateIndexOf(node) != keptStateIndex_)
        return;
    const QModelIndex selected = RzCheckTree1->currentIndex();
    if (!selected.isValid())
        return;
    if (RzCheckTree1->Nodes()->KindOf(selected) != TDeviceModel::Kind::kController) {
        ClearFields();
        RzMarqueeStatus1->SetCaption("");
        EnableEditFields(false);
        return;
    }
    RzMarqueeStatus1->SetCaption(MarqueeText::ControllerPrefix +
                                 selected.data().toString().toStdString());
    // The record of the controller whose reply made this node: several controllers may
    // answer from one address.
    if (const core::Controller* line = devices_.Find(RzCheckTree1->SelectedId())) {
        EnableEditFields(true);
        ShowRecord(line->record);
        filledFrom_ = *line;
    } else {
        EnableEditFields(false);
        RzMarqueeStatus1->SetCaption(RzMarqueeStatus1->Caption() + MarqueeText::NoConfigSuffix);
    }
}

void TForm1::ClearFields() {
    for (const ParameterField& f : kParameterFields)
        (this->*f.edit)->clear();
    filledFrom_.reset();
}

void TForm1::EnableEditFields(bool enabled) {
    for (const ParameterField& f : kParameterFields)
        if (Editable(f))
            (this->*f.edit)->setEnabled(enabled);
}

int TForm1::CountDevices() {
    RzCheckTree1->Nodes()->Flush();
    return RzCheckTree1->Nodes()->ControllerCount();
}

void TForm1::ShowRecord(const core::ControllerRecord& record) {
    for (const ParameterField& f : kParameterFields)
        (this->*f.edit)->setText(Text(f.text(record)));
}

bool TForm1::ValidateBeforeWrite() {
    core::WriteValues values = FieldTexts(true);
    values.checkAddresses = RzEdit1->isEnabled(); // the three are enabled together
    const std::vector<core::FieldFault> faults = core::CheckWriteValues(values);
    // Every failing field is selected and focused in turn: the last one keeps the focus.
    for (const core::FieldFault& fault : faults) {
        for (const ParameterField& f : kParameterFields) {
            if (f.field == fault.field) {
                (this->*f.edit)->selectAll();
                (this->*f.edit)->setFocus();
            }
        }
    }
    return !faults.empty();
}

void TForm1::RzBitBtn1Click() {
    if (ValidateBeforeWrite()) {
        ShowErrorMessage(QStringLiteral("Ошибка параметров"));
        return;
    }
    WriteOrder order;
    order.selected = RzCheckTree1->currentIndex().isValid();
    order.line = RzCheckTree1->SelectedId();
    // Only a controller whose own record fills the fields is written to: the fields may
    // still hold the values of the controller selected before this one.
    if (order.line != 0 && filledFrom_ && filledFrom_->id == order.line)
        order.target = filledFrom_;
    order.values = FieldTexts();
    order.broadcastMode = broadcastMode_;
    write_->Run(order);
}

void TForm1::SetWriteFailurePause(int ms) {
    write_->SetFailurePause(ms);
}

bool TForm1::Diagnosing() const {
    return noReply_->Diagnosing();
}

bool TForm1::Writing() const {
    return write_->Probing();
}

void TForm1::SetDeviceCount(int count) {
    RzStatusBar1->SetDeviceCount(count);
}

QString TForm1::DeviceCountText() const {
    return RzStatusBar1->CountPane()->text();
}

core::WriteValues TForm1::FieldTexts(bool withPort) const {
    core::WriteValues values;
    for (const ParameterField& f : kParameterFields)
        if (f.value != nullptr && (withPort || f.field != core::WriteField::kPort))
            values.*f.value = (this->*f.edit)->text().toStdString();
    return values;
}
