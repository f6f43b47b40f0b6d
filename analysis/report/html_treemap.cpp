#include "report/html_treemap.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "report/html_text.h"
#include "report/size_report.h"
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

std::string Swatch(const std::string& fill) {
    return "<svg width=\"12\" height=\"12\" aria-hidden=\"true\"><rect x=\"0.5\" y=\"0.5\" "
           "width=\"11\" height=\"11\" fill=\"" +
           fill + "\" stroke=\"#8a8a8a\"/></svg>";
}

std::int64_t CapacityFor(const Memory& memory, const DeviceProfile& device) {
    return memory.capacity != nullptr ? device.*memory.capacity : 0;
}

}  // namespace

CHtmlTreemaps::CHtmlTreemaps(const HtmlReport& report, const SizeTable& sizes, std::string& out)
    : m_report(report), m_sizes(sizes), m_out(out), m_totals(TotalsOf(sizes)) {
    // The parts of each row, by the row's id; ids beyond the rows belong to no row.
    m_partsById.resize(m_sizes.rows.size());
    for (const SizePart& part : m_sizes.parts) {
        if (part.rowId < m_partsById.size()) {
            m_partsById[part.rowId].push_back(&part);
        }
    }
    if (Diff()) {
        for (const DiffRow& row : *m_report.changes) {
            MemoryTotals& change = m_changes[row.name];
            for (std::size_t m = 0; m < m_report.measures.size(); ++m) {
                change.*m_report.measures[m].total = SizeChange(row, m);
            }
        }
    }
}

std::int64_t CHtmlTreemaps::ChangeOf(const SizeRow& row, MemoryKind memory) const {
    const auto found = m_changes.find(row.name);
    return found == m_changes.end() ? 0 : found->second.*MemoryOf(memory).total;
}

// "1954 bytes, 5.9631 % of ROM (32768 bytes)"
std::string CHtmlTreemaps::Figures(const Memory& memory, std::int64_t bytes) const {
    std::string text = std::to_string(bytes) + " bytes";
    const std::int64_t capacity = CapacityFor(memory, m_report.device);
    if (capacity > 0) {
        text += ", " + FormatPercent(bytes, capacity) + " % of " + std::string(memory.label) +
                " (" + std::to_string(capacity) + " bytes)";
    } else if (memory.capacity == nullptr) {
        const std::int64_t total = m_totals.*memory.total;
        text += ", " + FormatPercent(bytes, total) + " % of the other bytes (" +
                std::to_string(total) + ")";
    }
    return text;
}

