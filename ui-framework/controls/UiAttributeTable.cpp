#include "controls/UiAttributeTable.h"

namespace Veneer {

UiAttributeNameIndex::UiAttributeNameIndex(std::vector<const wchar_t*> names)
    : m_names(std::move(names)), m_order(m_names.size()) {
    // Insertion sort: stable, so rows of one name keep their table order, and
    // tables are a few dozen rows.
    for (size_t i = 0; i < m_order.size(); ++i) {
        size_t j = i;
        for (; j > 0 && CompareNameNoCase(m_names[m_order[j - 1]], m_names[i]) > 0; --j) m_order[j] = m_order[j - 1];
        m_order[j] = static_cast<unsigned>(i);
    }
}

std::pair<const unsigned*, const unsigned*> UiAttributeNameIndex::Find(const wchar_t* name) const {
    const unsigned* first = m_order.data();
    size_t count = m_order.size();
    while (count > 0) {  // the first row not ordered before `name`
        const size_t half = count / 2;
        if (CompareNameNoCase(m_names[first[half]], name) < 0) {
            first += half + 1;
            count -= half + 1;
        } else {
            count = half;
        }
    }
    const unsigned* last = first;
    const unsigned* const end = m_order.data() + m_order.size();
    while (last != end && CompareNameNoCase(m_names[*last], name) == 0) ++last;
    return {first, last};
}

}  // namespace Veneer
