// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "convert/engine.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace trelvick::convert {

// The UTF-8 byte-order mark, as written at the start of a file.
inline constexpr std::string_view kUtf8Mark = "\xef\xbb\xbf";

// A UTF-8 source without the byte-order mark it may start with. Only the very start counts; a start
// that merely looks like a mark (EF BB and then something else) is text and is given back whole,
// however the reads split it.
class MarkSource final : public ByteSource
{
public:
    explicit MarkSource(ByteSource& inner) : m_inner(inner) {}

    std::int64_t read(char* buffer, std::int64_t capacity) override;
    base::Error error() const override { return m_inner.error(); }

private:
    ByteSource& m_inner;
    bool m_checked = false;
    std::string m_held; // read while deciding, not yet given
};

} // namespace trelvick::convert
