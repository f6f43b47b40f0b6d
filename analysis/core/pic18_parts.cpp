#include "core/pic18_parts.h"

#include <algorithm>
#include <cstdlib>
#include <iterator>
#include <string>
#include <tuple>
#include <utility>

#include "core/device_profile.h"

namespace {

#include "core/pic18_parts_table.inc"

constexpr bool NamesAreSorted() {
    for (std::size_t i = 1; i < std::size(kPic18Parts); ++i) {
        if (!(kPic18Parts[i - 1].name < kPic18Parts[i].name)) {
            return false;
        }
    }
    return true;
}
static_assert(NamesAreSorted(), "FindPic18Part halves the table by name");

constexpr bool BanksAreInTable() {
    for (const Pic18Part& part : kPic18Parts) {
        if (part.firstBank + part.bankCount > std::size(kPic18DataBanks)) {
            return false;
        }
    }
    return true;
}
static_assert(BanksAreInTable());

constexpr const Pic18Part* FindExact(std::string_view name) {
    for (const Pic18Part& part : kPic18Parts) {
        if (part.name == name) {
            return &part;
        }
    }
    return nullptr;
}

// The fixed devices of the Device menu are parts of the table, and must have its capacities.
constexpr bool FixedDevicesAgreeWithTable() {
    for (const DeviceChoice& choice : kDeviceChoices) {
        if (choice.fromMap) {
            continue;
        }
        const Pic18Part* part = FindExact(choice.name);
        if (part == nullptr || part->programBytes != choice.romCapacity ||
            part->ramBytes != choice.ramCapacity) {
            return false;
        }
    }
    return true;
}
static_assert(FixedDevicesAgreeWithTable(), "kDeviceChoices disagrees with the PIC18 part table");

// The fewest single-character insertions, deletions and substitutions that turn a into b.
std::size_t EditDistance(std::string_view a, std::string_view b) {
    std::vector<std::size_t> previous(b.size() + 1);
    std::vector<std::size_t> current(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j) {
        previous[j] = j;
    }
    for (std::size_t i = 1; i <= a.size(); ++i) {
        current[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t substitution = previous[j - 1] + (a[i - 1] == b[j - 1] ? 0 : 1);
            current[j] = std::min({previous[j] + 1, current[j - 1] + 1, substitution});
        }
        std::swap(previous, current);
    }
    return previous[b.size()];
}

std::size_t CommonBeginning(std::string_view a, std::string_view b) {
    std::size_t n = 0;
    while (n < a.size() && n < b.size() && a[n] == b[n]) {
        ++n;
    }
    return n;
}

// The name with an 18LF part named as its 18F twin: the two differ in supply voltage, not in
// memory, so "18LF4550" is nearer "18F4550" than "18LF45K50".
std::string WithoutLowVoltage(std::string_view name) {
    std::string folded(name);
    if (folded.compare(0, 4, "18LF") == 0) {
        folded.erase(2, 1);
    }
    return folded;
}

constexpr std::size_t kMostSuggestions = 3;
constexpr std::size_t kMostSuggestionEdits = 2;

}  // namespace

std::string TableName(std::string_view name) {
    std::string upper(name);
    for (char& c : upper) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    if (upper.compare(0, 3, "PIC") == 0) {
        upper.erase(0, 3);
    }
    return upper;
}

Pic18Run<Pic18Part> AllPic18Parts() {
    return {std::data(kPic18Parts), std::size(kPic18Parts)};
}

Pic18Run<Pic18DataBank> DataBanksOf(const Pic18Part& part) {
    return {std::data(kPic18DataBanks) + part.firstBank, part.bankCount};
}

const Pic18Part* FindPic18Part(std::string_view name) {
    const std::string wanted = TableName(name);
    const auto found = std::lower_bound(
        std::begin(kPic18Parts), std::end(kPic18Parts), wanted,
        [](const Pic18Part& part, const std::string& key) { return part.name < key; });
    return found != std::end(kPic18Parts) && found->name == wanted ? &*found : nullptr;
}

std::vector<const Pic18Part*> ClosestPic18Parts(std::string_view name) {
    const std::string wanted = TableName(name);
    const std::string wantedFolded = WithoutLowVoltage(wanted);
    // Best first: fewer edits between the names with 18LF folded to 18F, then fewer edits between
    // the names as written, then a longer shared beginning, then the nearer character where they
    // part ("18F46K23" is nearer "18F46K22" than "18F46K20"), then table order.
    using Rank = std::tuple<std::size_t, std::size_t, std::size_t, int, std::size_t>;
    std::vector<Rank> near;
    for (std::size_t i = 0; i < std::size(kPic18Parts); ++i) {
        const std::string_view part = kPic18Parts[i].name;
        // Names that far apart in length are as many edits apart: no need to count them.
        if (wantedFolded.size() > part.size() + kMostSuggestionEdits ||
            part.size() > wantedFolded.size() + kMostSuggestionEdits + 1) {
            continue;
        }
        const std::size_t folded = EditDistance(wantedFolded, WithoutLowVoltage(part));
        if (folded > kMostSuggestionEdits) {
            continue;
        }
        const std::size_t common = CommonBeginning(wanted, part);
        const int gap = common < wanted.size() && common < part.size()
                            ? std::abs(wanted[common] - part[common])
                            : 0;
        near.emplace_back(folded, EditDistance(wanted, part), wanted.size() - common, gap, i);
    }
    std::sort(near.begin(), near.end());
    // An 18F part and its 18LF twin take one place: the nearer of the two.
    std::vector<const Pic18Part*> closest;
    std::vector<std::string> taken;
    for (const Rank& rank : near) {
        const Pic18Part& part = kPic18Parts[std::get<4>(rank)];
        std::string twin = WithoutLowVoltage(part.name);
        if (std::find(taken.begin(), taken.end(), twin) != taken.end()) {
            continue;
        }
        taken.push_back(std::move(twin));
        closest.push_back(&part);
        if (closest.size() == kMostSuggestions) {
            break;
        }
    }
    return closest;
}
