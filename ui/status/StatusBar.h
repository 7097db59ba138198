// The status bar at the bottom of the main window (RzStatusBar1), 19 pixels high, without a
// size grip. Its panes sit at fixed places, left to right:
//   0..121    "Найденно устройств:"
//   121..201  the device count (empty until the first search ends)
//   201..330  the clock
//   330..379  bare bar
//   the last 324 pixels: the copyright text, right-aligned
#pragma once

#include <QStatusBar>

class TRzStatusPane;
class TRzClockStatus;
class TRzVersionInfoStatus;
class IVersionResource;

class TRzStatusBar : public QStatusBar {
    Q_OBJECT
public:
    static constexpr int DefaultWidth = 703;
    static constexpr int Height = 19;
    static constexpr int CountCaptionWidth = 121;
    static constexpr int CountWidth = 80;
    static constexpr int ClockWidth = 129;
    static constexpr int VersionWidth = 324;

    // Reads the program's own version resource for the copyright pane.
    explicit TRzStatusBar(QWidget* parent = nullptr);
    // Reads the given resource instead.
    TRzStatusBar(const IVersionResource& resource, QWidget* parent = nullptr);

    TRzStatusPane* CountCaptionPane() const { return pane1_; }     // RzStatusPane1
    TRzStatusPane* CountPane() const { return pane2_; }            // RzStatusPane2
    TRzClockStatus* ClockPane() const { return clock_; }           // RzClockStatus1
    TRzVersionInfoStatus* VersionPane() const { return version_; } // RzVersionInfoStatus1

    // Shows the number of controllers found; painted at the next repaint.
    void SetDeviceCount(int count);

    QSize sizeHint() const override { return {DefaultWidth, Height}; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void Build(TRzVersionInfoStatus* version);
    void PlacePanes();

    TRzStatusPane* pane1_ = nullptr;
    TRzStatusPane* pane2_ = nullptr;
    TRzClockStatus* clock_ = nullptr;
    TRzVersionInfoStatus* version_ = nullptr;
};
