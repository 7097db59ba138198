// Helpers for driving modal dialogs and reading grabbed pixels in the dialog tests.
#pragma once

#include <QApplication>
#include <QColor>
#include <QDialog>
#include <QImage>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>
#include <ostream>

QT_BEGIN_NAMESPACE
inline void PrintTo(const QColor& c, std::ostream* os) {
    *os << "(" << c.red() << ", " << c.green() << ", " << c.blue() << ")";
}
QT_END_NAMESPACE

// Answers the next modal dialog: once it is open, `answer` runs with it. A dialog the answer
// did not close is ended with kWatchdogResult later, so a failing test ends instead of
// hanging. Destroying the object stops waiting.
class TDialogAnswer {
public:
    static constexpr int kWatchdogResult = -99;

    explicit TDialogAnswer(std::function<void(QWidget*)> answer)
        : FAnswer(std::move(answer)), FPoll(std::make_unique<QTimer>()) {
        QObject::connect(FPoll.get(), &QTimer::timeout, [this] { Poll(); });
        FPoll->start(5);
    }
    bool Answered() const { return FAnswered; }

private:
    void Poll() {
        QWidget* w = QApplication::activeModalWidget();
        if (!w || !w->isVisible())
            return;
        FPoll->stop();
        FAnswered = true;
        FAnswer(w);
        QPointer<QWidget> guard(w);
        QTimer::singleShot(5000, qApp, [guard] {
            if (auto* d = qobject_cast<QDialog*>(guard.data()); d && d->isVisible())
                d->done(kWatchdogResult);
        });
    }

    std::function<void(QWidget*)> FAnswer;
    std::unique_ptr<QTimer> FPoll;
    bool FAnswered = false;
};

// Where a key typed into the dialog goes first: its focus widget, else the dialog itself.
inline QWidget* KeyTarget(QWidget* dialog) {
    QWidget* f = QApplication::focusWidget();
    return f && (f == dialog || dialog->isAncestorOf(f)) ? f : dialog;
}

inline QColor Pixel(const QImage& img, int x, int y) {
    return img.pixelColor(x, y).toRgb();
}
