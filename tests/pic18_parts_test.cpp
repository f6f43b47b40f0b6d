#include "core/pic18_parts.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace {

const Pic18Part& Part(std::string_view name) {
    const Pic18Part* part = FindPic18Part(name);
    if (part == nullptr) {
        throw std::runtime_error("no part " + std::string(name));
    }
    return *part;
}

std::vector<std::string> Names(const std::vector<const Pic18Part*>& parts) {
    std::vector<std::string> names;
    for (const Pic18Part* part : parts) {
        names.emplace_back(part->name);
    }
    return names;
}

TEST(Pic18Parts, MemorySizesAreTheDataSheets) {
    struct Case {
        const char* name;
        std::uint32_t program;
        std::uint16_t ram;
        std::uint16_t eeprom;
    };
    const std::vector<Case> cases = {
        {"18F4550", 32768, 2048, 256},  // the USB RAM (banks 4 to 7) counted as RAM
        {"18F2455", 24576, 2048, 256},
        {"18F14K50", 16384, 768, 256},  // 512 bytes and the 256-byte USB RAM at 0x200
        {"18F46K22", 65536, 3896, 1024},
        {"18F8722", 131072, 3936, 1024},
        {"18F4620", 65536, 3968, 1024},
        {"18F4680", 65536, 3328, 1024},
        {"18F458", 32768, 1536, 256},
        {"18F4520", 32768, 1536, 256},
        {"18F1220", 4096, 256, 256},
        {"18F2410", 16384, 768, 0},
        {"18C452", 32768, 1536, 0},
        // The data sheet's table says 3,648 bytes, but its memory map (and gputils' header)
        // puts the first register, RXERRCNT, at 0xE41: 0x000-0xE40 is 3,649 bytes.
        {"18F45K80", 32768, 3649, 1024},
        // J parts: flash less the 8 bytes of configuration words at its end (65,532 and
        // 32,764 instructions), no EEPROM; the 18F97J60's RAM has a bank above registers.
        {"18F97J60", 131064, 3808, 0},
        {"18F46J50", 65528, 3776, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Pic18Part& part = Part(c.name);
        EXPECT_EQ(part.programBytes, c.program);
        EXPECT_EQ(part.ramBytes, c.ram);
        EXPECT_EQ(part.eepromBytes, c.eeprom);
    }
}

TEST(Pic18Parts, RegistersAccessBankIdAndConfiguration) {
    struct Case {
        const char* name;
        std::uint16_t sfrBegin;
        std::uint16_t accessSplit;
        Pic18Range id;
        Pic18Range config;
    };
    const std::vector<Case> cases = {
        {"18F4550", 0xF60, 0x60, {0x200000, 0x200008}, {0x300000, 0x30000E}},
        {"18F46K22", 0xF38, 0x60, {0x200000, 0x200008}, {0x300000, 0x30000E}},
        {"18F452", 0xF80, 0x80, {0x200000, 0x200008}, {0x300000, 0x30000E}},
        {"18F4680", 0xD00, 0x60, {0x200000, 0x200008}, {0x300000, 0x30000E}},  // ECAN registers
        {"18F458", 0xF00, 0x60, {0x200000, 0x200008}, {0x300000, 0x30000E}},
        {"18F45K80", 0xE41, 0x60, {0x200000, 0x200008}, {0x300000, 0x30000E}},
        {"18C601", 0xF80, 0x80, {0, 0}, {0x300000, 0x300008}},
        {"18F46J50", 0xEC0, 0x60, {0, 0}, {0xFFF8, 0x10000}},
        {"18F97J60", 0xE80, 0x60, {0, 0}, {0x1FFF8, 0x1FFFE}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Pic18Part& part = Part(c.name);
        EXPECT_EQ(part.sfrBegin, c.sfrBegin);
        EXPECT_EQ(part.accessSplit, c.accessSplit);
        EXPECT_EQ(part.idLocations.begin, c.id.begin);
        EXPECT_EQ(part.idLocations.end, c.id.end);
        EXPECT_EQ(part.configuration.begin, c.config.begin);
        EXPECT_EQ(part.configuration.end, c.config.end);
    }
}

std::vector<std::string> BankText(const Pic18Part& part) {
    static const char* const kKinds[] = {"access RAM", "GPR", "SFR", "access SFR"};
    std::vector<std::string> text;
    for (const Pic18DataBank& bank : DataBanksOf(part)) {
        char line[48];
        std::snprintf(line, sizeof line, "%03X-%03X %s", bank.begin, bank.end - 1,
                      kKinds[static_cast<int>(bank.kind)]);
        text.emplace_back(line);
    }
    return text;
}

TEST(Pic18Parts, DataBanksAreTheLinkerScripts) {
    EXPECT_EQ(BankText(Part("18F4550")),
              (std::vector<std::string>{"000-05F access RAM", "060-0FF GPR", "100-1FF GPR",
                                        "200-2FF GPR", "300-3FF GPR", "400-4FF GPR", "500-5FF GPR",
                                        "600-6FF GPR", "700-7FF GPR", "F60-FFF access SFR"}));
    // The Ethernet parts keep bank 15's start as RAM above the registers at 0xE80.
    const std::vector<std::string> j60 = BankText(Part("18F97J60"));
    ASSERT_EQ(j60.size(), 19u);
    EXPECT_EQ(std::vector<std::string>(j60.end() - 4, j60.end()),
              (std::vector<std::string>{"E00-E7F GPR", "E80-EFF SFR", "F00-F5F GPR",
                                        "F60-FFF access SFR"}));
    EXPECT_EQ(BankText(Part("18F458")).back(), "F60-FFF access SFR");
    EXPECT_EQ(BankText(Part("18F458")).end()[-2], "F00-F5F SFR");
}

// What the regions view and the register test rely on, for every part.
TEST(Pic18Parts, EveryPartsMemoryIsConsistent) {
    for (const Pic18Part& part : AllPic18Parts()) {
        SCOPED_TRACE(std::string(part.name));
        const Pic18Run<Pic18DataBank> banks = DataBanksOf(part);
        ASSERT_GE(banks.size(), 2u);
        EXPECT_EQ(banks[0].begin, 0u);
        EXPECT_EQ(banks[0].end, part.accessSplit);
        EXPECT_EQ(banks[0].kind, Pic18DataKind::kAccessRam);
        EXPECT_EQ(banks[banks.size() - 1].begin, 0xF00u + part.accessSplit);
        EXPECT_EQ(banks[banks.size() - 1].end, 0x1000u);
        EXPECT_EQ(banks[banks.size() - 1].kind, Pic18DataKind::kAccessSfr);
        unsigned ram = 0;
        unsigned lowestRegister = 0x1000;
        unsigned previousEnd = 0;
        for (const Pic18DataBank& bank : banks) {
            EXPECT_GE(bank.begin, previousEnd);
            EXPECT_LT(bank.begin, bank.end);
            EXPECT_EQ(bank.begin >> 8, (bank.end - 1u) >> 8);
            previousEnd = bank.end;
            if (bank.kind == Pic18DataKind::kAccessRam || bank.kind == Pic18DataKind::kGpr) {
                ram += bank.end - bank.begin;
            } else if (lowestRegister == 0x1000) {
                lowestRegister = bank.begin;
            }
        }
        EXPECT_EQ(ram, part.ramBytes);
        EXPECT_EQ(lowestRegister, part.sfrBegin);
        EXPECT_GT(part.programBytes, 0u);
        EXPECT_GT(part.configuration.Size(), 0u);
        // Configuration words in flash lie above the program memory.
        EXPECT_GE(part.configuration.begin, part.programBytes);
    }
}

TEST(Pic18Parts, AllOfGputilsPic18PartsAreListedAndEachLfHasItsTwin) {
    std::size_t f = 0;
    std::size_t lf = 0;
    std::size_t c = 0;
    for (const Pic18Part& part : AllPic18Parts()) {
        const std::string_view name = part.name;
        if (name.substr(0, 4) == "18LF") {
            ++lf;
            // The LF parts differ from their 18F twins in supply voltage only.
            SCOPED_TRACE(std::string(name));
            const Pic18Part& twin = Part("18F" + std::string(name.substr(4)));
            EXPECT_EQ(part.programBytes, twin.programBytes);
            EXPECT_EQ(part.ramBytes, twin.ramBytes);
            EXPECT_EQ(part.eepromBytes, twin.eepromBytes);
            EXPECT_EQ(part.firstBank, twin.firstBank);
        } else if (name.substr(0, 3) == "18F") {
            ++f;
        } else if (name.substr(0, 3) == "18C") {
            ++c;
        } else {
            ADD_FAILURE() << "not a PIC18 name: " << name;
        }
    }
    EXPECT_EQ(f, 241u);
    EXPECT_EQ(lf, 45u);
    EXPECT_EQ(c, 8u);
}

TEST(Pic18Parts, FindsAPartByAnyWayOfWritingItsName) {
    struct Case {
        const char* typed;
        const char* found;  // nullptr: none
    };
    const std::vector<Case> cases = {
        {"18F46K22", "18F46K22"},
        {"pic18f46k22", "18F46K22"},
        {"PIC18F2550", "18F2550"},
        {"Pic18LF46K22", "18LF46K22"},
        {"18lf46k22", "18LF46K22"},
        {"18F14K22LIN", "18F14K22LIN"},
        {"18C242", "18C242"},        // the first of the table
        {"18LF66K80", "18LF66K80"},  // and the last
        {"18F46K23", nullptr},
        {"18LF4550", nullptr},  // gputils has no script for it
        {"18F46K22 ", nullptr},
        {"P18F46K22", nullptr},
        {"PICPIC18F452", nullptr},
        {"PIC", nullptr},
        {"", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        const Pic18Part* part = FindPic18Part(c.typed);
        if (c.found == nullptr) {
            EXPECT_EQ(part, nullptr);
        } else {
            ASSERT_NE(part, nullptr);
            EXPECT_EQ(part->name, c.found);
        }
    }
}

TEST(Pic18Parts, AnUnknownNameGivesTheNearestParts) {
    struct Case {
        const char* typed;
        std::vector<std::string> closest;
    };
    const std::vector<Case> cases = {
        {"PIC18F46K23", {"18F46K22", "18F46K20", "18F46K80"}},
        {"18lf46k23", {"18LF46K22", "18F46K20", "18LF46K80"}},  // no 18LF46K20
        {"18LF4550", {"18F4550", "18LF45J50", "18LF45K50"}},
        {"18F46K42", {"18F46K22", "18F46K20", "18F46K80"}},
        {"PIC18F4580A", {"18F4580", "18F458", "18F4585"}},
        {"18F27Q43", {"18F27J13", "18F27J53"}},
        {"PIC16F877A", {}},
        {"18F", {}},
        {"banana", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        EXPECT_EQ(Names(ClosestPic18Parts(c.typed)), c.closest);
    }
}

}  // namespace
