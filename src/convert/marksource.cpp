// SPDX-License-Identifier: GPL-3.0-or-later
#include "convert/marksource.h"

#include <algorithm>
#include <cstring>

namespace trelvick::convert {

std::int64_t MarkSource::read(char* buffer, std::int64_t capacity)
{
    if (!m_checked) {
        // Three bytes decide, and a pipe may hand them over one at a time.
        char start[kUtf8Mark.size()];
        std::size_t have = 0;
        while (have < sizeof start) {
            const std::int64_t got = m_inner.read(start + have, std::int64_t(sizeof start - have));
            if (got < 0)
                return got;
            if (got == 0)
                break;
            have += std::size_t(got);
        }
        m_checked = true;
        if (std::string_view(start, have) != kUtf8Mark)
            m_held.assign(start, have);
    }
    if (m_held.empty())
        return m_inner.read(buffer, capacity);
    const std::size_t given = std::min(m_held.size(), std::size_t(std::max<std::int64_t>(capacity, 0)));
    std::memcpy(buffer, m_held.data(), given);
    m_held.erase(0, given);
    return std::int64_t(given);
}

} // namespace trelvick::convert