std::vector<CHtmlTreemaps::DrawnRow> CHtmlTreemaps::RowsIn(const Memory& memory,
                                                           std::vector<TreemapItem>& items,
                                                           std::size_t& leftOut) const {
    std::vector<DrawnRow> drawn;
    for (const SizeRow& row : m_sizes.rows) {
        const std::int64_t bytes = row.*memory.size;
        if (bytes < 0) {
            ++leftOut;
        }
        if (bytes <= 0) {
            continue;
        }
        DrawnRow entry{&row, {}};
        TreemapItem item{bytes, {}};
        // A row's pieces are shown only when they are two or more; the layout draws them only
        // when they account for every byte of the row.
        if (!Diff() && row.id < m_partsById.size()) {
            for (const SizePart* part : m_partsById[row.id]) {
                if (part->memory == memory.kind && part->bytes != 0) {
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

void CHtmlTreemaps::AppendRect(const TreemapRect& r, const std::string& classes,
                               const std::string& fill, const std::string& title) {
    m_out += "<rect class=\"" + classes + "\" x=\"" + std::to_string(r.x) + "\" y=\"" +
             std::to_string(r.y) + "\" width=\"" + std::to_string(r.width) + "\" height=\"" +
             std::to_string(r.height) + "\" fill=\"" + fill + "\" data-bytes=\"" +
             std::to_string(r.weight) + "\"><title>" + title + "</title></rect>\n";
}

// The label at the top left of the rectangle (in its band, when it has children), and under it
// the bytes (and with --diff the change) when there is room; what does not fit is left out.
// Returns whether the label was drawn.
bool CHtmlTreemaps::AppendLabel(const TreemapRect& r, std::string_view label, std::string detail) {
    const int room = r.width - 2 * kLabelInset;
    if (r.height < kLineHeight + 3 || Columns(label) * kColumnWidth > room) {
        return false;
    }
    const std::string x = std::to_string(r.x + kLabelInset);
    m_out += "<text class=\"label\" x=\"" + x + "\" y=\"" + std::to_string(r.y + kFontSize + 1) +
             "\">" + Html(label) + "</text>\n";
    if (detail.empty()) {
        detail = std::to_string(r.weight) + " B";
    }
    if (!r.nested && r.height >= 2 * kLineHeight + 4 && Columns(detail) * kColumnWidth <= room) {
        m_out += "<text class=\"label\" x=\"" + x + "\" y=\"" +
                 std::to_string(r.y + kFontSize + 1 + kLineHeight) + "\">" + Html(detail) +
                 "</text>\n";
    }
    return true;
}

// "12 smaller items" and the largest of them.
std::string CHtmlTreemaps::GroupTitle(const Memory& memory, const TreemapRect& r,
                                      const std::string& what,
                                      const std::vector<std::string>& names,
                                      const std::vector<std::int64_t>& bytes) const {
    std::string title = std::to_string(r.grouped.size()) + " smaller " + what + "\n" +
                        Figures(memory, r.weight) + "\nlargest:";
    for (std::size_t k = 0; k < r.grouped.size() && k < kGroupNamesShown; ++k) {
        title +=
            "\n" + names[r.grouped[k]] + " (" + std::to_string(bytes[r.grouped[k]]) + " bytes)";
    }
    if (r.grouped.size() > kGroupNamesShown) {
        title += "\n…";
    }
    return title;
}

void CHtmlTreemaps::AppendPicture(MemoryKind kind, int height) {
    const Memory& memory = MemoryOf(kind);
    std::vector<TreemapItem> items;
    std::size_t leftOut = 0;
    const std::vector<DrawnRow> drawn = RowsIn(memory, items, leftOut);
    const std::int64_t total = m_totals.*memory.total;
    const std::int64_t capacity = CapacityFor(memory, m_report.device);

    m_out += "<figure>\n<figcaption><h2>" + std::string(memory.label) + "</h2><span>" +
             std::to_string(total) + " bytes";
    if (capacity > 0) {
        m_out += " of " + std::to_string(capacity) + " (" + FormatPercent(total, capacity) + " %)";
    } else if (memory.capacity == nullptr) {
        m_out += ": configuration words, ID locations, EEPROM data";
    }
    m_out += "</span></figcaption>\n";
    if (drawn.empty()) {
        m_out += "<p class=\"note\">Nothing to draw.</p>\n";
    } else {
        AppendTreemap(memory, height, drawn, items);
    }
    if (leftOut > 0) {
        m_out += "<p class=\"note\">" + std::to_string(leftOut) +
                 " rows with a size below 0 (a sum that wrapped) are not drawn.</p>\n";
    }
    m_out += "</figure>\n";
}

void CHtmlTreemaps::AppendTreemap(const Memory& memory, int height,
                                  const std::vector<DrawnRow>& drawn,
                                  const std::vector<TreemapItem>& items) {
    TreemapOptions options;
    options.width = kPictureWidth;
    options.height = height;
    const std::vector<TreemapRect> rects = LayoutTreemap(items, options);

    std::vector<std::string> names;
    std::vector<std::int64_t> bytes;
    for (const DrawnRow& row : drawn) {
        names.push_back(Html(row.row->name));
        bytes.push_back(row.row->*memory.size);
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
                change += static_cast<std::uint64_t>(ChangeOf(*drawn[member].row, memory.kind));
            }
            changes[i] = static_cast<std::int64_t>(change);
            const std::uint64_t magnitude = changes[i] < 0 ? 0 - change : change;
            largest = std::max(
                largest, static_cast<std::int64_t>(std::min<std::uint64_t>(magnitude, INT64_MAX)));
        }
    }

    m_out += "<svg class=\"treemap\" viewBox=\"0 0 " + std::to_string(options.width) + " " +
             std::to_string(options.height) + "\" width=\"" + std::to_string(options.width) +
             "\" height=\"" + std::to_string(options.height) + "\" role=\"img\" aria-label=\"" +
             std::string(memory.label) + " treemap\">\n";
    std::vector<bool> labelled(rects.size(), false);
    for (std::size_t i = 0; i < rects.size(); ++i) {
        const TreemapRect& r = rects[i];
        if (r.parent >= 0) {
            const auto parent = static_cast<std::size_t>(r.parent);
            AppendPart(memory, r, drawn[rects[parent].item], labelled[parent]);
            continue;
        }
        if (!r.grouped.empty()) {
            std::string title = GroupTitle(memory, r, "items", names, bytes);
            if (Diff()) {
                title += "\nchange: " + Signed(changes[i]) + " bytes";
            }
            AppendRect(r, "row group", Diff() ? ChangeFill(changes[i], largest) : kGroupFill.row,
                       title);
            AppendLabel(r, std::to_string(r.grouped.size()) + " smaller",
                        Diff() ? std::to_string(r.weight) + " B, " + Signed(changes[i]) : "");
            continue;
        }
        const SizeRow& row = *drawn[r.item].row;
        const bool special = row.kind == RowKind::kSpecial;
        std::string title = names[r.item] + "\n" + Figures(memory, r.weight);
        if (Diff()) {
            title += "\nchange: " + Signed(changes[i]) + " bytes";
        }
        AppendRect(
            r, special ? "row special" : "row object",
            Diff() ? ChangeFill(changes[i], largest) : (special ? kSpecialFill : kObjectFill).row,
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
void CHtmlTreemaps::AppendPart(const Memory& memory, const TreemapRect& r, const DrawnRow& owner,
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
                   ownerName + " ›\n" + GroupTitle(memory, r, "pieces", names, bytes));
        if (ownerLabelled) {
            AppendLabel(r, std::to_string(r.grouped.size()) + " smaller");
        }
        return;
    }
    const SizePart& part = *owner.parts[r.item];
    AppendRect(r, "part", palette.part,
               ownerName + " › " + Html(part.name) + "\n" + Figures(memory, r.weight));
    if (ownerLabelled) {
        AppendLabel(r, part.name);
    }
}

void CHtmlTreemaps::AppendLegend(std::string_view owner) {
    m_out += "<ul class=\"legend\">\n<li>" + Swatch(kObjectFill.row) + Html(owner) + "</li>\n<li>" +
             Swatch(kObjectFill.part) + "its sections or functions</li>\n<li>" +
             Swatch(kSpecialFill.row) + "bytes of no single owner: &lt;COMMON …&gt;, " +
             "&lt;overlaid …&gt;</li>\n<li>" + Swatch(kGroupFill.row) +
             "smaller items together</li>\n</ul>\n";
}

void CHtmlTreemaps::AppendChangeLegend(std::int64_t largest) {
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
