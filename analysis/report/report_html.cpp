#include "report/report_html.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <set>
#include <string_view>
#include <vector>

#include "report/report_formats.h"
#include "report/size_report.h"
#include "report/treemap_layout.h"
#include "text/names.h"
#include "text/numbers.h"
#include "text/utf8.h"

namespace {

// Labels are set in a monospaced face, so that their width is known before a browser draws them:
// the estimate of 7 units a column is wider than the common faces at 11 px (6.0 to 6.7).
constexpr int kFontSize = 11;
constexpr int kColumnWidth = 7;
constexpr int kLabelInset = 4;
constexpr int kLineHeight = 13;
constexpr int kPictureWidth = 960;
constexpr std::size_t kGroupNamesShown = 5;

struct Palette {
    const char* row;
    const char* part;
};
// Light fills, so that the dark labels read on every one of them.
constexpr Palette kObjectFill{"#9cc3e6", "#d2e4f5"};
constexpr Palette kSpecialFill{"#f0c27f", "#f9e0bd"};
constexpr Palette kGroupFill{"#c9c9c9", "#e2e2e2"};

struct Rgb {
    int r;
    int g;
    int b;
};
// The scale of a change: unchanged in grey, shrunk towards blue, grown towards red.
constexpr Rgb kUnchanged{0xe3, 0xe3, 0xe3};
constexpr Rgb kShrunk{0x6f, 0xa6, 0xdc};
constexpr Rgb kGrown{0xe0, 0x7b, 0x6f};

constexpr const char* kStyle = R"(
body{font:14px/1.45 system-ui,-apple-system,"Segoe UI",Roboto,"Noto Sans",sans-serif;color:#1b1b1b;background:#fff;max-width:1000px;margin:24px auto;padding:0 16px}
h1{font-size:20px;margin:0 0 4px;overflow-wrap:anywhere}
h2{font-size:16px;margin:0}
.sub{margin:0;color:#444}
figure{margin:24px 0}
figcaption{display:flex;flex-wrap:wrap;gap:4px 14px;align-items:baseline;margin-bottom:6px}
svg.treemap{display:block;width:100%;height:auto;border:1px solid #8a8a8a}
svg.treemap rect{stroke:#fff;stroke-width:1}
svg.treemap text{pointer-events:none;fill:#1b1b1b;font-family:ui-monospace,"Cascadia Mono",Consolas,"DejaVu Sans Mono","Liberation Mono",Menlo,monospace;font-size:11px}
.legend{display:flex;flex-wrap:wrap;gap:4px 18px;list-style:none;margin:6px 0 0;padding:0;font-size:13px}
.legend svg{vertical-align:-2px;margin-right:5px}
.note{font-size:13px;color:#444;margin:6px 0 0}
.wide{overflow-x:auto}
table{border-collapse:collapse;margin:8px 0 16px;font-variant-numeric:tabular-nums}
th,td{padding:2px 10px;border-bottom:1px solid #ddd;text-align:left;white-space:nowrap}
th{border-bottom:2px solid #8a8a8a}
.num{text-align:right}
tfoot td{font-weight:600;border-top:2px solid #8a8a8a;border-bottom:0}
tr.special td:first-child{color:#7a4300}
.grew{color:#a1261b}
.shrank{color:#1d5799}
dl{display:grid;grid-template-columns:max-content 1fr;gap:2px 14px;margin:8px 0}
dt{color:#444}
dd{margin:0;overflow-wrap:anywhere}
.disagrees{color:#a1261b;font-weight:600}
)";

// The one place percentages are made, as every other format makes them.
std::string Percent(std::int64_t bytes, std::int64_t capacity) {
    return FormatPercent(bytes, capacity);
}

// Text as HTML: valid UTF-8 as the JSON output makes it, control characters shown as their
// pictures (U+2400 on), and every character that means something in markup escaped.
std::string Html(std::string_view bytes) {
    std::string text;
    for (const char c : ToValidUtf8(bytes)) {
        const auto byte = static_cast<unsigned char>(c);
        switch (c) {
            case '&':
                text += "&amp;";
                break;
            case '<':
                text += "&lt;";
                break;
            case '>':
                text += "&gt;";
                break;
            case '"':
                text += "&quot;";
                break;
            case '\'':
                text += "&#39;";
                break;
            default:
                if (byte < 0x20 || byte == 0x7F) {
                    text += "\xE2\x90";
                    text += static_cast<char>(byte == 0x7F ? 0xA1 : 0x80 + byte);
                } else {
                    text += c;
                }
        }
    }
    return text;
}

// The columns the text takes in a monospaced face, as Html shows it. Characters of three and four
// bytes in UTF-8 (from U+0800 on) and control characters (shown as pictures of that range) count
// as two: wide East Asian characters and emoji do take two, and counting the rest as wide only
// leaves a label out that might have fitted.
int Columns(std::string_view bytes) {
    const std::string text = ToValidUtf8(bytes);
    int columns = 0;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) {
            columns += 2;
        } else if (byte < 0x80 || (byte >= 0xC0 && byte < 0xE0)) {
            columns += 1;
        } else if (byte >= 0xE0) {
            columns += 2;
        }
    }
    return columns;
}

// A path's last part: what tells the objects apart at a glance. The whole name is in the title.
std::string_view ShortName(std::string_view name) {
    const std::string_view base = BaseName(name);
    return base.empty() ? name : base;
}

std::int64_t BytesIn(const MemoryTotals& totals, MemoryKind memory) {
    switch (memory) {
        case MemoryKind::kRom:
            return totals.rom;
        case MemoryKind::kRam:
            return totals.ram;
        case MemoryKind::kOther:
            break;
    }
    return totals.other;
}

std::int64_t BytesIn(const SizeRow& row, MemoryKind memory) {
    return BytesIn(MemoryTotals{row.rom, row.ram, row.other}, memory);
}

std::string Hex(Rgb colour) {
    std::string text = "#";
    for (const int part : {colour.r, colour.g, colour.b}) {
        text += HexText(static_cast<std::uint64_t>(part), 2, HexCase::kLower);
    }
    return text;
}

// Any change shows at least a quarter of the full tint, so that it is told from no change.
std::string ChangeFill(std::int64_t change, std::int64_t largest) {
    if (change == 0 || largest <= 0) {
        return Hex(kUnchanged);
    }
    const Rgb end = change > 0 ? kGrown : kShrunk;
    const double share =
        std::min(1.0, std::fabs(static_cast<double>(change)) / static_cast<double>(largest));
    const double tint = 0.25 + 0.75 * share;
    const auto mix = [tint](int from, int to) {
        return from + static_cast<int>(std::lround((to - from) * tint));
    };
    return Hex({mix(kUnchanged.r, end.r), mix(kUnchanged.g, end.g), mix(kUnchanged.b, end.b)});
}

std::string Signed(std::int64_t value) {
    return (value > 0 ? "+" : "") + std::to_string(value);
}

struct Picture {
    MemoryKind memory;
    const char* name;  // "ROM"
    int height;
    std::int64_t capacity;  // what percentages are of; 0 for the other bytes, which have none
};

// A row drawn in a picture, with the parts of it drawn inside it.
struct DrawnRow {
    const SizeRow* row;
    std::vector<const SizePart*> parts;
};

class CHtmlWriter {
public:
    explicit CHtmlWriter(const HtmlReport& report)
        : m_report(report), m_sizes(report.sizes != nullptr ? *report.sizes : kNoSizes) {
        m_totals = TotalsOf(m_sizes);
        // The parts of each row, by the row's id; ids beyond the rows belong to no row.
        m_partsById.resize(m_sizes.rows.size());
        for (const SizePart& part : m_sizes.parts) {
            if (part.rowId < m_partsById.size()) {
                m_partsById[part.rowId].push_back(&part);
            }
        }
    }

    std::string Write() {
        const std::string shortName(ShortName(m_report.fileName));
        m_out += "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n";
        // Nothing is to be loaded from anywhere, and no script is to run.
        m_out +=
            "<meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'none'; "
            "style-src 'unsafe-inline'; base-uri 'none'; form-action 'none'\">\n";
        m_out += "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n";
        m_out += "<title>" + std::string(Diff() ? "Size changes: " : "Size report: ") +
                 Html(shortName) + "</title>\n<style>" + kStyle + "</style>\n</head>\n<body>\n";
        m_out += "<h1>" + std::string(Diff() ? "Size changes: " : "Size report: ") +
                 Html(m_report.fileName) + "</h1>\n";
        if (Diff()) {
            m_out += "<p class=\"sub\">compared with " + Html(m_report.oldFileName) + "</p>\n";
        } else {
            AppendLegend();
        }
        AppendPicture({MemoryKind::kRom, "ROM", 400, m_report.device.romCapacity});
        AppendPicture({MemoryKind::kRam, "RAM", 300, m_report.device.ramCapacity});
        const bool anyOther = std::any_of(m_sizes.rows.begin(), m_sizes.rows.end(),
                                          [](const SizeRow& row) { return row.other > 0; });
        if (anyOther) {
            AppendPicture({MemoryKind::kOther, "Other", 200, 0});
        }
        AppendTable();
        AppendFacts();
        AppendChecks();
        m_out += "</body>\n</html>\n";
        return std::move(m_out);
    }

private:
    bool Diff() const { return m_report.changes != nullptr; }

    std::int64_t ChangeOf(const SizeRow& row, MemoryKind memory) const {
        const auto found = m_report.changes->find(row.name);
        return found == m_report.changes->end() ? 0 : BytesIn(found->second, memory);
    }

    // "1954 bytes, 5.9631 % of ROM (32768 bytes)"
    std::string Figures(const Picture& picture, std::int64_t bytes) const {
        std::string text = std::to_string(bytes) + " bytes";
        if (picture.capacity > 0) {
            text += ", " + Percent(bytes, picture.capacity) + " % of " + picture.name + " (" +
                    std::to_string(picture.capacity) + " bytes)";
        } else if (picture.memory == MemoryKind::kOther) {
            const std::int64_t total = m_totals.other;
            text += ", " + Percent(bytes, total) + " % of the other bytes (" +
                    std::to_string(total) + ")";
        }
        return text;
    }

    std::vector<DrawnRow> RowsIn(const Picture& picture, std::vector<TreemapItem>& items,
                                 std::size_t& leftOut) const {
        std::vector<DrawnRow> drawn;
        for (const SizeRow& row : m_sizes.rows) {
            const std::int64_t bytes = BytesIn(row, picture.memory);
            if (bytes < 0) {
                ++leftOut;
            }
            if (bytes <= 0) {
                continue;
            }
            DrawnRow entry{&row, {}};
            TreemapItem item{bytes, {}};
            // A row's pieces are shown only when they are two or more; the layout draws them
            // only when they account for every byte of the row.
            if (!Diff() && row.id < m_partsById.size()) {
                for (const SizePart* part : m_partsById[row.id]) {
                    if (part->memory == picture.memory && part->bytes != 0) {
                        entry.parts.push_back(part);
                        item.children.push_back({part->bytes, {}});
                    }
                }
                if (entry.parts.size() < 2) {
                    entry.parts.clear();
                    item.children.clear();
                }
            }
            drawn.push_back(std::move(entry));
            items.push_back(std::move(item));
        }
        return drawn;
    }

    void AppendRect(const TreemapRect& r, const std::string& classes, const std::string& fill,
                    const std::string& title) {
        m_out += "<rect class=\"" + classes + "\" x=\"" + std::to_string(r.x) + "\" y=\"" +
                 std::to_string(r.y) + "\" width=\"" + std::to_string(r.width) + "\" height=\"" +
                 std::to_string(r.height) + "\" fill=\"" + fill + "\" data-bytes=\"" +
                 std::to_string(r.weight) + "\"><title>" + title + "</title></rect>\n";
    }

    // The label at the top left of the rectangle (in its band, when it has children), and under
    // it the bytes (and with --diff the change) when there is room; what does not fit is left
    // out. Returns whether the label was drawn.
    bool AppendLabel(const TreemapRect& r, std::string_view label, std::string detail = {}) {
        const int room = r.width - 2 * kLabelInset;
        if (r.height < kLineHeight + 3 || Columns(label) * kColumnWidth > room) {
            return false;
        }
        const std::string x = std::to_string(r.x + kLabelInset);
        m_out += "<text class=\"label\" x=\"" + x + "\" y=\"" +
                 std::to_string(r.y + kFontSize + 1) + "\">" + Html(label) + "</text>\n";
        if (detail.empty()) {
            detail = std::to_string(r.weight) + " B";
        }
        if (!r.nested && r.height >= 2 * kLineHeight + 4 &&
            Columns(detail) * kColumnWidth <= room) {
            m_out += "<text class=\"label\" x=\"" + x + "\" y=\"" +
                     std::to_string(r.y + kFontSize + 1 + kLineHeight) + "\">" + Html(detail) +
                     "</text>\n";
        }
        return true;
    }

    // "12 smaller items" and the largest of them.
    std::string GroupTitle(const Picture& picture, const TreemapRect& r, const std::string& what,
                           const std::vector<std::string>& names,
                           const std::vector<std::int64_t>& bytes) const {
        std::string title = std::to_string(r.grouped.size()) + " smaller " + what + "\n" +
                            Figures(picture, r.weight) + "\nlargest:";
        for (std::size_t k = 0; k < r.grouped.size() && k < kGroupNamesShown; ++k) {
            title +=
                "\n" + names[r.grouped[k]] + " (" + std::to_string(bytes[r.grouped[k]]) + " bytes)";
        }
        if (r.grouped.size() > kGroupNamesShown) {
            title += "\n…";
        }
        return title;
    }

    void AppendPicture(const Picture& picture) {
        std::vector<TreemapItem> items;
        std::size_t leftOut = 0;
        const std::vector<DrawnRow> drawn = RowsIn(picture, items, leftOut);
        const std::int64_t total = BytesIn(m_totals, picture.memory);

        m_out += "<figure>\n<figcaption><h2>" + std::string(picture.name) + "</h2><span>" +
                 std::to_string(total) + " bytes";
        if (picture.capacity > 0) {
            m_out += " of " + std::to_string(picture.capacity) + " (" +
                     Percent(total, picture.capacity) + " %)";
        } else if (picture.memory == MemoryKind::kOther) {
            m_out += ": configuration words, ID locations, EEPROM data";
        }
        m_out += "</span></figcaption>\n";
        if (drawn.empty()) {
            m_out += "<p class=\"note\">Nothing to draw.</p>\n";
        } else {
            AppendTreemap(picture, drawn, items);
        }
        if (leftOut > 0) {
            m_out += "<p class=\"note\">" + std::to_string(leftOut) +
                     " rows with a size below 0 (a sum that wrapped) are not drawn.</p>\n";
        }
        m_out += "</figure>\n";
    }

    void AppendTreemap(const Picture& picture, const std::vector<DrawnRow>& drawn,
                       const std::vector<TreemapItem>& items) {
        TreemapOptions options;
        options.width = kPictureWidth;
        options.height = picture.height;
        const std::vector<TreemapRect> rects = LayoutTreemap(items, options);

        std::vector<std::string> names;
        std::vector<std::int64_t> bytes;
        for (const DrawnRow& row : drawn) {
            names.push_back(Html(row.row->name));
            bytes.push_back(BytesIn(*row.row, picture.memory));
        }
        // With --diff every rectangle (a group: its members together) takes the colour of its
        // change, on a scale as wide as the largest change drawn.
        std::vector<std::int64_t> changes(rects.size(), 0);
        std::int64_t largest = 0;
        if (Diff()) {
            for (std::size_t i = 0; i < rects.size(); ++i) {
                const TreemapRect& r = rects[i];
                // Summed in unsigned arithmetic, where no sum of sizes can overflow.
                std::uint64_t change = 0;
                for (std::size_t member :
                     r.grouped.empty() ? std::vector<std::size_t>{r.item} : r.grouped) {
                    change +=
                        static_cast<std::uint64_t>(ChangeOf(*drawn[member].row, picture.memory));
                }
                changes[i] = static_cast<std::int64_t>(change);
                const std::uint64_t magnitude = changes[i] < 0 ? 0 - change : change;
                largest = std::max(largest, static_cast<std::int64_t>(
                                                std::min<std::uint64_t>(magnitude, INT64_MAX)));
            }
        }

        m_out += "<svg class=\"treemap\" viewBox=\"0 0 " + std::to_string(options.width) + " " +
                 std::to_string(options.height) + "\" width=\"" + std::to_string(options.width) +
                 "\" height=\"" + std::to_string(options.height) + "\" role=\"img\" aria-label=\"" +
                 picture.name + " treemap\">\n";
        std::vector<bool> labelled(rects.size(), false);
        for (std::size_t i = 0; i < rects.size(); ++i) {
            const TreemapRect& r = rects[i];
            if (r.parent >= 0) {
                const auto parent = static_cast<std::size_t>(r.parent);
                AppendPart(picture, r, drawn[rects[parent].item], labelled[parent]);
                continue;
            }
            if (!r.grouped.empty()) {
                std::string title = GroupTitle(picture, r, "items", names, bytes);
                if (Diff()) {
                    title += "\nchange: " + Signed(changes[i]) + " bytes";
                }
                AppendRect(r, "row group",
                           Diff() ? ChangeFill(changes[i], largest) : kGroupFill.row, title);
                AppendLabel(r, std::to_string(r.grouped.size()) + " smaller",
                            Diff() ? std::to_string(r.weight) + " B, " + Signed(changes[i]) : "");
                continue;
            }
            const SizeRow& row = *drawn[r.item].row;
            const bool special = row.kind == RowKind::kSpecial;
            std::string title = names[r.item] + "\n" + Figures(picture, r.weight);
            if (Diff()) {
                title += "\nchange: " + Signed(changes[i]) + " bytes";
            }
            AppendRect(r, special ? "row special" : "row object",
                       Diff() ? ChangeFill(changes[i], largest)
                              : (special ? kSpecialFill : kObjectFill).row,
                       title);
            labelled[i] =
                AppendLabel(r, ShortName(row.name),
                            Diff() ? std::to_string(r.weight) + " B, " + Signed(changes[i]) : "");
        }
        m_out += "</svg>\n";
        if (Diff()) {
            AppendChangeLegend(largest);
        }
    }

    // The pieces of a row whose own label did not fit go without labels too: theirs ("text",
    // "const") would not say whose they are.
    void AppendPart(const Picture& picture, const TreemapRect& r, const DrawnRow& owner,
                    bool ownerLabelled) {
        const std::string ownerName = Html(owner.row->name);
        const Palette& palette = owner.row->kind == RowKind::kSpecial ? kSpecialFill : kObjectFill;
        if (!r.grouped.empty()) {
            std::vector<std::string> names;
            std::vector<std::int64_t> bytes;
            for (const SizePart* part : owner.parts) {
                names.push_back(Html(part->name));
                bytes.push_back(part->bytes);
            }
            AppendRect(r, "part group", kGroupFill.part,
                       ownerName + " ›\n" + GroupTitle(picture, r, "pieces", names, bytes));
            if (ownerLabelled) {
                AppendLabel(r, std::to_string(r.grouped.size()) + " smaller");
            }
            return;
        }
        const SizePart& part = *owner.parts[r.item];
        AppendRect(r, "part", palette.part,
                   ownerName + " › " + Html(part.name) + "\n" + Figures(picture, r.weight));
        if (ownerLabelled) {
            AppendLabel(r, part.name);
        }
    }

    static std::string Swatch(const std::string& fill) {
        return "<svg width=\"12\" height=\"12\" aria-hidden=\"true\"><rect x=\"0.5\" y=\"0.5\" "
               "width=\"11\" height=\"11\" fill=\"" +
               fill + "\" stroke=\"#8a8a8a\"/></svg>";
    }

    void AppendLegend() {
        const std::string owner = m_report.table != nullptr && !m_report.table->columns.empty()
                                      ? Html(m_report.table->columns[0].header)
                                      : "Object file";
        m_out += "<ul class=\"legend\">\n<li>" + Swatch(kObjectFill.row) + owner + "</li>\n<li>" +
                 Swatch(kObjectFill.part) + "its sections or functions</li>\n<li>" +
                 Swatch(kSpecialFill.row) + "bytes of no single owner: &lt;COMMON …&gt;, " +
                 "&lt;overlaid …&gt;</li>\n<li>" + Swatch(kGroupFill.row) +
                 "smaller items together</li>\n</ul>\n";
    }

    void AppendChangeLegend(std::int64_t largest) {
        if (largest == 0) {
            m_out +=
                "<ul class=\"legend\">\n<li>" + Swatch(Hex(kUnchanged)) + "no change</li>\n</ul>\n";
            return;
        }
        m_out += "<ul class=\"legend\">\n";
        for (int step = -3; step <= 3; ++step) {
            const std::int64_t change = step == 0 ? 0
                                                  : static_cast<std::int64_t>(std::llround(
                                                        static_cast<double>(largest) * step / 3.0));
            const std::string text =
                step == 0 ? "no change" : (step < 0 ? "" : "+") + std::to_string(change) + " bytes";
            m_out += "<li>" + Swatch(ChangeFill(change, largest)) + text + "</li>\n";
        }
        m_out +=
            "</ul>\n<p class=\"note\">Areas are the new sizes; red grew, blue shrank. "
            "Rows only the old map has take no area: the table lists them.</p>\n";
    }

    void AppendTable() {
        if (m_report.table == nullptr) {
            return;
        }
        const ReportTable& table = *m_report.table;
        m_out += "<h2>Table</h2>\n<div class=\"wide\">\n<table>\n<thead><tr>";
        for (const ReportColumn& column : table.columns) {
            m_out += column.type == CellType::kText ? "<th>" : "<th class=\"num\">";
            m_out += Html(column.header) + "</th>";
        }
        m_out += "</tr></thead>\n<tbody>\n";
        std::string footer;
        for (const TableRow& row : table.rows) {
            if (row.kind == RowKind::kBlank) {
                continue;
            }
            std::string line = row.kind == RowKind::kSpecial ? "<tr class=\"special\">" : "<tr>";
            for (std::size_t column = 0; column < table.columns.size(); ++column) {
                const ReportColumn& description = table.columns[column];
                const std::string cell = column < row.cells.size()
                                             ? DisplayCell(description, row.cells[column])
                                             : std::string();
                if (description.type == CellType::kText) {
                    line += "<td>";
                } else if (description.type == CellType::kChange && !cell.empty() &&
                           (cell[0] == '+' || cell[0] == '-')) {
                    line +=
                        cell[0] == '+' ? "<td class=\"num grew\">" : "<td class=\"num shrank\">";
                } else {
                    line += "<td class=\"num\">";
                }
                line += Html(cell) + "</td>";
            }
            line += "</tr>\n";
            (row.kind == RowKind::kTotal ? footer : m_out) += line;
        }
        m_out += "</tbody>\n<tfoot>\n" + footer + "</tfoot>\n</table>\n</div>\n";
    }

    void AppendFacts() {
        const DeviceProfile& device = m_report.device;
        const std::string name(device.name);
        m_out += "<dl>\n";
        if (Diff()) {
            m_out += "<dt>Old map</dt><dd>" + Html(m_report.oldFileName) + "</dd>\n";
            m_out += "<dt>New map</dt><dd>" + Html(m_report.fileName) + "</dd>\n";
        } else {
            m_out += "<dt>Map</dt><dd>" + Html(m_report.fileName) + "</dd>\n";
        }
        m_out += "<dt>Device</dt><dd>" + (name.empty() ? "unknown" : Html(name)) + ": ROM " +
                 std::to_string(device.romCapacity) + " bytes, RAM " +
                 std::to_string(device.ramCapacity) + " bytes</dd>\n";
        const MapFacts& facts = m_sizes.facts;
        if (!facts.device.empty() && facts.device != name) {
            m_out += "<dt>The map names</dt><dd>" + Html(facts.device) + "</dd>\n";
        }
        m_out += "<dt>Sections counted</dt><dd>";
        m_out += m_sizes.rule == SectionRule::kAll ? "all: every section of the map"
                                                   : "listed: the section names the window counts";
        m_out += "</dd>\n<dt>Made</dt><dd>" + Html(m_report.time) + "</dd>\n</dl>\n";
    }

    static std::string CheckFigures(const MemoryTotals& totals, bool withOther) {
        std::string text =
            "ROM " + std::to_string(totals.rom) + " RAM " + std::to_string(totals.ram);
        if (withOther) {
            text += " other " + std::to_string(totals.other);
        }
        return text;
    }

    // "ROM +12, RAM -3": what the report counts beyond the map's own figure.
    static std::string Differences(const MemoryTotals& report, const MemoryTotals& map,
                                   bool withOther) {
        std::string text;
        const auto add = [&text](const char* label, std::int64_t a, std::int64_t b) {
            if (a != b) {
                // In unsigned arithmetic, where the difference of any two sizes is defined.
                const auto difference = static_cast<std::int64_t>(static_cast<std::uint64_t>(a) -
                                                                  static_cast<std::uint64_t>(b));
                text += (text.empty() ? "" : ", ") + std::string(label) + " " + Signed(difference);
            }
        };
        add("ROM", report.rom, map.rom);
        add("RAM", report.ram, map.ram);
        if (withOther) {
            add("other", report.other, map.other);
        }
        return text;
    }

    void AppendCheckLines(const SizeTable& sizes, const std::string& prefix) {
        const MemoryTotals report = TotalsOf(sizes);
        for (const MapCheck& check : sizes.facts.checks) {
            const std::string label = Html(prefix + check.label);
            if (!check.possible) {
                m_out += "<li>" + label + ": not possible: " + Html(check.reason) + "</li>\n";
            } else if (!check.hasFigures) {
                m_out += std::string("<li class=\"") + (check.agrees ? "agrees" : "disagrees") +
                         "\">" + label + (check.agrees ? ": agrees" : ": disagrees") +
                         (check.detail.empty() ? "" : " (" + Html(check.detail) + ")") + "</li>\n";
            } else if (check.agrees) {
                m_out += "<li class=\"agrees\">" + label + ": " +
                         CheckFigures(check.map, check.withOther) + ": agrees</li>\n";
            } else {
                m_out += "<li class=\"disagrees\">" + label + ": " +
                         CheckFigures(check.map, check.withOther) + ": disagrees by " +
                         Differences(report, check.map, check.withOther) + " (the report counts " +
                         CheckFigures(report, check.withOther) + ")</li>\n";
            }
        }
        for (const std::string& note : sizes.facts.notes) {
            m_out += "<li>" + Html(prefix + note) + "</li>\n";
        }
    }

    void AppendChecks() {
        m_out += "<h2>Checks against the map's own figures</h2>\n<ul class=\"checks\">\n";
        const std::size_t start = m_out.size();
        if (Diff() && m_report.oldSizes != nullptr) {
            AppendCheckLines(*m_report.oldSizes, "Old ");
            AppendCheckLines(m_sizes, "New ");
        } else {
            AppendCheckLines(m_sizes, "");
        }
        if (m_out.size() == start) {
            m_out += "<li>none: the map was not read for figures of its own</li>\n";
        }
        m_out += "</ul>\n";
    }

    static const SizeTable kNoSizes;

    const HtmlReport& m_report;
    const SizeTable& m_sizes;
    MemoryTotals m_totals;
    std::vector<std::vector<const SizePart*>> m_partsById;
    std::string m_out;
};

const SizeTable CHtmlWriter::kNoSizes{};

}  // namespace

std::string FormatHtml(const HtmlReport& report) {
    return CHtmlWriter(report).Write();
}

SizeChanges ChangesBetween(const SizeTable& oldSizes, const SizeTable& newSizes) {
    SizeChanges changes;
    const auto add = [&changes](const SizeTable& table, std::int64_t sign) {
        for (const SizeRow& row : table.rows) {
            MemoryTotals& change = changes[std::string(row.name)];
            change.rom += sign * row.rom;
            change.ram += sign * row.ram;
            change.other += sign * row.other;
        }
    };
    add(newSizes, 1);
    add(oldSizes, -1);
    return changes;
}

std::string ReportTime() {
    std::time_t now = std::time(nullptr);
    if (const char* epoch = std::getenv("SOURCE_DATE_EPOCH")) {
        char* end = nullptr;
        const long long seconds = std::strtoll(epoch, &end, 10);
        if (end != epoch && *end == '\0' && seconds >= 0) {
            now = static_cast<std::time_t>(seconds);
        }
    }
    const std::tm* utc = std::gmtime(&now);  // the report runs on one thread
    char text[32] = "unknown time";
    if (utc != nullptr) {
        std::strftime(text, sizeof text, "%Y-%m-%d %H:%M UTC", utc);
    }
    return text;
}
