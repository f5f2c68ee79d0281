#include "WindowPrint.h"

#include <QBuffer>
#include <QPainter>
#include <QPdfWriter>
#include <QPixmap>
#include <QPrinter>
#include <QWidget>

#include "AppError.h"
#include "DocumentFile.h"

namespace {

void drawImage(QPainter& painter, const QPixmap& image, const QWidget& window) {
    // The image's size as laid out on the screen: on a scaled display the
    // pixmap holds more device pixels than that, and its own resolution is
    // the screen's times the scale.
    const QSizeF shown = image.deviceIndependentSize();
    const double screenX = window.logicalDpiX() > 0 ? window.logicalDpiX() : 96;
    const double screenY = window.logicalDpiY() > 0 ? window.logicalDpiY() : 96;
    const QPaintDevice& target = *painter.device();
    const QRectF area(0, 0, shown.width() * target.logicalDpiX() / screenX,
                      shown.height() * target.logicalDpiY() / screenY);
    painter.drawPixmap(area, image, QRectF(image.rect()));
}

[[noreturn]] void fail(const QString& kind, const QString& message) {
    throw AppError(kind + QStringLiteral(": ") + message);
}

}  // namespace

void printWindowImage(QWidget& window, QPrinter& printer) {
    const QPixmap image = window.grab();
    if (printer.outputFormat() == QPrinter::PdfFormat && !printer.outputFileName().isEmpty()) {
        // The page is made in memory and saved as a document is: the
        // printer's own file swallows a full disk and leaves half a file.
        QByteArray pdf;
        {
            QBuffer buffer(&pdf);
            buffer.open(QIODevice::WriteOnly);
            QPdfWriter writer(&buffer);
            writer.setPageLayout(printer.pageLayout());
            writer.setResolution(printer.resolution());
            writer.setTitle(printer.docName());
            writer.setCreator(printer.creator());
            QPainter painter(&writer);
            drawImage(painter, image, window);
        }
        try {
            writeDocumentFile(printer.outputFileName(), pdf);
        } catch (const AppError& error) {
            fail(QStringLiteral("FileError"), error.message());
        }
        return;
    }
    QPainter painter;
    if (!painter.begin(&printer)) {
        fail(QStringLiteral("PrinterError"), QStringLiteral("the printer could not be started"));
    }
    drawImage(painter, image, window);
    if (!painter.end() || printer.printerState() == QPrinter::Error) {
        fail(QStringLiteral("PrinterError"), QStringLiteral("the print job could not be finished"));
    }
}
