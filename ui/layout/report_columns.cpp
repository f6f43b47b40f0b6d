#include "layout/report_columns.h"

#include <cstddef>

#include "layout/window_layout.h"

namespace {

constexpr std::string_view kFirstColumnKey = "name";

// Whether one of the words of a field ("new_rom_percent") is `word`.
bool HasWord(std::string_view field, std::string_view word) {
    std::size_t start = 0;
    while (start <= field.size()) {
        std::size_t end = field.find('_', start);
        if (end == std::string_view::npos) {
            end = field.size();
        }
        if (field.substr(start, end - start) == word) {
            return true;
        }
        start = end + 1;
    }
    return false;
}

std::string_view KeyOf(const std::vector<ReportColumn>& columns, std::size_t column) {
    return column == 0 ? kFirstColumnKey : std::string_view(columns[column].field);
}

}  // namespace

ColumnOrdering OrderingForField(std::string_view field) {
    for (const SortChoice& choice : kSortChoices) {
        if (HasWord(field, choice.name)) {
            return choice.ordering;
        }
    }
    return ColumnOrdering::kNone;
}

int SortArrowColumn(const std::vector<ReportColumn>& columns, ColumnOrdering ordering,
                    std::string_view clickedField) {
    if (ordering == ColumnOrdering::kNone) {
        return -1;
    }
    const std::string memory(MemoryOf(SortedMemory(ordering)).field);
    int best = -1;
    int bestRank = 0;
    for (std::size_t column = 1; column < columns.size(); ++column) {
        const std::string& field = columns[column].field;
        if (OrderingForField(field) != ordering) {
            continue;
        }
        const int rank = field == clickedField         ? 3
                         : field == memory + "_change" ? 2
                         : field == memory             ? 1
                                                       : 0;
        if (best < 0 || rank > bestRank) {
            best = static_cast<int>(column);
            bestRank = rank;
        }
    }
    return best;
}

void HeadRowsAsSourceFiles(std::vector<ReportColumn>& columns) {
    if (!columns.empty()) {
        columns[0].header = ViewChoiceOf(MapView::kModules).header;
    }
}

std::vector<int> WeightsFor(const std::vector<ReportColumn>& columns, const ColumnWeights& kept) {
    std::vector<int> weights = DefaultColumnWeights(columns.size());
    for (std::size_t column = 0; column < columns.size(); ++column) {
        const auto found = kept.find(std::string(KeyOf(columns, column)));
        if (found != kept.end()) {
            weights[column] = found->second;
        }
    }
    return weights;
}

void KeepWeights(ColumnWeights& kept, const std::vector<ReportColumn>& columns,
                 const std::vector<int>& weights) {
    for (std::size_t column = 0; column < columns.size() && column < weights.size(); ++column) {
        kept[std::string(KeyOf(columns, column))] = weights[column];
    }
}
