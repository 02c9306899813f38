// Laid-out reports as PDF: A4 pages, Helvetica (Arial's metrics) with the texts' cp1252 as it is.
#pragma once

#include <stdexcept>
#include <string>

#include "platform/report/Layout.h"

namespace report {

// A PDF that could not be made or written; the text names the file.
class PdfError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The document as the bytes of a PDF file.
std::string RenderPdf(const Document& doc);
// Writes the PDF to the file; throws PdfError when it cannot.
void WritePdf(const Document& doc, const std::string& path);

// Width of a text in millimetres in the PDF's font for that font (for placing and tests).
double TextWidth(const std::string& text, const Font& font);

}  // namespace report
