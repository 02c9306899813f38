// A report laid out on pages: each text with its place, alignment and font, in millimetres.
#pragma once

#include <string>
#include <vector>

namespace report {

enum class Alignment { Left, Right };

struct Font {
    std::string name = "Arial";
    double size = 10;  // points
    bool bold = false;
};

// A text on a page: x is its left edge (right edge when right-aligned), y the top of its
// line, both measured from the page's top left corner.
struct PlacedText {
    std::string band, element, text;
    double x = 0, y = 0;
    Alignment align = Alignment::Left;
    Font font;
};

struct Page {
    std::vector<PlacedText> texts;
};

// One printed band: on which page, and the texts of its elements that are not empty.
struct PrintedBand {
    int page = 0;
    std::string band;
    std::vector<std::string> texts;
};

struct Document {
    double pageWidth = 210.0, pageHeight = 297.0;
    std::vector<Page> pages;
    std::vector<PrintedBand> bands;
    // One line per printed band, "page band: text | text", for logs and the script.
    std::vector<std::string> Describe() const;
};

}  // namespace report
