// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "base/error.h"
#include "convert/engine.h"

#include <QByteArray>
#include <QString>

namespace trelvick::files {

// Reads a descriptor that the caller owns, such as standard input; never closes it.
class DescriptorSource : public convert::ByteSource
{
public:
    explicit DescriptorSource(int fd = -1) : m_fd(fd) {}

    int descriptor() const { return m_fd; }
    std::int64_t read(char* buffer, std::int64_t capacity) override;
    base::Error error() const override { return m_error; }

protected:
    int m_fd;
    base::Error m_error;
};

// Writes a descriptor that the caller owns, such as standard output; never closes it.
class DescriptorSink : public convert::ByteSink
{
public:
    explicit DescriptorSink(int fd = -1) : m_fd(fd) {}

    int descriptor() const { return m_fd; }
    bool write(const char* data, std::int64_t size) override;
    base::Error error() const override { return m_error; }

protected:
    int m_fd;
    base::Error m_error;
};

// An input file opened read-only, closed when it goes out of scope. A failed open says why in error().
class InputFile final : public DescriptorSource
{
public:
    InputFile() = default;
    ~InputFile() override;
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    bool open(const QString& path);
    bool open(const QByteArray& nativePath);
    void close();
};

// The whole of a small file (tq.ini, a help file), or the errno that stopped the reading: EISDIR for
// a folder, EFBIG past limit bytes.
base::Expected<QByteArray> readSmallFile(const QString& path, std::int64_t limit);

} // namespace trelvick::files
