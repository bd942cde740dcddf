#include "drilling/sheet_printout.h"

#include "drilling/drilling_sheet_panel.h"
#include "drilling/sheet_form.h"
#include "printing/print_target.h"

#include <QDir>
#include <QLabel>
#include <QPainter>
#include <QPointer>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QStandardPaths>

namespace vdn {

namespace {

// Screen pictures are rendered at this many device pixels per screen pixel, so
// that the page is sharp without rendering the widgets straight onto the
// printer (which turns into one huge bitmap per page).
constexpr qreal PrintPixelRatio = 3.0;

// Hides widgets for its lifetime and shows them again on every way out.
class HiddenWhileAlive {
public:
    // Only what is shown now is hidden, and shown again afterwards.
    explicit HiddenWhileAlive(const QList<QWidget*>& widgets) {
        for (QWidget* w : widgets)
            if (!w->isHidden()) {
                widgets_.append(w);
                w->hide();
            }
    }
    ~HiddenWhileAlive() {
        for (const QPointer<QWidget>& w : widgets_)
            if (w)
                w->show();
    }
    HiddenWhileAlive(const HiddenWhileAlive&) = delete;
    HiddenWhileAlive& operator=(const HiddenWhileAlive&) = delete;

private:
    QList<QPointer<QWidget>> widgets_;
};

} // namespace

QString printFailureText() {
    return QStringLiteral("L'impression de la fiche de perçage n'a pas pu se faire : "
                          "l'imprimante ou le fichier choisi n'est pas disponible.");
}

Result<bool> choosePrinterWithDialog(QPrinter& printer, QWidget* parent) {
    if (QPrinterInfo::availablePrinterNames().isEmpty() && printer.outputFileName().isEmpty()) {
        QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
        if (folder.isEmpty() || !QDir(folder).exists())
            folder = QDir::homePath();
        printer.setOutputFileName(QDir(folder).filePath(QStringLiteral("fiche_percage.pdf")));
    }
    QPrintDialog dialog(&printer, parent);
    // The sheet is always one page: the range starts at page 1 of 1, with up to 50.
    dialog.setMinMax(1, 50);
    dialog.setFromTo(1, 1);
    return dialog.exec() == QDialog::Accepted;
}

QImage widgetPicture(QWidget& widget, const QList<QWidget*>& hidden) {
    HiddenWhileAlive hide(hidden);
    QImage picture(widget.size() * PrintPixelRatio, QImage::Format_RGB32);
    picture.setDevicePixelRatio(PrintPixelRatio);
    picture.fill(Qt::white);
    widget.render(&picture);
    return picture;
}

QString sheetTitle(const QString& customerName) {
    return QStringLiteral("VORDAN - Fiche de perçage de ") + customerName.simplified();
}

Status printSheet(DrillingSheetPanel& panel, QPrinter& printer) {
    printer.setPageOrientation(QPageLayout::Landscape);
    const SheetForm& form = panel.form();
    const QImage picture = widgetPicture(panel, form.hiddenWhenPrinted());

    // A print queue is asked first whether it takes the job; its answer to
    // the job itself is read once the page is complete.
    PrintTarget job(printer, sheetTitle(form.customerName()));
    Result<QPrinter*> device = job.open();
    if (!device)
        return device.error();
    QPrinter& paper = **device;
    QPainter painter;
    if (!painter.begin(&paper))
        return DataError::other(errnum::PrintFailure, printFailureText());
    // Fitted to the printable area, keeping its proportions, at the top of the page.
    const QSizeF page = paper.pageRect(QPrinter::DevicePixel).size();
    const QSizeF size = picture.deviceIndependentSize().scaled(page, Qt::KeepAspectRatio);
    const QRectF target(QPointF((page.width() - size.width()) / 2, 0), size);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(target, picture);
    if (!painter.end() || paper.printerState() == QPrinter::Error)
        return DataError::other(errnum::PrintFailure, printFailureText());
    return job.send();
}

} // namespace vdn
