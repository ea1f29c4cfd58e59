#pragma once

#include "convert/engine.h"
#include "convert/pagebuffer.h"

#include <condition_variable>
#include <cstdint>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

namespace trelvick::convert {

// Writes blocks to a sink on a thread of its own, in the order they were queued, so that the caller
// reads and maps the next blocks meanwhile. The caller fills one block at a time:
//
//     while (unsigned char* block = writer.nextBlock()) { ...fill size bytes...; writer.queue(size); }
//     const bool written = writer.finish();
//
// Only the writing thread touches the sink until finish() returns or the object is destroyed; after
// a failed write it writes nothing more and nextBlock() gives nullptr.
class WriteBehind final
{
public:
    // Throws std::system_error when the system has no thread to spare.
    WriteBehind(ByteSink& sink, std::int64_t blockCapacity, int depth);
    // Stops at the block being written, drops the rest and joins: for leaving early.
    ~WriteBehind();
    WriteBehind(const WriteBehind&) = delete;
    WriteBehind& operator=(const WriteBehind&) = delete;

    // A free block of blockCapacity bytes, waiting for one if need be; nullptr once a write failed.
    unsigned char* nextBlock();
    // Queues the first size bytes of the block nextBlock() gave last.
    void queue(std::int64_t size);
    // Waits until every queued block is written or one write failed and joins the thread; false when a
    // write failed. An exception from the sink comes out here.
    bool finish();

private:
    void run();

    ByteSink& m_sink;
    const std::int64_t m_capacity;
    const PageBuffer m_memory;         // the blocks one after another
    std::vector<std::int64_t> m_sizes; // of each block as queued
    std::mutex m_mutex;
    std::condition_variable m_filled; // the writer waits here for a queued block or the end
    std::condition_variable m_freed;  // the caller waits here for a free block
    std::size_t m_head = 0;           // the next block to fill
    std::size_t m_tail = 0;           // the next block to write
    std::size_t m_queued = 0;
    // Whoever has to wait sleeps until this many blocks are queued (the writer) or free (the caller):
    // one wake-up per several blocks rather than one per block.
    const std::size_t m_batch;
    bool m_closing = false;
    bool m_dropRest = false;
    bool m_failed = false;
    bool m_writerWaits = false;
    bool m_callerWaits = false;
    std::exception_ptr m_exception;
    std::thread m_thread; // last: started once everything above is in place
};

} // namespace trelvick::convert
