// Printing of a query window's documents: «Печать...» (the print dialog, whose printers
// include a PDF file), «Печать отмеченных документов» (straight to the printer),
// «Просмотр печати», «Параметры печати...», and `tolvar --print FILE.cdq [--pdf OUT]`.
#pragma once

#include <QString>
#include <QStringList>

class QPrinter;
class QWidget;

namespace tolvar {

class CTolvarDoc;

// The printer of the session: its page set-up lasts as long as the program.
QPrinter& SessionPrinter();

void PageSetup(QWidget* parent);
void PrintWithDialog(CTolvarDoc& doc, QWidget* parent);
void PrintDirect(CTolvarDoc& doc, QWidget* parent);
void PrintPreview(CTolvarDoc& doc, QWidget* parent);

// Prints the job of `doc` on `printer`: the page count, or -1 (error set) when the print
// form cannot be read or there is nothing to print.
int PrintDocuments(CTolvarDoc& doc, int formIndex, QPrinter* printer, QString* error);

// The command line's print: `args` are those after the program name. Returns the exit
// status (0 printed, 1 failed, 2 bad arguments) after writing what went wrong to stderr.
int PrintFromCommandLine(const QStringList& args, const QString& programFolder);
bool IsPrintCommand(const QStringList& args);

}  // namespace tolvar
