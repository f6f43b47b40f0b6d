#include "core/map_error.h"

#include "text/visible_text.h"

namespace {

std::string Describe(const std::string& file, long line, const std::string& detail) {
    std::string text;
    AssignVisibleName(text, file);
    if (line > 0) {
        text += ':';
        text += std::to_string(line);
    }
    text += ": ";
    text += detail;
    return text;
}

}  // namespace

MapError::MapError(std::string file, long line, std::string detail, Kind kind, int systemError)
    : std::runtime_error(Describe(file, line, detail)),
      m_file(std::move(file)),
      m_line(line),
      m_detail(std::move(detail)),
      m_kind(kind),
      m_systemError(systemError) {}

std::string QuoteForMessage(std::string_view text, std::size_t shown) {
    std::string visible;
    AssignVisibleName(visible, text.substr(0, shown));
    std::string quoted = "'" + visible;
    if (text.size() > shown) {
        quoted += "...";
    }
    quoted += "'";
    return quoted;
}
