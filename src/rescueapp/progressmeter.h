// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QElapsedTimer>
#include <cstdint>
#include <optional>

namespace trelvick::rescueapp {

// How far a job has got through the plan's files and bytes, and how long the rest should take at the
// pace so far.
class ProgressMeter final
{
public:
    void start(std::int64_t totalFiles, std::int64_t totalBytes)
    {
        m_totalFiles = totalFiles;
        m_totalBytes = totalBytes;
        m_files = m_bytes = 0;
        m_clock.start();
    }
    void update(std::int64_t files, std::int64_t bytes)
    {
        m_files = files;
        m_bytes = bytes;
    }
    void finish() { update(m_totalFiles, m_totalBytes); }

    std::int64_t files() const { return m_files; }
    std::int64_t totalFiles() const { return m_totalFiles; }
    std::int64_t bytes() const { return m_bytes; }
    std::int64_t totalBytes() const { return m_totalBytes; }
    // 0..1000, by bytes (by files where there are no bytes).
    int permille() const
    {
        if (m_totalBytes > 0)
            return int(std::min<std::int64_t>(1000, m_bytes * 1000 / m_totalBytes));
        return m_totalFiles > 0 ? int(std::min<std::int64_t>(1000, m_files * 1000 / m_totalFiles)) : 0;
    }
    // Nothing until the pace can be told: a second gone and a few percent done.
    std::optional<std::int64_t> secondsLeft() const
    {
        const qint64 elapsed = m_clock.isValid() ? m_clock.elapsed() : 0;
        const int done = permille();
        if (elapsed < kSettleMs || done < kSettlePermille)
            return std::nullopt;
        return (elapsed * (1000 - done) / done + 999) / 1000;
    }

private:
    static constexpr qint64 kSettleMs = 1000;
    static constexpr int kSettlePermille = 20;

    QElapsedTimer m_clock;
    std::int64_t m_totalFiles = 0, m_totalBytes = 0, m_files = 0, m_bytes = 0;
};

} // namespace trelvick::rescueapp
