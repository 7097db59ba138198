#include "StatusAccessible.h"

#include "MarqueeStatus.h"
#include "ProgressStatus.h"
#include "StatusPane.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QGroupBox>

namespace {

// The title of the group a status widget sits in, or an empty string.
QString GroupTitle(const QWidget* widget) {
    const auto* group = qobject_cast<const QGroupBox*>(widget->parentWidget());
    return group != nullptr ? group->title() : QString();
}

class MarqueeAccessible : public QAccessibleWidget {
public:
    explicit MarqueeAccessible(TRzMarqueeStatus* marquee)
        : QAccessibleWidget(marquee, QAccessible::StaticText) {}

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name) {
            const QString explicitName = widget()->accessibleName();
            if (!explicitName.isEmpty())
                return explicitName;
            // With no caption, the group's title ("Статус операции") names it.
            const QString caption = Marquee()->CaptionText();
            return caption.isEmpty() ? GroupTitle(widget()) : caption;
        }
        // A message cut to fit the line is read whole.
        if (t == QAccessible::Description) {
            const QString whole = widget()->accessibleDescription();
            return whole.isEmpty() ? GroupTitle(widget()) : whole;
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
        if (t == QAccessible::Name && widget()->accessibleName().isEmpty())
            return QStringLiteral("Ход операции");
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

// A status bar pane reads as a static text: its accessible name (what the pane shows, such
// as "Найденно устройств:") followed by its text, so that a pane showing only a value is
// still named.
class PaneAccessible : public QAccessibleWidget {
public:
    explicit PaneAccessible(TRzStatusPane* pane)
        : QAccessibleWidget(pane, QAccessible::StaticText) {}

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name) {
            const QString label = widget()->accessibleName();
            const QString shown = static_cast<TRzStatusPane*>(widget())->text();
            if (label.isEmpty() || shown.isEmpty())
                return label + shown;
            return label + QLatin1Char(' ') + shown;
        }
        return QAccessibleWidget::text(t);
    }
};

QAccessibleInterface* Factory(const QString& className, QObject* object) {
    if (className == QLatin1String("TRzMarqueeStatus"))
        if (auto* marquee = qobject_cast<TRzMarqueeStatus*>(object))
            return new MarqueeAccessible(marquee);
    if (className == QLatin1String("TRzProgressStatus"))
        if (auto* progress = qobject_cast<TRzProgressStatus*>(object))
            return new ProgressAccessible(progress);
    // Asked for the pane classes derived from it too (clock, version).
    if (className == QLatin1String("TRzStatusPane"))
        if (auto* pane = qobject_cast<TRzStatusPane*>(object))
            return new PaneAccessible(pane);
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
