#include "text/visible_text.h"

void AssignVisibleName(std::string& cell, std::string_view name) {
    cell.assign(name);
    std::size_t i = 0;
    while (i < cell.size()) {
        if (IsControlByte(cell[i])) {
            const char shown = static_cast<char>(static_cast<unsigned char>(cell[i]) ^ 0x40);
            cell[i] = '^';
            cell.insert(i + 1, 1, shown);
            ++i;
        }
        ++i;
    }
}
