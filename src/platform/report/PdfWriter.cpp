#include "platform/report/PdfWriter.h"

#include <hpdf.h>

#include <cstdio>
#include <memory>

#include "platform/os/Files.h"

namespace report {

namespace {

constexpr double kPointsPerMm = 72.0 / 25.4;

// The last error libharu reported through its handler.
struct HaruStatus {
    HPDF_STATUS error = HPDF_OK;
    HPDF_STATUS detail = HPDF_OK;
};

void OnHaruError(HPDF_STATUS error, HPDF_STATUS detail, void* data) {
    auto* status = static_cast<HaruStatus*>(data);
    if (status->error == HPDF_OK) {
        status->error = error;
        status->detail = detail;
    }
}

struct DocFree {
    void operator()(HPDF_Doc doc) const { HPDF_Free(doc); }
};
using HaruDoc = std::unique_ptr<std::remove_pointer_t<HPDF_Doc>, DocFree>;

// A libharu document whose failures are collected rather than lost.
class Pdf {
public:
    Pdf() : doc_(HPDF_New(&OnHaruError, &status_)) {
        if (!doc_)
            throw PdfError("Das PDF-Dokument konnte nicht angelegt werden.");
    }

    HPDF_Doc get() const { return doc_.get(); }

    void Check() const {
        if (status_.error != HPDF_OK) {
            char text[96];
            std::snprintf(text, sizeof text, "Fehler beim Erzeugen des PDF-Dokuments (0x%04X, %u).",
                          static_cast<unsigned>(status_.error), static_cast<unsigned>(status_.detail));
            throw PdfError(text);
        }
    }

    // Helvetica for Arial, bold or not; other names as they are among the standard fonts.
    HPDF_Font FontFor(const Font& font) {
        std::string name = font.name == "Arial" || font.name.empty() ? "Helvetica" : font.name;
        if (font.bold)
            name += "-Bold";
        HPDF_Font f = HPDF_GetFont(get(), name.c_str(), "WinAnsiEncoding");
        Check();
        return f;
    }

private:
    HaruStatus status_;
    HaruDoc doc_;
};

double WidthInFont(HPDF_Font font, const std::string& text, double size) {
    if (text.empty())
        return 0;
    const HPDF_TextWidth w = HPDF_Font_TextWidth(font, reinterpret_cast<const HPDF_BYTE*>(text.data()),
                                                 static_cast<HPDF_UINT>(text.size()));
    return w.width * size / 1000.0;  // points
}

}  // namespace

double TextWidth(const std::string& text, const Font& font) {
    Pdf pdf;
    return WidthInFont(pdf.FontFor(font), text, font.size) / kPointsPerMm;
}

std::string RenderPdf(const Document& doc) {
    Pdf pdf;
    HPDF_SetCompressionMode(pdf.get(), HPDF_COMP_ALL);
    const double pageHeight = doc.pageHeight * kPointsPerMm;
    for (const Page& p : doc.pages) {
        HPDF_Page page = HPDF_AddPage(pdf.get());
        HPDF_Page_SetWidth(page, static_cast<HPDF_REAL>(doc.pageWidth * kPointsPerMm));
        HPDF_Page_SetHeight(page, static_cast<HPDF_REAL>(pageHeight));
        pdf.Check();
        for (const PlacedText& t : p.texts) {
            HPDF_Font font = pdf.FontFor(t.font);
            const double size = t.font.size;
            // The top of a line is the font's ascender; the text sits on the baseline below it.
            const double ascent = HPDF_Font_GetAscent(font) * size / 1000.0;
            double x = t.x * kPointsPerMm;
            if (t.align == Alignment::Right)
                x -= WidthInFont(font, t.text, size);
            const double y = pageHeight - t.y * kPointsPerMm - ascent;
            HPDF_Page_BeginText(page);
            HPDF_Page_SetFontAndSize(page, font, static_cast<HPDF_REAL>(size));
            HPDF_Page_TextOut(page, static_cast<HPDF_REAL>(x), static_cast<HPDF_REAL>(y), t.text.c_str());
            HPDF_Page_EndText(page);
        }
        pdf.Check();
    }
    HPDF_SaveToStream(pdf.get());
    pdf.Check();
    std::string bytes(HPDF_GetStreamSize(pdf.get()), '\0');
    HPDF_UINT32 size = static_cast<HPDF_UINT32>(bytes.size());
    HPDF_ResetStream(pdf.get());
    HPDF_ReadFromStream(pdf.get(), reinterpret_cast<HPDF_BYTE*>(bytes.data()), &size);
    bytes.resize(size);
    pdf.Check();
    return bytes;
}

void WritePdf(const Document& doc, const std::string& path) {
    const std::string bytes = RenderPdf(doc);
    if (!os::WriteWholeFile(path, bytes))
        throw PdfError("Die Datei " + path + " konnte nicht geschrieben werden.");
}

}  // namespace report
