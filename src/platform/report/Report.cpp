#include "platform/report/Report.h"

#include <stdexcept>

#include "platform/report/ShortDate.h"

namespace report {

const std::string& Band::Item() const {
    static const std::string none;
    return item_ < Items.size() ? Items[item_] : none;
}

Element& Band::Add(std::string name, ElementKind kind, double left, double top, const Font& font, Alignment align) {
    elements_.push_back(std::make_unique<Element>(std::move(name), kind));
    Element& e = *elements_.back();
    e.Left = left;
    e.Top = top;
    e.ElementFont = font;
    e.Align = align;
    return e;
}

Band& Report::AddBand(std::string name, BandKind kind, double height) {
    bands_.push_back(std::make_unique<Band>(std::move(name), kind, height));
    return *bands_.back();
}

Band* Report::FindBand(const std::string& name) const {
    for (const auto& b : bands_)
        if (b->Name() == name)
            return b.get();
    return nullptr;
}

std::vector<std::string> Document::Describe() const {
    std::vector<std::string> lines;
    for (const auto& b : bands) {
        std::string line = std::to_string(b.page) + " " + b.band + ":";
        for (size_t i = 0; i < b.texts.size(); ++i)
            line += (i ? " | " : " ") + b.texts[i];
        lines.push_back(line);
    }
    return lines;
}

// One pass over the bands: where the next band goes, when a page ends.
class Report::Run {
public:
    Run(Report& report, Document& doc) : r_(report), doc_(doc) {
        date_ = r_.DateText.empty() ? ShortDateText(Today()) : r_.DateText;
        for (const auto& b : r_.bands_) {
            if (b->Kind() == BandKind::PageFooter)
                footer_ = b.get();
        }
        bottom_ = r_.PageHeight - r_.Margin - (footer_ ? footer_->Height : 0.0);
    }

    void Print(Band& band) {
        const double top = r_.Margin;
        if (r_.page_ == 0 || (y_ + band.Height > bottom_ + 1e-9 && y_ > top + 1e-9))
            NewPage();
        Place(band, y_);
        y_ += band.Height;
    }

    void Finish() {
        if (r_.page_ == 0)
            NewPage();
        EndPage();
    }

private:
    void NewPage() {
        if (r_.page_ > 0)
            EndPage();
        ++r_.page_;
        doc_.pages.emplace_back();
        y_ = r_.Margin;
    }

    void EndPage() {
        if (footer_)
            Place(*footer_, r_.PageHeight - r_.Margin - footer_->Height);
    }

    std::string TextOf(const Element& e) const {
        switch (e.Kind()) {
        case ElementKind::Label: return e.Caption;
        case ElementKind::DBText:
            if (!r_.Data)
                throw std::logic_error("report " + r_.Name() + ": " + e.Name() + " has no data set");
            return r_.Data->FieldText(e.DataField);
        case ElementKind::SysDate: return e.Caption + date_;
        case ElementKind::SysPageNumber: return e.Caption + std::to_string(r_.page_);
        }
        return {};
    }

    // Runs the band's events around its elements, placed with the band's top at y.
    void Place(Band& band, double y) {
        if (band.BeforePrint)
            band.BeforePrint();
        PrintedBand printed{r_.page_, band.Name(), {}};
        for (const auto& ep : band.elements_) {
            const Element& e = *ep;
            std::string text = TextOf(e);
            if (text.empty())
                continue;
            printed.texts.push_back(text);
            doc_.pages.back().texts.push_back(
                {band.Name(), e.Name(), std::move(text), r_.Margin + e.Left, y + e.Top, e.Align, e.ElementFont});
        }
        doc_.bands.push_back(std::move(printed));
        if (band.AfterPrint)
            band.AfterPrint();
    }

    Report& r_;
    Document& doc_;
    Band* footer_ = nullptr;
    std::string date_;
    double y_ = 0, bottom_ = 0;
};

Document Report::Prepare() {
    Document doc;
    doc.pageWidth = PageWidth;
    doc.pageHeight = PageHeight;
    page_ = 0;
    struct Reset {
        int& page;
        ~Reset() { page = 0; }
    } reset{page_};
    if (BeforePrint)
        BeforePrint();
    Run run(*this, doc);
    std::vector<Band*> strings;
    Band* detail = nullptr;
    for (const auto& b : bands_) {
        if (b->Kind() == BandKind::Strings)
            strings.push_back(b.get());
        else if (b->Kind() == BandKind::Detail)
            detail = b.get();
    }
    for (const auto& b : bands_)
        if (b->Kind() == BandKind::Title)
            run.Print(*b);
    if (detail && Data) {
        for (Data->First(); !Data->Eof(); Data->Next()) {
            run.Print(*detail);
            for (Band* s : strings) {
                for (s->item_ = 0; s->item_ < s->Items.size(); ++s->item_)
                    run.Print(*s);
                s->item_ = 0;
            }
        }
    }
    run.Finish();
    return doc;
}

}  // namespace report
