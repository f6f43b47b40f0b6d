#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// One object file of a map and the bytes its counted sections take.
class CObjectFileEntry {
public:
    CObjectFileEntry() = default;
    virtual ~CObjectFileEntry() = default;

    void SetName(const std::string& name) { m_name = name; }
    std::string GetName() const { return m_name; }

    // Space 0 is program memory (ROM); every other space is data memory (RAM).
    void AddSize(std::int32_t length, std::int32_t space);

    std::string m_name;          // the object-file token as read, path included
    std::int32_t m_ramSize = 0;  // wrapping sum of the lengths in spaces other than 0
    std::int32_t m_romSize = 0;  // wrapping sum of the lengths in space 0
    std::int32_t m_space = 0;    // space of the last counted section with a non-zero length
    // Bytes in neither memory (configuration words, ID locations, EEPROM data). Only the
    // complete tally of every section fills it; the listed scan leaves it 0.
    std::int32_t m_otherSize = 0;
};

// The entries of one map, owned, in file order until a sort reorders them.
using EntryList = std::vector<std::unique_ptr<CObjectFileEntry>>;
