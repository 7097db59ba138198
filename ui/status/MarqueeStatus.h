// The one-line status text of the "Статус операции" group (RzMarqueeStatus1).
#pragma once

#include "StatusDisplays.h"

#include <QString>
#include <QWidget>

class TRzMarqueeStatus : public QWidget, public IStatusMarquee {
    Q_OBJECT
public:
    static constexpr int DefaultWidth = 321;
    static constexpr int DefaultHeight = 25;

    explicit TRzMarqueeStatus(QWidget* parent = nullptr);

    // IStatusMarquee, UTF-8. Setting the caption it already has does nothing; a new one is
    // painted at the next repaint of the widget, not at once.
    void SetCaption(const std::string& text) override;
    std::string Caption() const override;

    // The same for Qt strings.
    void SetCaptionText(const QString& text);
    QString CaptionText() const { return caption_; }

    // Paints the current caption before returning (the write failure display needs its text
    // on screen while the window is blocked).
    void RepaintNow();

    QSize sizeHint() const override { return {DefaultWidth, DefaultHeight}; }

signals:
    // A new caption was set (sent together with the accessibility name change).
    void CaptionChanged(const QString& caption);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString caption_;
};
