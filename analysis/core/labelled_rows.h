#pragma once

#include <cstddef>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/size_table.h"

// Rows of bytes the map gives no owner, labelled in angle brackets ("<COMMON buf>", "<psect
// text>"): one per label, in the order first met, added to a table after its other rows.
class CLabelledRows {
public:
    // The place of the row labelled so among these rows, made when first asked for.
    std::size_t Row(const std::string& label);

    MemoryTotals& Sums(std::size_t place) { return m_sums[place]; }

    void AddTo(SizeTable& table) const;

private:
    std::vector<std::string> m_labels;
    std::vector<MemoryTotals> m_sums;
    std::unordered_map<std::string, std::size_t> m_places;
};
