// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "convert/engine.h"
#include "convert/pagebuffer.h"

#include <condition_variable>
#include <cstdint>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace trelvick::convert {

// Reads a source on a thread of its own into a ring of blocks and processes (maps) each there, ahead
// of the caller, who writes the blocks already done meanwhile. Reading a file out of the system's
// cache and mapping it cost about as much as writing it, so each side gets a processor.
//
//     for (auto block = reader.next(); block.read > 0; block = reader.next()) { ...write...; reader.release(); }
//
// Only the reading thread touches the source and calls process until the object is destroyed; it
// stops at the end or at the first failed read, whose block is the last one next() gives.
class ReadAhead final
{
public:
    struct Block
    {
        std::int64_t read = 0; // bytes read: 0 at the end, -1 when the read failed
        const unsigned char* data = nullptr;
        std::int64_t size = 0; // of the output
        Counts counts;         // from process, after this block
    };
    // Called on the reading thread with the bytes of each read, which have readOffset bytes of room
    // before them; returns the output, which lies within the block (read is filled in).
    using Process = std::function<Block(unsigned char* data, std::int64_t size)>;

    // Each read asks for blockCapacity - readOffset bytes at readOffset into a block; depth blocks
    // (at least 1) may be read ahead. Throws std::system_error when the system has no thread to spare.
    ReadAhead(ByteSource& source, Process process, std::int64_t blockCapacity, std::int64_t readOffset, int depth);
    // Stops the thread after the read under way, if any, and joins it.
    ~ReadAhead();
    ReadAhead(const ReadAhead&) = delete;
    ReadAhead& operator=(const ReadAhead&) = delete;

    // The next block in the order read, waiting for it if need be. An exception from the source or
    // from process comes out here, in its place.
    Block next();
    // Gives the block from next() back to be read into again.
    void release();

private:
    void run();
    unsigned char* block(std::size_t index) const
    {
        return m_memory.get() + static_cast<std::int64_t>(index) * m_capacity;
    }

    ByteSource& m_source;
    const Process m_process;
    const std::int64_t m_capacity;
    const std::int64_t m_offset;
    const PageBuffer m_memory; // the blocks one after another
    std::vector<Block> m_read; // what each block holds
    // Whoever has to wait sleeps until this many blocks are ready (the caller, who waits only when
    // none is) or free (the reader, who waits only when none is): one wake-up for several blocks.
    const std::size_t m_batch;

    // Everything below is guarded by m_mutex; m_changed is notified whenever what one side waits
    // for comes true, so neither needs to know whether the other sleeps.
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::size_t m_head = 0;  // the next block to read into
    std::size_t m_tail = 0;  // the next block for the caller
    std::size_t m_ready = 0; // blocks read and not yet given back
    bool m_stop = false;     // the caller wants no more
    bool m_done = false;     // the reader has queued its last block: the end or a failure
    std::exception_ptr m_exception;
    std::thread m_thread; // last: started once everything above is in place
};

} // namespace trelvick::convert
