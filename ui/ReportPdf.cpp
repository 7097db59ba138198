#include "ReportPdf.h"

#include "Fonts.h"
#include "Identity.h"
#include "VersionInfo.h"

#include <QBuffer>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSysInfo>
#include <algorithm>
#include <numeric>

namespace {

constexpr int kResolution = 300; // dots per inch of the page's coordinates
constexpr double kMarginMm = 12;
// The columns' shares of the page's width: time, MAC, before, written, where sent, card, check.
constexpr int kShares[] = {7, 13, 20, 20, 11, 9, 20};
constexpr int kCellFlags = Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap;

QFont ReportFont(double points, bool bold = false) {
    QFont font(WindowFontFamily());
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

// Lays out the table on the pages: where each column starts and how wide it is.
class TablePainter {
public:
    TablePainter(QPdfWriter& writer, QPainter& painter, const QStringList& headings)
        : writer_(writer), painter_(painter), headings_(headings), pad_(kResolution / 36) { // 2 pt
        const int total = std::accumulate(std::begin(kShares), std::end(kShares), 0);
        const int width = painter_.viewport().width();
        int left = 0;
        for (int i = 0; i < headings_.size(); ++i) {
            const int share = i < static_cast<int>(std::size(kShares)) ? kShares[i] : 10;
            const int w = width * share / total;
            columns_.push_back({left, w});
            left += w;
        }
    }

    // The header row at y; returns the y below it.
    int Header(int y) {
        painter_.setFont(ReportFont(8, true));
        return Row(y, headings_, true);
    }

    // The row at y, on the next page under a new header when it does not fit; returns the y
    // below it.
    int Next(int y, const QStringList& cells) {
        painter_.setFont(ReportFont(8));
        if (y + Height(cells) > painter_.viewport().height()) {
            writer_.newPage();
            y = Header(0);
            painter_.setFont(ReportFont(8));
        }
        return Row(y, cells, false);
    }

private:
    int Height(const QStringList& cells) const {
        int height = 0;
        for (int i = 0; i < cells.size() && i < static_cast<int>(columns_.size()); ++i) {
            const QRect room(0, 0, columns_[i].second - 2 * pad_, 1 << 20);
            height = std::max(height, painter_.boundingRect(room, kCellFlags, cells[i]).height());
        }
        return height + 2 * pad_;
    }

    int Row(int y, const QStringList& cells, bool header) {
        const int height = Height(cells);
        const int width = columns_.back().first + columns_.back().second;
        if (header)
            painter_.fillRect(QRect(0, y, width, height), QColor(230, 234, 242));
        painter_.setPen(QPen(Qt::gray, 0));
        painter_.drawLine(0, y + height, width, y + height);
        if (header)
            painter_.drawLine(0, y, width, y);
        painter_.setPen(Qt::black);
        for (int i = 0; i < cells.size() && i < static_cast<int>(columns_.size()); ++i) {
            const auto [left, w] = columns_[i];
            painter_.drawText(QRect(left + pad_, y + pad_, w - 2 * pad_, height), kCellFlags,
                              cells[i]);
        }
        return y + height;
    }

    QPdfWriter& writer_;
    QPainter& painter_;
    QStringList headings_;
    int pad_;
    std::vector<std::pair<int, int>> columns_; // left, width
};

} // namespace

ReportHeading ThisReportHeading(const QDateTime& localTime) {
    QString program = QString::fromUtf8(identity::kName);
    const QString version =
        ReadVersionField(*OwnVersionResource(), QStringLiteral("ProductVersion"));
    if (!version.isEmpty() && version != QLatin1String(VersionValueNotAvailable))
        program += QStringLiteral(" ") + version;
    return {QStringLiteral("Изменения параметров контроллеров"),
            localTime.toString(QStringLiteral("dd.MM.yyyy HH:mm")), QSysInfo::machineHostName(),
            program};
}

QByteArray ReportPdf(const ReportHeading& heading, const QStringList& headings,
                     const std::vector<QStringList>& rows) {
    QByteArray pdf;
    QBuffer buffer(&pdf);
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        writer.setResolution(kResolution);
        writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Landscape,
                                         QMarginsF(kMarginMm, kMarginMm, kMarginMm, kMarginMm),
                                         QPageLayout::Millimeter));
        writer.setTitle(heading.title);
        writer.setCreator(heading.program);
        QPainter painter(&writer);
        const int width = painter.viewport().width();
        int y = 0;
        const auto line = [&](const QString& text, const QFont& font) {
            painter.setFont(font);
            const QRect box = painter.boundingRect(QRect(0, y, width, 1 << 20), kCellFlags, text);
            painter.drawText(box, kCellFlags, text);
            y = box.bottom() + 1;
        };
        line(heading.title, ReportFont(16, true));
        y += kResolution / 12;
        line(QStringLiteral("Дата: ") + heading.date, ReportFont(10));
        line(QStringLiteral("Компьютер: ") + heading.computer, ReportFont(10));
        line(QStringLiteral("Программа: ") + heading.program, ReportFont(10));
        y += kResolution / 6;
        TablePainter table(writer, painter, headings);
        y = table.Header(y);
        for (const QStringList& row : rows)
            y = table.Next(y, row);
    }
    return pdf;
}
