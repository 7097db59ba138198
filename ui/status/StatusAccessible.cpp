#include "StatusAccessible.h"

#include "MarqueeStatus.h"
#include "ProgressStatus.h"

#include <QAccessible>
#include <QAccessibleWidget>

namespace {

class MarqueeAccessible : public QAccessibleWidget {
public:
    explicit MarqueeAccessible(TRzMarqueeStatus* marquee)
        : QAccessibleWidget(marquee, QAccessible::StaticText) {}

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name) {
            const QString explicitName = widget()->accessibleName();
            return explicitName.isEmpty() ? Marquee()->CaptionText() : explicitName;
        }
        return QAccessibleWidget::text(t);
    }

private:
    TRzMarqueeStatus* Marquee() const { return static_cast<TRzMarqueeStatus*>(widget()); }
};

class ProgressAccessible : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit ProgressAccessible(TRzProgressStatus* progress)
        : QAccessibleWidget(progress, QAccessible::ProgressBar) {}

    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::ValueInterface)
            return static_cast<QAccessibleValueInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Value)
            return QString::number(Progress()->Percent());
        return QAccessibleWidget::text(t);
    }

    QVariant currentValue() const override { return static_cast<int>(Progress()->Percent()); }
    void setCurrentValue(const QVariant&) override {} // read-only for assistive tools
    QVariant maximumValue() const override { return 100; }
    QVariant minimumValue() const override { return 0; }
    QVariant minimumStepSize() const override { return 0; }

private:
    TRzProgressStatus* Progress() const { return static_cast<TRzProgressStatus*>(widget()); }
};

QAccessibleInterface* Factory(const QString& className, QObject* object) {
    if (className == QLatin1String("TRzMarqueeStatus"))
        if (auto* marquee = qobject_cast<TRzMarqueeStatus*>(object))
            return new MarqueeAccessible(marquee);
    if (className == QLatin1String("TRzProgressStatus"))
        if (auto* progress = qobject_cast<TRzProgressStatus*>(object))
            return new ProgressAccessible(progress);
    return nullptr;
}

} // namespace

namespace StatusAccessible {

void Install() {
    static const bool installed = [] {
        QAccessible::installFactory(&Factory);
        return true;
    }();
    (void)installed;
}

} // namespace StatusAccessible
