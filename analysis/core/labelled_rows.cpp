#include "core/labelled_rows.h"

std::size_t CLabelledRows::Row(const std::string& label) {
    const auto found = m_places.emplace(label, m_labels.size());
    if (found.second) {
        m_labels.push_back(label);
        m_sums.emplace_back();
    }
    return found.first->second;
}

void CLabelledRows::AddTo(SizeTable& table) const {
    for (std::size_t i = 0; i < m_labels.size(); ++i) {
        SizeRow& row = table.AddRow(m_labels[i], RowKind::kSpecial);
        row.rom = m_sums[i].rom;
        row.ram = m_sums[i].ram;
        row.other = m_sums[i].other;
    }
}
