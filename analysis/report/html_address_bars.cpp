#include "report/html_address_bars.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <string_view>
#include <vector>

#include "report/html_text.h"
#include "report/region_report.h"

namespace {

constexpr int kWidth = 960;
constexpr int kBarHeight = 28;
constexpr int kBandTop = kBarHeight + 2;
constexpr int kBandHeight = 16;
constexpr int kHeight = kBandTop + kBandHeight;
constexpr int kColumnWidth = 7;  // of a label's character, as the treemaps reckon it
constexpr int kLabelInset = 4;
// A piece narrower than this many units is drawn together with its neighbours.
constexpr double kNarrowest = 1.0;
// A region's inner boundaries (its banks, where a class's range stands for several) are ticked
// when there are at most this many.
constexpr std::uint64_t kMostInnerTicks = 64;
constexpr int kInnerTick = 6;  // how far an inner tick reaches into the bar

// Light fills, so that the dark labels read on every one; owners take them in turn.
// None of them orange, which stands for bytes of no single owner.
constexpr std::array<const char*, 8> kOwnerFills = {"#9cc3e6", "#b5d99c", "#d4b8e8", "#a8dadc",
                                                    "#f2b5b5", "#ede39a", "#c4c4e8", "#cfe3b8"};
constexpr const char* kSpecialFill = "#f0c27f";
constexpr const char* kFreeFill = "#ffffff";
constexpr const char* kUsedFill = "#a9b4bf";  // used by no part the table names
constexpr const char* kMixedFill = "#c9c9c9";
constexpr const char* kGapFill = "#eeeeee";  // addresses in no region
constexpr const char* kBandFill = "#f6f6f6";
constexpr const char* kLargestStroke = "#1e7b34";

enum class SegmentKind { kOwned, kFree, kUsed, kGap };

// A run of addresses that one thing takes: a row's parts, free room, used room, or no region.
struct Segment {
    std::uint64_t begin;
    std::uint64_t end;
    SegmentKind kind;
    const SizePart* part;        // the first part of an owned run
    std::size_t parts;           // how many parts the run holds
    const MemoryRegion* region;  // the region it lies in; none for a gap
};

// One part's addresses, where no earlier part lies.
struct OwnedSpan {
    std::uint64_t begin;
    std::uint64_t end;
    const SizePart* part;
};

// A number of units as SVG reads it: at most two decimals, never in a locale's form.
std::string Units(double value) {
    const auto hundredths = static_cast<long long>(std::llround(value * 100.0));
    std::string text = std::to_string(hundredths / 100);
    const long long fraction = hundredths % 100;
    if (fraction != 0) {
        text += '.';
        text += static_cast<char>('0' + fraction / 10);
        if (fraction % 10 != 0) {
            text += static_cast<char>('0' + fraction % 10);
        }
    }
    return text;
}

std::string Span(std::uint64_t begin, std::uint64_t end) {
    return AddressText(begin) + "–" + AddressText(end - 1);
}

std::string Bytes(std::uint64_t bytes) {
    return std::to_string(bytes) + (bytes == 1 ? " byte" : " bytes");
}

// The columns a label takes in the monospaced face; any byte from 0x80 up counts as one column
// of a character, which names of regions never hold.
int Columns(std::string_view text) {
    int columns = 0;
    for (const char c : text) {
        columns += (static_cast<unsigned char>(c) & 0xC0) != 0x80 ? 1 : 0;
    }
    return columns;
}

class CAddressBar {
public:
    CAddressBar(const SizeTable& sizes, MemoryKind memory, std::string& out)
        : m_sizes(sizes), m_memory(memory), m_out(out) {
        for (const MemoryRegion& region : sizes.regions) {
            if (region.memory == memory && !region.addresses.Empty()) {
                m_regions.push_back(&region);
            }
        }
        if (m_regions.empty()) {
            return;
        }
        m_low = m_regions.front()->Start();
        for (const MemoryRegion* region : m_regions) {
            m_high = std::max(m_high, region->Last() + 1);
        }
        // Each row takes its colour by its place among the rows (the page lists them largest
        // first), so that the largest owners differ.
        m_placeOf.assign(sizes.rows.size(), 0);
        for (std::size_t i = 0; i < sizes.rows.size(); ++i) {
            if (sizes.rows[i].id < m_placeOf.size()) {
                m_placeOf[sizes.rows[i].id] = i;
            }
        }
        CollectParts();
    }

