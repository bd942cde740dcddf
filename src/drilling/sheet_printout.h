#pragma once

#include "data/data_error.h"

#include <QImage>
#include <QList>

#include <functional>

class QPrinter;
class QWidget;

namespace vdn {

class DrillingSheetPanel;

// Lets the user choose the printer: true when one was chosen, false when the
// dialog was cancelled (no message is shown for that), an error otherwise.
using PrinterChooser = std::function<Result<bool>(QPrinter& printer, QWidget* parent)>;

// The print dialog. With no printer installed it offers printing into a PDF
// file, named in advance in the user's documents folder.
Result<bool> choosePrinterWithDialog(QPrinter& printer, QWidget* parent);

// The widget as it looks on screen, at three times its screen resolution, with
// the given controls hidden while it is rendered and shown again afterwards.
QImage widgetPicture(QWidget& widget, const QList<QWidget*>& hidden);

// Prints the drilling sheet panel on one landscape page of a printer already
// chosen: its picture without the print button, the validate button and its
// caption, fitted to the page so that nothing is cut. Those three controls
// are shown again whatever happens. The job is titled after the customer
// named on the sheet; a print queue that refuses it is reported.
Status printSheet(DrillingSheetPanel& panel, QPrinter& printer);

// The title the job carries in the print queue.
QString sheetTitle(const QString& customerName);

// The text of the error report when the printer cannot take the page.
QString printFailureText();

} // namespace vdn
