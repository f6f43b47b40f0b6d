#include "layout/map_document.h"

#include "readers/map_reader.h"
#include "readers/mplink/mplink_map.h"

CMapDocument::CMapDocument(std::string bytes, std::string name)
    : m_bytes(std::move(bytes)), m_name(std::move(name)) {
    m_mplink = IsMplinkMap(m_bytes);
    m_calledFor = RuleForMap(m_bytes);
    m_hasTable = m_calledFor == SectionRule::kAll || m_bytes.find("Selector") != std::string::npos;
    // Counting once here rejects what is no map before the window lets go of the one it shows.
    m_first = CountMap(m_bytes, m_name, m_calledFor, true, MapView::kObjects, false);
}

bool CMapDocument::Offers(SectionRule rule) const {
    if (m_mplink) {
        return rule == SectionRule::kAll;
    }
    return rule == SectionRule::kListed || m_hasTable;
}

bool CMapDocument::Offers(MapView view) const {
    switch (view) {
        case MapView::kObjects:
            return true;
        case MapView::kModules:
            return !m_mplink && m_hasTable &&
                   m_bytes.find("MODULE INFORMATION") != std::string::npos;
        case MapView::kSymbols:
            return !m_mplink && m_hasTable && m_bytes.find("__end_of_") != std::string::npos;
    }
    return false;
}

SizeTable CMapDocument::Count(SectionRule rule, MapView view) const {
    if (m_first && rule == m_calledFor && view == MapView::kObjects) {
        SizeTable first = std::move(*m_first);
        m_first.reset();
        return first;
    }
    return CountMap(m_bytes, m_name, rule, true, view, false);
}
