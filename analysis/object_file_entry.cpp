#include "object_file_entry.h"

#include "wrapping.h"

void CObjectFileEntry::AddSize(std::int32_t length, std::int32_t space) {
    if (space == 0) {
        m_romSize = WrappingAdd(m_romSize, length);
    } else {
        m_ramSize = WrappingAdd(m_ramSize, length);
    }
}
