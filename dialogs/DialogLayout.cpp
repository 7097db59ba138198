#include "DialogLayout.h"

#include <algorithm>
#include <cfenv>
#include <cmath>
#include <cstdint>
#include <limits>

namespace dlglayout {

int MulDiv(int a, int b, int c) {
    if (c == 0)
        return -1;
    const int64_t product = int64_t(a) * int64_t(b);
    const bool negative = (product < 0) != (c < 0);
    const uint64_t num = product < 0 ? uint64_t(-product) : uint64_t(product);
    const uint64_t den = c < 0 ? uint64_t(-int64_t(c)) : uint64_t(c);
    // floor(num / den + 1/2) == floor((2 num + den) / (2 den))
    const uint64_t q = (2 * num + den) / (2 * den);
    if (q > uint64_t(std::numeric_limits<int>::max()))
        return -1;
    return negative ? -int(q) : int(q);
}

TDialogUnits DialogUnitsFromExtent(QSize letterExtent) {
    return {letterExtent.width() / 52, letterExtent.height()};
}

TMessageMetrics MessageMetrics(TDialogUnits u) {
    TMessageMetrics m;
    m.MarginX = MulDiv(8, u.X, 4);
    m.MarginY = MulDiv(8, u.Y, 8);
    m.GapX = MulDiv(10, u.X, 4);
    m.GapY = MulDiv(10, u.Y, 8);
    m.BtnW = MulDiv(50, u.X, 4);
    m.BtnH = MulDiv(14, u.Y, 8);
    m.BtnGap = MulDiv(4, u.X, 4);
    return m;
}

TMessageLayout LayoutMessageBox(TDialogUnits u, QSize textSize, bool hasIcon, int buttonCount) {
    TMessageLayout l;
    l.M = MessageMetrics(u);
    const TMessageMetrics& m = l.M;
    const int tw = textSize.width();
    const int th = textSize.height();

    l.BodyW = tw;
    l.BodyH = th;
    if (hasIcon) {
        l.BodyW += kIconSize + m.GapX;
        l.BodyH = std::max(th, kIconSize);
    }
    const int n = std::max(buttonCount, 0);
    l.RowW = n == 0 ? 0 : n * m.BtnW + (n - 1) * m.BtnGap;

    l.Client =
        QSize(std::max(l.BodyW, l.RowW) + 2 * m.MarginX, l.BodyH + m.BtnH + m.GapY + 2 * m.MarginY);
    if (hasIcon)
        l.Icon = QRect(m.MarginX, m.MarginY, kIconSize, kIconSize);
    l.Message = QRect(l.BodyW - tw + m.MarginX, m.MarginY, tw, th);

    int x = (l.Client.width() - l.RowW) / 2;
    const int y = l.BodyH + m.MarginY + m.GapY;
    for (int i = 0; i < n; ++i) {
        l.Buttons.emplace_back(x, y, m.BtnW, m.BtnH);
        x += m.BtnW + m.BtnGap;
    }
    return l;
}

TQueryLayout LayoutInputQuery(TDialogUnits u) {
    TQueryLayout l;
    l.Client = QSize(MulDiv(180, u.X, 4), MulDiv(63, u.Y, 8));
    l.Prompt = QPoint(MulDiv(8, u.X, 4), MulDiv(8, u.Y, 8));
    l.EditLeft = l.Prompt.x();
    l.EditTop = MulDiv(19, u.Y, 8);
    l.EditWidth = MulDiv(164, u.X, 4);
    const int btnTop = MulDiv(41, u.Y, 8);
    const int btnW = MulDiv(50, u.X, 4);
    const int btnH = MulDiv(14, u.Y, 8);
    l.Ok = QRect(MulDiv(38, u.X, 4), btnTop, btnW, btnH);
    l.Cancel = QRect(MulDiv(92, u.X, 4), btnTop, btnW, btnH);
    return l;
}

QPoint CentredTopLeft(const QRect& screen, QSize window) {
    return QPoint(screen.left() + screen.width() / 2 - window.width() / 2,
                  screen.top() + screen.height() / 2 - window.height() / 2);
}

namespace {
int NearestEven(double v) {
    // std::nearbyint rounds in the current mode, which is to-nearest-even unless changed.
    const int saved = std::fegetround();
    std::fesetround(FE_TONEAREST);
    const double r = std::nearbyint(v);
    std::fesetround(saved);
    return std::clamp(int(r), 0, 255);
}
} // namespace

QColor PanelLineColour(const QColor& face, const QColor& grad, int y, int h) {
    if (h <= 0)
        return face;
    auto channel = [y, h](int f, int g) { return NearestEven(f + double(g - f) * y / h); };
    return QColor(channel(face.red(), grad.red()), channel(face.green(), grad.green()),
                  channel(face.blue(), grad.blue()));
}

QColor BackgroundLineColour(const QColor& top, const QColor& bottom, int k, int h) {
    if (h <= 1)
        return top;
    auto channel = [k, h](int a, int b) { return std::clamp(a + (b - a) * k / (h - 1), 0, 255); };
    return QColor(channel(top.red(), bottom.red()), channel(top.green(), bottom.green()),
                  channel(top.blue(), bottom.blue()));
}

} // namespace dlglayout
