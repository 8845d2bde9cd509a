#include "ui/qt/ticket_drawing.h"

#include <QFile>
#include <QFont>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <QPrinterInfo>

namespace tablora::ui::qt {
namespace {

constexpr double kMarginMm = 3.0, kLineMm = 4.0, kFeedMm = 8.0;

QString q(const std::string& s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

int columnsOf(char32_t c) {
    return c < 0x80 ? 1 : 2;
}

}  // namespace

double ticketHeightMm(const std::vector<TicketLine>& lines) {
    double height = 2 * kMarginMm + kFeedMm;
    for (const auto& line : lines) height += line.big ? 2 * kLineMm : kLineMm;
    return height;
}

void drawTicketLines(QPainter& painter, const std::vector<TicketLine>& lines, int paperMm,
                     int columns, double dotsPerMm) {
    // Thermal heads print 48 mm of a 58 mm roll and 72 mm of an 80 mm one.
    const double printable = (paperMm >= 80 ? 72.0 : 48.0) * dotsPerMm;
    const double left = (paperMm * dotsPerMm - printable) / 2;
    const double column = printable / columns;
    double y = kMarginMm * dotsPerMm;
    for (const auto& line : lines) {
        const double scale = line.big ? 2.0 : 1.0;
        const double height = kLineMm * dotsPerMm * scale;
        QFont font(QStringLiteral("WenQuanYi Micro Hei Mono"));
        font.setPixelSize(static_cast<int>(column * 2 * scale * 0.92));
        font.setBold(line.bold);
        painter.setFont(font);
        const QString text = q(line.text);
        int used = 0;
        for (const char32_t c : text.toStdU32String()) used += columnsOf(c);
        double x = line.centred ? left + (printable - used * column * scale) / 2 : left;
        for (const char32_t c : text.toStdU32String()) {
            const double width = columnsOf(c) * column * scale;
            painter.drawText(QRectF(x, y, width, height), Qt::AlignCenter,
                             QString::fromUcs4(&c, 1));
            x += width;
        }
        y += height;
    }
}

bool drawTicketOn(const std::vector<TicketLine>& lines, int paperMm, int columns,
                  const std::string& target) {
    const QPageSize page(QSizeF(paperMm, ticketHeightMm(lines)), QPageSize::Millimeter, QString(),
                         QPageSize::ExactMatch);
    constexpr int kDpi = 203;  // a receipt printer's 8 dots a millimetre
    const double dotsPerMm = kDpi / 25.4;
    if (target.rfind("pdf:", 0) == 0) {
        const QString path = q(target.substr(4));
        // Only a PDF is ever replaced: a mistyped path must not wipe out a file of another kind.
        if (QFile existing(path); existing.exists()) {
            if (!existing.open(QIODevice::ReadOnly) || existing.read(5) != QByteArray("%PDF-"))
                return false;
        }
        {
            QPdfWriter writer(path);
            writer.setResolution(kDpi);
            writer.setPageSize(page);
            writer.setPageMargins(QMarginsF(0, 0, 0, 0));
            QPainter painter;
            if (!painter.begin(&writer)) return false;
            drawTicketLines(painter, lines, paperMm, columns, dotsPerMm);
            if (!painter.end()) return false;
        }
        return QFile(path).size() > 0;
    }
    // A queue the print server does not have is a failure: Qt would fall back to printing
    // into nowhere (or to the default printer) and call it done.
    if (QPrinterInfo::printerInfo(q(target)).isNull()) return false;
    QPrinter printer(QPrinter::HighResolution);
    printer.setPrinterName(q(target));
    if (!printer.isValid()) return false;
    printer.setPageSize(page);
    printer.setFullPage(true);
    QPainter painter;
    if (!painter.begin(&printer)) return false;
    drawTicketLines(painter, lines, paperMm, columns, printer.resolution() / 25.4);
    return painter.end();
}

}  // namespace tablora::ui::qt
