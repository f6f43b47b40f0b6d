#pragma once

// The pictures of the HTML page: for each memory, the map's rows as a treemap in inline SVG, the
// parts of a row nested inside it; with --diff, every rectangle coloured by its change.

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/size_table.h"
#include "report/report_html.h"
#include "report/report_table.h"
#include "report/treemap_layout.h"

class CHtmlTreemaps {
public:
    // Draws the rows of `sizes` (the report's map, with --diff the new map) into `out`; the
    // report must outlive this object.
    CHtmlTreemaps(const HtmlReport& report, const SizeTable& sizes, std::string& out);

    // The key to the colours of a page without --diff; `owner` is what a row is ("Object file").
    void AppendLegend(std::string_view owner);

    // A figure with the memory's total and capacity and its treemap, `height` units high.
    void AppendPicture(MemoryKind memory, int height);

private:
    // A row drawn in a picture, with the parts of it drawn inside it.
    struct DrawnRow {
        const SizeRow* row;
        std::vector<const SizePart*> parts;
    };

    bool Diff() const { return m_report.changes != nullptr; }
    std::int64_t ChangeOf(const SizeRow& row, MemoryKind memory) const;
    std::string Figures(const Memory& memory, std::int64_t bytes) const;
    std::vector<DrawnRow> RowsIn(const Memory& memory, std::vector<TreemapItem>& items,
                                 std::size_t& leftOut) const;
    void AppendTreemap(const Memory& memory, int height, const std::vector<DrawnRow>& drawn,
                       const std::vector<TreemapItem>& items);
    void AppendPart(const Memory& memory, const TreemapRect& r, const DrawnRow& owner,
                    bool ownerLabelled);
    void AppendRect(const TreemapRect& r, const std::string& classes, const std::string& fill,
                    const std::string& title);
    bool AppendLabel(const TreemapRect& r, std::string_view label, std::string detail = {});
    std::string GroupTitle(const Memory& memory, const TreemapRect& r, const std::string& what,
                           const std::vector<std::string>& names,
                           const std::vector<std::int64_t>& bytes) const;
    void AppendChangeLegend(std::int64_t largest);

    const HtmlReport& m_report;
    const SizeTable& m_sizes;
    std::string& m_out;
    MemoryTotals m_totals;
    std::vector<std::vector<const SizePart*>> m_partsById;
    // With --diff: the change of each row name, per memory.
    std::unordered_map<std::string_view, MemoryTotals> m_changes;
};
