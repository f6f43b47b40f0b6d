#include "layout/saved_report.h"

namespace {

// The name of the file a path names, and where its extension starts (its end when it has none).
std::size_t NameStart(const std::wstring& path) {
    const std::size_t separator = path.find_last_of(L"\\/:");
    return separator == std::wstring::npos ? 0 : separator + 1;
}

std::size_t ExtensionStart(const std::wstring& path) {
    const std::size_t name = NameStart(path);
    const std::size_t dot = path.find_last_of(L'.');
    return dot == std::wstring::npos || dot <= name ? path.size() : dot;
}

std::wstring StemOf(const std::wstring& path) {
    const std::size_t name = NameStart(path);
    return path.substr(name, ExtensionStart(path) - name);
}

}  // namespace

std::wstring SaveFilter() {
    std::wstring filter;
    for (const SaveFormat& kind : kSaveFormats) {
        filter += std::wstring(kind.description) + L"|*." + kind.extension + L"|";
    }
    return filter + L"|";
}

std::size_t SaveFormatNamed(const std::string& name) {
    for (std::size_t place = 0; place < kSaveFormats.size(); ++place) {
        if (SaveFormatName(place) == name) {
            return place;
        }
    }
    return 0;
}

std::string SaveFormatName(std::size_t place) {
    for (const FormatChoice& choice : kFormatChoices) {
        if (place < kSaveFormats.size() && choice.format == kSaveFormats[place].format) {
            return std::string(choice.name);
        }
    }
    return {};
}

std::wstring ReportFileName(const std::wstring& mapPath, std::size_t format) {
    return StemOf(mapPath) + L"." + kSaveFormats[format].extension;
}

std::wstring WithReportExtension(const std::wstring& path, std::size_t format) {
    if (ExtensionStart(path) != path.size()) {
        return path;
    }
    return path + L"." + kSaveFormats[format].extension;
}

std::wstring PictureFileName(const std::wstring& mapPath, const std::wstring& olderPath) {
    std::wstring name = StemOf(mapPath);
    if (!olderPath.empty()) {
        name += L" since " + StemOf(olderPath);
    }
    return name + L".html";
}

std::string TotalChangeText(const std::vector<ReportColumn>& columns, const TableRow& total) {
    std::string text;
    for (const Memory& memory : kMemories) {
        const std::string field = std::string(memory.field) + "_change";
        for (std::size_t column = 0; column < columns.size() && column < total.cells.size();
             ++column) {
            if (columns[column].field == field) {
                text += (text.empty() ? "" : ", ") + std::string(memory.word) + " " +
                        total.cells[column];
            }
        }
    }
    return text.empty() ? text : text + " bytes";
}
