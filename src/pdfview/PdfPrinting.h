#pragma once
// Printing a PDF document and the application's page setup. One printer
// object serves the whole application, so that what the page setup panel
// chose is what the next print uses.

class PdfDocument;
class QPrinter;
class QWidget;

/// The application's printer settings (created on first use, kept until
/// the application ends).
QPrinter* SharedPrinter();

/// Prints `document` on `printer`: the printer's page range (every page when
/// it has none), each PDF page on one printer page, scaled to fit the
/// printable area and centred, rendered at the printer's resolution but at
/// most 300 dots per inch, one page in memory at a time. Returns the number
/// of pages printed; 0 when there was nothing to print or the printer could
/// not start (the printer's output then holds no pages of ours).
int PrintPdfDocument(PdfDocument* document, QPrinter* printer);

/// Shows the print panel for SharedPrinter() over `parent`; when the user
/// confirms, prints `document` there. Returns the number of pages printed
/// (0 when cancelled or nothing could be printed).
int RunPrintPanel(PdfDocument* document, QWidget* parent);

/// Runs the page setup panel for SharedPrinter() over `parent`.
void RunPageLayout(QWidget* parent);
