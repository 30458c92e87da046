#pragma once

#include <functional>

class QPainter;
class QPrinter;
class QRectF;
class QString;

// The printer chosen in the last printer dialog; the following print goes to it.
QPrinter& sharedPrinter();

// Sends the following prints to a PDF file, as the printer dialog's "Print to File" does.
void printToPdfFile(const QString& path);

// Prints one page on the shared printer. `paint` draws into the printable area it is given, in
// units of 1/96 inch. Throws RuntimeError, naming the printer or file, when printing fails.
void printPage(const std::function<void(QPainter&, const QRectF&)>& paint);
