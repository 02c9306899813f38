// Banded reports: a title, a detail band per record, string bands and a page footer on A4 pages.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/report/Layout.h"

namespace report {

// The records a report walks, one detail band each.
class DataSet {
public:
    virtual ~DataSet() = default;
    virtual void First() = 0;
    virtual bool Eof() = 0;
    virtual void Next() = 0;
    // The field of the current record as text.
    virtual std::string FieldText(const std::string& field) = 0;
};

enum class ElementKind { Label, DBText, SysDate, SysPageNumber };

// What a band prints: a fixed text, a field of the data set, or the date or page number
// after its caption. Positions in millimetres from the band's top left corner; a
// right-aligned element is placed by its right edge.
class Element {
public:
    Element(std::string name, ElementKind kind) : name_(std::move(name)), kind_(kind) {}
    const std::string& Name() const { return name_; }
    ElementKind Kind() const { return kind_; }

    std::string Caption;    // label text; for the date and page number the text before them
    std::string DataField;  // the data set's field of a DBText element
    double Left = 0, Top = 0;
    Alignment Align = Alignment::Left;
    Font ElementFont;

private:
    std::string name_;
    ElementKind kind_;
};

enum class BandKind { Title, Detail, Strings, PageFooter };

using Event = std::function<void()>;

class Band {
public:
    Band(std::string name, BandKind kind, double height) : Height(height), name_(std::move(name)), kind_(kind) {}
    Band(const Band&) = delete;
    Band& operator=(const Band&) = delete;
    const std::string& Name() const { return name_; }
    BandKind Kind() const { return kind_; }

    double Height;
    // A string band prints one line per item, after each detail band.
    std::vector<std::string> Items;
    // The item of the line being printed (string bands, between BeforePrint and AfterPrint).
    const std::string& Item() const;
    Event BeforePrint;
    Event AfterPrint;

    Element& Add(std::string name, ElementKind kind, double left, double top, const Font& font,
                 Alignment align = Alignment::Left);
    const std::vector<std::unique_ptr<Element>>& Elements() const { return elements_; }

private:
    friend class Report;
    std::string name_;
    BandKind kind_;
    std::vector<std::unique_ptr<Element>> elements_;
    size_t item_ = 0;
};

// A4 portrait with equal margins; bands that do not fit on a page go to the next one.
class Report {
public:
    explicit Report(std::string name) : name_(std::move(name)) {}
    Report(const Report&) = delete;
    Report& operator=(const Report&) = delete;
    const std::string& Name() const { return name_; }

    double PageWidth = 210.0, PageHeight = 297.0, Margin = 10.0;
    Font BaseFont;
    DataSet* Data = nullptr;
    // The date the report prints; empty: today in the system's short date format.
    std::string DateText;
    // Runs at the start of every run, before the first band.
    Event BeforePrint;

    // String bands print in the order they were added.
    Band& AddBand(std::string name, BandKind kind, double height);
    Band* FindBand(const std::string& name) const;

    // Runs the events and lays every band out on pages.
    Document Prepare();
    // The page being printed (1 for the first), while Prepare runs.
    int PageNumber() const { return page_; }

private:
    class Run;
    std::string name_;
    std::vector<std::unique_ptr<Band>> bands_;
    int page_ = 0;
};

}  // namespace report
