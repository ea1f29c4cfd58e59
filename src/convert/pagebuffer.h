// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <new>

namespace trelvick::convert {

// A buffer on page boundaries: the kernel copies into and out of it a good deal faster than into
// the odd offset where a plain allocation of this size starts. Not value-initialised: every byte is
// written before it is read.
class PageBuffer final
{
public:
    explicit PageBuffer(std::int64_t size)
        : m_data(static_cast<unsigned char*>(::operator new(static_cast<std::size_t>(size), kAlignment)))
    {
    }
    ~PageBuffer() { ::operator delete(m_data, kAlignment); }
    PageBuffer(const PageBuffer&) = delete;
    PageBuffer& operator=(const PageBuffer&) = delete;

    unsigned char* get() const { return m_data; }

private:
    static constexpr std::align_val_t kAlignment{4096};
    unsigned char* m_data;
};

} // namespace trelvick::convert