    void Append() {
        if (m_regions.empty()) {
            return;
        }
        const bool program = m_memory == MemoryKind::kRom;
        const std::string what = program ? "Program memory" : "Data memory";
        std::int64_t size = 0;
        std::int64_t used = 0;
        const MemoryRegion* roomiest = m_regions.front();
        for (const MemoryRegion* region : m_regions) {
            size += region->size;
            used += region->used;
            roomiest = region->largestFree > roomiest->largestFree ? region : roomiest;
        }
        m_out += "<figure>\n<figcaption><h2>" + what + " by address</h2><span>" +
                 std::to_string(used) + " of " + std::to_string(size) + " bytes used in " +
                 std::to_string(m_regions.size()) +
                 (m_regions.size() == 1 ? " region" : " regions") + "; largest free block " +
                 std::to_string(roomiest->largestFree) + " bytes, in " + Html(roomiest->name) +
                 "</span></figcaption>\n";
        m_out += "<svg class=\"addressbar\" viewBox=\"0 0 " + std::to_string(kWidth) + " " +
                 std::to_string(kHeight) + "\" width=\"" + std::to_string(kWidth) + "\" height=\"" +
                 std::to_string(kHeight) + "\" role=\"img\" aria-label=\"" + what +
                 " by address\">\n";
        DrawSegments(Segments());
        DrawLargest(*roomiest);
        DrawBands();
        m_out += "</svg>\n</figure>\n";
    }

private:
    double X(std::uint64_t address) const {
        return static_cast<double>(address - m_low) * kWidth / static_cast<double>(m_high - m_low);
    }

    // The parts of this memory in order of address, each from where the ones before it end.
    void CollectParts() {
        for (const SizePart& part : m_sizes.parts) {
            if (part.memory == m_memory && part.bytes > 0 && part.address < m_high) {
                const std::uint64_t end = part.address + static_cast<std::uint64_t>(part.bytes);
                m_owned.push_back({part.address, std::max(end, part.address), &part});
            }
        }
        std::stable_sort(m_owned.begin(), m_owned.end(),
                         [](const OwnedSpan& a, const OwnedSpan& b) { return a.begin < b.begin; });
        std::uint64_t taken = 0;
        for (OwnedSpan& span : m_owned) {
            span.begin = std::max(span.begin, taken);
            taken = std::max(taken, span.end);
        }
        m_owned.erase(std::remove_if(m_owned.begin(), m_owned.end(),
                                     [](const OwnedSpan& s) { return s.begin >= s.end; }),
                      m_owned.end());
    }

    void Add(std::vector<Segment>& segments, Segment segment) const {
        if (segment.begin >= segment.end) {
            return;
        }
        if (!segments.empty()) {
            Segment& last = segments.back();
            const bool sameOwner = segment.kind == SegmentKind::kOwned &&
                                   last.kind == SegmentKind::kOwned &&
                                   last.part->rowId == segment.part->rowId;
            if (last.end == segment.begin && last.region == segment.region &&
                (sameOwner || (segment.kind == last.kind && segment.kind != SegmentKind::kOwned))) {
                last.end = segment.end;
                last.parts += segment.parts;
                return;
            }
        }
        segments.push_back(segment);
    }

    // The bar from its first address to its last, in runs: each address free where its region
    // says so, else the part's that lies there, else used by nothing the table names; between
    // regions, no region.
    std::vector<Segment> Segments() const {
        std::vector<Segment> segments;
        std::size_t owned = 0;
        std::uint64_t previous = m_low;
        for (const MemoryRegion* region : m_regions) {
            const std::vector<AddressRange>& free = region->freeSpans;
            std::size_t f = 0;
            for (const AddressRange& range : region->addresses.Ranges()) {
                Add(segments, {previous, range.begin, SegmentKind::kGap, nullptr, 0, nullptr});
                std::uint64_t at = range.begin;
                while (at < range.end) {
                    while (f < free.size() && free[f].end <= at) {
                        ++f;
                    }
                    if (f < free.size() && free[f].begin <= at) {
                        const std::uint64_t end = std::min(free[f].end, range.end);
                        Add(segments, {at, end, SegmentKind::kFree, nullptr, 0, region});
                        at = end;
                        continue;
                    }
                    const std::uint64_t limit =
                        std::min(range.end, f < free.size() ? free[f].begin : range.end);
                    while (owned < m_owned.size() && m_owned[owned].end <= at) {
                        ++owned;
                    }
                    if (owned < m_owned.size() && m_owned[owned].begin <= at) {
                        const std::uint64_t end = std::min(m_owned[owned].end, limit);
                        Add(segments,
                            {at, end, SegmentKind::kOwned, m_owned[owned].part, 1, region});
                        at = end;
                    } else {
                        const std::uint64_t end =
                            std::min(limit, owned < m_owned.size() ? m_owned[owned].begin : limit);
                        Add(segments, {at, end, SegmentKind::kUsed, nullptr, 0, region});
                        at = end;
                    }
                }
                previous = std::max(previous, range.end);
            }
        }
        return segments;
    }

