#include "excel/engine/hyperlinks.h"

#include "excel/engine/xmlwriter.h"

#include <algorithm>

namespace kelvoran::xlsx {

namespace {

bool overlap(const CellRect &a, const CellRect &b) {
    return a.top <= b.bottom && b.top <= a.bottom && a.left <= b.right && b.left <= a.right;
}

bool inside(const CellRect &inner, const CellRect &outer) {
    return outer.contains(inner.top, inner.left) && outer.contains(inner.bottom, inner.right);
}

} // namespace

void copyHyperlinks(const std::vector<CellHyperlink> &from, const CellRect &rect, int rows,
                    int columns, std::vector<CellHyperlink> &to) {
    std::vector<CellHyperlink> copies;
    for (const CellHyperlink &h : from) {
        if (!inside(h.rect, rect))
            continue;
        CellHyperlink c = h;
        c.rect = {h.rect.top + rows, h.rect.left + columns, h.rect.bottom + rows,
                  h.rect.right + columns};
        if (c.rect.top >= 1 && c.rect.left >= 1 && c.rect.bottom <= kMaxRows &&
            c.rect.right <= kMaxColumns)
            copies.push_back(std::move(c));
    }
    const CellRect landing{rect.top + rows, rect.left + columns, rect.bottom + rows,
                           rect.right + columns};
    to.erase(std::remove_if(to.begin(), to.end(),
                            [&](const CellHyperlink &h) { return overlap(h.rect, landing); }),
             to.end());
    to.insert(to.end(), copies.begin(), copies.end());
}

void shiftHyperlinksDown(std::vector<CellHyperlink> &links, const CellRect &rect) {
    const int h = rect.rows();
    std::vector<CellHyperlink> kept;
    for (CellHyperlink &link : links) {
        if (link.rect.top >= rect.top && link.rect.left >= rect.left &&
            link.rect.right <= rect.right) {
            link.rect.top += h;
            link.rect.bottom += h;
            if (link.rect.top > kMaxRows)
                continue; // pushed off the sheet with its cells
            link.rect.bottom = std::min(link.rect.bottom, kMaxRows);
        }
        kept.push_back(std::move(link));
    }
    links = std::move(kept);
}

void removeHyperlinksShiftUp(std::vector<CellHyperlink> &links, const CellRect &rect) {
    const int h = rect.rows();
    std::vector<CellHyperlink> kept;
    for (CellHyperlink &link : links) {
        if (overlap(link.rect, rect))
            continue;
        if (link.rect.top > rect.bottom && link.rect.left >= rect.left &&
            link.rect.right <= rect.right) {
            link.rect.top -= h;
            link.rect.bottom -= h;
        }
        kept.push_back(std::move(link));
    }
    links = std::move(kept);
}

void writeHyperlinks(XmlWriter &xml, const std::vector<CellHyperlink> &links, int firstId) {
    if (links.empty())
        return;
    xml.open("hyperlinks");
    int id = firstId;
    for (const CellHyperlink &h : links) {
        xml.open("hyperlink");
        xml.attr("ref", rectAddress(h.rect));
        if (!h.target.empty())
            xml.attr("r:id", "rId" + std::to_string(id++));
        if (!h.location.empty())
            xml.attr("location", h.location);
        if (!h.tooltip.empty())
            xml.attr("tooltip", h.tooltip);
        if (!h.display.empty())
            xml.attr("display", h.display);
        xml.close();
    }
    xml.close();
}

} // namespace kelvoran::xlsx
