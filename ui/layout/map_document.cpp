#include "layout/map_document.h"

#include "readers/map_reader.h"

CMapDocument::CMapDocument(std::string bytes, std::string name)
    : m_bytes(std::move(bytes)), m_name(std::move(name)), m_offers(OffersOf(m_bytes)) {
    // Counting once here rejects what is no map before the window lets go of the one it shows.
    m_first = CountMap(m_bytes, m_name, m_offers.calledFor, true, MapView::kObjects, false);
}

SizeTable CMapDocument::Count(SectionRule rule, MapView view, const Pic18Part* part) const {
    if (m_first && rule == m_offers.calledFor && view == MapView::kObjects) {
        SizeTable first = std::move(*m_first);
        m_first.reset();
        return first;
    }
    return CountMap(m_bytes, m_name, rule, true, view, false, part);
}
