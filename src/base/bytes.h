// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "base/error.h"

#include <cstdint>

namespace trelvick::base {

// Where bytes are read from and written to: a file, a pipe, a string, another stream's result. The
// engine converts from one into the other; the detector reads the start of one. Each tells why its
// last call failed.
class ByteSource
{
public:
    virtual ~ByteSource() = default;
    // Bytes read (0 at the end), or -1 on failure.
    virtual std::int64_t read(char* buffer, std::int64_t capacity) = 0;
    virtual Error error() const = 0;
};

class ByteSink
{
public:
    virtual ~ByteSink() = default;
    // All bytes written, or false on failure.
    virtual bool write(const char* data, std::int64_t size) = 0;
    virtual Error error() const = 0;
};

} // namespace trelvick::base
