// Counts the paint events a widget receives and remembers a value read at each of them.
#pragma once

#include <QEvent>
#include <QObject>
#include <QVariant>
#include <functional>
#include <vector>

class PaintProbe : public QObject {
public:
    explicit PaintProbe(QObject* watched, std::function<QVariant()> sample = {})
        : sample_(std::move(sample)) {
        watched->installEventFilter(this);
    }
    int count = 0;
    std::vector<QVariant> samples;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            ++count;
            if (sample_)
                samples.push_back(sample_());
        }
        return false;
    }

private:
    std::function<QVariant()> sample_;
};