    std::string OwnedTitle(const Segment& segment) const {
        const SizePart& part = *segment.part;
        const std::string owner = part.rowId < m_sizes.rows.size()
                                      ? Html(m_sizes.rows[m_placeOf[part.rowId]].name)
                                      : std::string("?");
        std::string title = owner;
        if (segment.parts == 1) {
            title += " › " + Html(part.name);
        } else {
            title += " (" + std::to_string(segment.parts) + " pieces)";
        }
        return title + "\n" + Span(segment.begin, segment.end) + ": " +
               Bytes(segment.end - segment.begin);
    }

    std::string FillOf(const Segment& segment) const {
        switch (segment.kind) {
            case SegmentKind::kOwned: {
                const std::uint32_t id = segment.part->rowId;
                if (id >= m_sizes.rows.size()) {
                    return kUsedFill;
                }
                const std::size_t place = m_placeOf[id];
                return m_sizes.rows[place].kind == RowKind::kSpecial
                           ? kSpecialFill
                           : kOwnerFills[place % kOwnerFills.size()];
            }
            case SegmentKind::kFree:
                return kFreeFill;
            case SegmentKind::kUsed:
                return kUsedFill;
            case SegmentKind::kGap:
                break;
        }
        return kGapFill;
    }

    std::string TitleOf(const Segment& segment) const {
        const std::string span = Span(segment.begin, segment.end);
        const std::string bytes = Bytes(segment.end - segment.begin);
        switch (segment.kind) {
            case SegmentKind::kOwned:
                return OwnedTitle(segment);
            case SegmentKind::kFree:
                return "free\n" + span + ": " + bytes;
            case SegmentKind::kUsed:
                return "used (by no part of the table's rows)\n" + span + ": " + bytes;
            case SegmentKind::kGap:
                break;
        }
        return "in no region\n" + span + ": " + bytes;
    }

    void Rect(double x0, double x1, int y, int height, const std::string& fill, std::uint64_t bytes,
              const std::string& title, const char* extra = "") {
        m_out += "<rect x=\"" + Units(x0) + "\" y=\"" + std::to_string(y) + "\" width=\"" +
                 Units(std::max(x1 - x0, 0.0)) + "\" height=\"" + std::to_string(height) +
                 "\" fill=\"" + fill + "\"" + extra + " data-bytes=\"" + std::to_string(bytes) +
                 "\"><title>" + title + "</title></rect>\n";
    }

    // Each run as wide as its addresses; runs too narrow to see together, as one grey run.
    void DrawSegments(const std::vector<Segment>& segments) {
        std::size_t first = 0;
        const auto flush = [&](std::size_t end) {
            if (first == end) {
                return;
            }
            if (end - first == 1) {
                Draw(segments[first]);
            } else {
                std::uint64_t freeBytes = 0;
                for (std::size_t i = first; i < end; ++i) {
                    freeBytes += segments[i].kind == SegmentKind::kFree
                                     ? segments[i].end - segments[i].begin
                                     : 0;
                }
                const std::uint64_t begin = segments[first].begin;
                const std::uint64_t stop = segments[end - 1].end;
                Rect(X(begin), X(stop), 0, kBarHeight, kMixedFill, stop - begin,
                     std::to_string(end - first) + " pieces too small to draw\n" +
                         Span(begin, stop) + ": " + Bytes(stop - begin) + ", " + Bytes(freeBytes) +
                         " of them free");
            }
            first = end;
        };
        for (std::size_t i = 0; i < segments.size(); ++i) {
            const double width = X(segments[i].end) - X(segments[i].begin);
            if (width >= kNarrowest) {
                flush(i);
                Draw(segments[i]);
                first = i + 1;
            } else if (X(segments[i].end) - X(segments[first].begin) >= kNarrowest) {
                flush(i + 1);
            }
        }
        flush(segments.size());
    }

    void Draw(const Segment& segment) {
        Rect(X(segment.begin), X(segment.end), 0, kBarHeight, FillOf(segment),
             segment.end - segment.begin, TitleOf(segment));
    }

    // The memory's largest free block, outlined (at least three units wide, so that it shows),
    // and labelled inside where the label fits.
    void DrawLargest(const MemoryRegion& region) {
        const AddressRange& span = region.largestSpan;
        if (span.begin >= span.end) {
            return;
        }
        double x0 = X(span.begin);
        double x1 = X(span.end);
        if (x1 - x0 < 3.0) {
            const double middle = (x0 + x1) / 2;
            x0 = std::max(0.0, middle - 1.5);
            x1 = std::min(static_cast<double>(kWidth), x0 + 3.0);
        }
        Rect(
            x0, x1, 1, kBarHeight - 2, "none", span.end - span.begin,
            "largest free block, in " + Html(region.name) + "\n" + Span(span.begin, span.end) +
                ": " + Bytes(span.end - span.begin),
            (std::string(" class=\"largest\" stroke=\"") + kLargestStroke + "\" stroke-width=\"2\"")
                .c_str());
        const std::string label = "largest free block";
        if ((x1 - x0) >= Columns(label) * kColumnWidth + 2 * kLabelInset) {
            m_out += "<text x=\"" + Units(x0 + kLabelInset) + "\" y=\"" +
                     std::to_string(kBarHeight / 2 + 4) + "\">" + label + "</text>\n";
        }
    }

