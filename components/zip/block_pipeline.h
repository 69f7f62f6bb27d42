// Deflating on every core while the data stays in order: a member is cut
// into blocks of about a megabyte, each block is deflated on a worker thread
// with the 32 KiB before it as its dictionary (so the ratio stays that of
// one stream) and ends on a byte boundary, so the blocks' output joined in
// order is one deflate stream. Stored blocks only get their checksum
// computed. The caller takes the blocks back oldest first.
//
// Levels 1 to 6 deflate with a fast deflater where the build has one (about
// twenty times zlib's speed for an output 2 to 5 % larger); levels 7 to 9
// ask for the smallest output and use zlib.
#pragma once

#include <zlib.h>

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace brindle {

class BlockPipeline {
public:
    // The window before a block: what deflate may refer back to.
    static constexpr std::size_t kDictionaryBytes = 32 << 10;

    struct Block {
        std::vector<unsigned char> data;  // the dictionary, then the input
        std::size_t dictionary = 0;
        bool deflate = false;
        bool first = false;  // first block of its member
        bool last = false;   // last block of its member: the stream ends here
        int level = 6;
        int member = -1;
        // No data of its own: the member is a copy of this earlier member's
        // stored data (the same bytes).
        int copyOf = -1;
        // Results, valid once taken back.
        std::vector<unsigned char> out;  // deflated bytes (deflate only)
        uLong crc = 0;
        bool failed = false;

        const unsigned char* input() const { return data.data() + dictionary; }
        std::size_t inputSize() const { return data.size() - dictionary; }
    };

    // threads workers; at most `window` blocks queued or in work at once.
    BlockPipeline(int threads, std::size_t window);
    ~BlockPipeline();
    BlockPipeline(const BlockPipeline&) = delete;
    BlockPipeline& operator=(const BlockPipeline&) = delete;

    // A block to fill: a recycled one when there is one.
    std::unique_ptr<Block> freshBlock();
    // Hands a block back for reuse once its output is written.
    void recycle(std::unique_ptr<Block> block);

    void push(std::unique_ptr<Block> block);
    bool full() const;
    bool empty() const;
    // The oldest block pushed, once its work is done.
    std::unique_ptr<Block> takeOldest();

    // One worker's deflate state, kept from block to block.
    class Deflater {
    public:
        Deflater();
        ~Deflater();
        Deflater(const Deflater&) = delete;
        Deflater& operator=(const Deflater&) = delete;
        // The work on one block, on the calling thread (also for tests).
        void work(Block& block);

    private:
        bool zlibDeflate(Block& block);
        bool fastDeflate(Block& block);

        z_stream m_zlib;
        int m_zlibLevel = -1;  // no zlib stream yet
        std::vector<unsigned char> m_fastBuffer;
    };

private:
    struct Slot {
        std::unique_ptr<Block> block;
        bool done = false;
    };
    void run();

    mutable std::mutex m_mutex;
    std::condition_variable m_workReady;
    std::condition_variable m_workDone;
    std::deque<std::shared_ptr<Slot>> m_order;  // oldest first
    std::deque<std::shared_ptr<Slot>> m_todo;
    std::vector<std::unique_ptr<Block>> m_spare;
    std::vector<std::thread> m_threads;
    std::size_t m_window;
    bool m_stop = false;
};

}  // namespace brindle
