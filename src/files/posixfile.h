#pragma once

#include "convert/engine.h"

#include <QString>

namespace trelvick::files {

// An input file opened read-only, closed when it goes out of scope.
class InputFile final : public convert::ByteSource
{
public:
    InputFile() = default;
    ~InputFile() override;
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    bool open(const QString& path);
    bool isOpen() const { return m_fd >= 0; }
    int descriptor() const { return m_fd; }
    void close();

    std::int64_t read(char* buffer, std::int64_t capacity) override;
    QString errorString() const override { return m_error; }

private:
    int m_fd = -1;
    QString m_error;
};

// An output file created (or truncated) for writing, closed when it goes out of scope.
class OutputFile final : public convert::ByteSink
{
public:
    OutputFile() = default;
    ~OutputFile() override;
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    bool create(const QString& path);
    bool isOpen() const { return m_fd >= 0; }
    // Closes the file; false (with errorString) when the system reports a late write failure.
    bool close();

    bool write(const char* data, std::int64_t size) override;
    QString errorString() const override { return m_error; }

private:
    int m_fd = -1;
    QString m_error;
};

} // namespace trelvick::files