    // Under the bar, each region's span as a band with its name where the name fits, and a tick
    // through the bar at each of its bounds.
    void DrawBands() {
        for (const MemoryRegion* region : m_regions) {
            const double x0 = X(region->Start());
            const double x1 = X(region->Last() + 1);
            Rect(x0, x1, kBandTop, kBandHeight, kBandFill, static_cast<std::uint64_t>(region->size),
                 Html(region->name) + "\n" + Span(region->Start(), region->Last() + 1) + ": " +
                     Bytes(static_cast<std::uint64_t>(region->size)) + ", " +
                     std::to_string(region->used) + " used, " + std::to_string(region->free) +
                     " free, largest free block " + std::to_string(region->largestFree),
                 " class=\"band\"");
            if (x1 - x0 >= Columns(region->name) * kColumnWidth + 2 * kLabelInset) {
                m_out += "<text x=\"" + Units(x0 + kLabelInset) + "\" y=\"" +
                         std::to_string(kBandTop + 12) + "\">" + Html(region->name) + "</text>\n";
            }
            for (const double x : {x0, x1}) {
                Tick(x, 0);
            }
            for (const RegionRun& run : region->runs) {
                if (run.begin > region->Start() && region->addresses.Contains(run.begin)) {
                    Tick(X(run.begin), kBarHeight - kInnerTick);
                }
                if (run.block == 0 || (run.end - run.begin) / run.block > kMostInnerTicks) {
                    continue;
                }
                for (std::uint64_t at = run.begin + run.block; at < run.end; at += run.block) {
                    if (region->addresses.Contains(at)) {
                        Tick(X(at), kBarHeight - kInnerTick);
                    }
                }
            }
        }
    }

    // A tick from `top` down to the band under the bar.
    void Tick(double x, int top) {
        m_out += "<line x1=\"" + Units(x) + "\" y1=\"" + std::to_string(top) + "\" x2=\"" +
                 Units(x) + "\" y2=\"" + std::to_string(kBandTop) + "\"/>\n";
    }

    const SizeTable& m_sizes;
    MemoryKind m_memory;
    std::string& m_out;
    std::vector<const MemoryRegion*> m_regions;
    std::uint64_t m_low = 0;
    std::uint64_t m_high = 0;
    std::vector<std::size_t> m_placeOf;  // by row id: the row's place among the rows
    std::vector<OwnedSpan> m_owned;
};

std::string Swatch(const char* fill, const char* stroke = "#8a8a8a") {
    return std::string(
               "<svg width=\"12\" height=\"12\" aria-hidden=\"true\"><rect x=\"0.5\" "
               "y=\"0.5\" width=\"11\" height=\"11\" fill=\"") +
           fill + "\" stroke=\"" + stroke + "\"/></svg>";
}

}  // namespace

void AppendAddressBars(const SizeTable& sizes, std::string& out) {
    const bool any =
        std::any_of(sizes.regions.begin(), sizes.regions.end(),
                    [](const MemoryRegion& region) { return region.memory != MemoryKind::kOther; });
    if (!any) {
        return;
    }
    out += "<div class=\"bars\">\n";
    for (const MemoryKind memory : {MemoryKind::kRom, MemoryKind::kRam}) {
        CAddressBar(sizes, memory, out).Append();
    }
    out += "<ul class=\"legend\">\n<li>" + Swatch(kOwnerFills[0]) + Swatch(kOwnerFills[1]) +
           Swatch(kOwnerFills[2]) +
           "a row's parts, one colour per row (hover for its name)</li>\n<li>" +
           Swatch(kSpecialFill) + "bytes of no single owner</li>\n<li>" + Swatch(kFreeFill) +
           "free</li>\n<li>" + Swatch(kUsedFill) + "used by no part the table names</li>\n<li>" +
           Swatch(kMixedFill) + "pieces too small to draw, together</li>\n<li>" + Swatch(kGapFill) +
           "in no region</li>\n<li>" + Swatch("none", kLargestStroke) +
           "the largest free block</li>\n</ul>\n<p class=\"note\">Under each bar, the regions "
           "of that memory; the table of regions is tallyfold-report --by region.</p>\n</div>\n";
}
