// The main window "Quorrel IP Configurator": toolbar, device tree, status displays,
// parameter fields, write button and status bar, with the commands behind them.
#pragma once

#include "CheckTree.h"
#include "Controllers.h"
#include "UDPDriverQuorrelConf.h"
#include "WriteFields.h"

#include <QWidget>
#include <optional>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;
class QToolButton;
class TRzMarqueeStatus;
class TRzProgressStatus;
class TRzStatusBar;
class TNoReplyAdvice;
class TNotifier;
class TPlanApply;
class TSiteMarks;
class TRzTrayIcon;
class TChangesWindow;
class TRunRecordModel;
class TWriteCheckNotice;
class TWriteCommand;

// Runs once before the window exists: the dialogs get the program's appearance.
void InitializeUnit1();

class TForm1 : public QWidget {
    Q_OBJECT
public:
    explicit TForm1(QWidget* parent = nullptr);
    ~TForm1() override;

    // Toolbar
    QWidget* RzToolbar1 = nullptr;
    QToolButton* RzToolButton2 = nullptr; // "Поиск широковещательный"
    QToolButton* RzToolButton6 = nullptr; // "Поиск по IP"
    QWidget* RzSpacer1 = nullptr;
    QToolButton* RzToolButton1 = nullptr; // "Выход"
    // Page with the tree, the status group and the parameter group
    QTabWidget* RzPageControl1 = nullptr;
    QWidget* TabSheet1 = nullptr;
    TRzCheckTree* RzCheckTree1 = nullptr;
    QGroupBox* RzGroupBox3 = nullptr;
    TRzMarqueeStatus* RzMarqueeStatus1 = nullptr;
    TRzProgressStatus* RzProgressStatus1 = nullptr;
    QGroupBox* RzGroupBox1 = nullptr;
    QLineEdit* RzEdit1 = nullptr; // IP
    QLineEdit* RzEdit2 = nullptr; // gateway
    QLineEdit* RzEdit3 = nullptr; // mask
    QLineEdit* RzEdit4 = nullptr; // MAC
    QLineEdit* RzEdit6 = nullptr; // Hw/Sw
    QLineEdit* RzEdit7 = nullptr; // port
    QLabel* RzLabel5 = nullptr;
    QLabel* RzLabel7 = nullptr;
    QLabel* RzLabel6 = nullptr;
    QLabel* RzLabel8 = nullptr;
    QLabel* RzLabel1 = nullptr;
    QLabel* RzLabel2 = nullptr;
    QPushButton* RzBitBtn1 = nullptr; // "Записать параметры"
    TRzStatusBar* RzStatusBar1 = nullptr;
    TRzTrayIcon* RzTrayIcon1 = nullptr; // made once the window has been painted

    // Commands and events
    void FormCreate();
    void RzToolButton2Click();
    void RzToolButton6Click();
    void RzToolButton1Click();
    void RzCheckTree1Changing(const QModelIndex& node);
    void RzCheckTree1Change(const QModelIndex& node);
    void RzBitBtn1Click();

    // Field operations
    void ClearFields();
    void EnableEditFields(bool enabled);
    int CountDevices();
    // Fills the six fields from a record.
    void ShowRecord(const core::ControllerRecord& record);
    // True when a field that counts is bad; each bad field is selected and focused.
    bool ValidateBeforeWrite();

    const core::Controllers& Devices() const { return devices_; }
    // True at start and after a broadcast search, false after a search by address: it
    // chooses where a write goes.
    bool BroadcastMode() const { return broadcastMode_; }
    // The count pane's text.
    QString DeviceCountText() const;
    // Tells whether each write took (tests shorten its check).
    TWriteCheckNotice* WriteCheck() { return writeCheck_; }
    // Everything the window tells beyond its dialogs goes this way.
    TNotifier* Notifier() { return notifier_; }
    // The plan opened in the window, and its writes.
    TPlanApply* Plan() { return plan_; }
    // Pause after a failed write, in milliseconds (tests shorten it).
    void SetWriteFailurePause(int ms);
    // A search started by a command is still listening.
    bool Searching() const { return searches_ > 0; }
    // The facts of an empty broadcast search are still being gathered.
    bool Diagnosing() const;
    // A write waits for the LAN to tell whether another device holds its new address.
    bool Writing() const;
    // "Изменения за сеанс": the run's writes, in a window of their own (made when first shown).
    void ShowChanges();
    TChangesWindow* Changes() { return changes_; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    class BusyScope;

    // What the window's first paint does not need, done once after it (or before a search
    // that comes first): the window and tray icon with the start-up balloon, the watch for
    // the desktop's notification service, the site view.
    void FinishStart();

    // Starts a search of the window; SearchFinished follows when it is over.
    void StartSearch(const core::Ip4& destination, bool broadcast);
    void SearchFinished(bool broadcast);
    // A command or a search has ended; a close asked for meanwhile happens now.
    void Release();
    void BuildLayout();
    void BuildToolbar();
    void BuildParameterGroup(QWidget* page);
    DriverContext Context();
    void SetDeviceCount(int count);

    // The texts of the parameter fields a write sends, and of the port when asked.
    core::WriteValues FieldTexts(bool withPort = false) const;

    core::Controllers devices_;
    bool broadcastMode_ = true;
    int32_t keptStateIndex_ = 0;
    // The controller whose record the fields were last filled from (none: nothing filled
    // them): a write goes only to the controller whose values the fields hold.
    std::optional<core::Controller> filledFrom_;
    int busy_ = 0; // commands on the stack
    int searches_ = 0;
    bool closePending_ = false;
    TWriteCommand* write_ = nullptr;
    TWriteCheckNotice* writeCheck_ = nullptr;
    TRunRecordModel* runRecord_ = nullptr; // every write of the run
    TChangesWindow* changes_ = nullptr;
    TNotifier* notifier_ = nullptr;
    TSiteMarks* marks_ = nullptr;       // details, new and gone controllers
    TNoReplyAdvice* noReply_ = nullptr; // after a broadcast search that heard nothing
    TPlanApply* plan_ = nullptr;
};
