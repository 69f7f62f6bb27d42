#include "components/zip/block_pipeline.h"

#include <cstring>

namespace brindle {

BlockPipeline::BlockPipeline(int threads, std::size_t window) : m_window(window < 1 ? 1 : window) {
    for (int i = 0; i < (threads < 1 ? 1 : threads); ++i) {
        m_threads.emplace_back([this] { run(); });
    }
}

BlockPipeline::~BlockPipeline() {
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
        m_todo.clear();
    }
    m_workReady.notify_all();
    for (std::thread& t : m_threads) {
        t.join();
    }
}

std::unique_ptr<BlockPipeline::Block> BlockPipeline::freshBlock() {
    if (m_spare.empty()) {
        return std::make_unique<Block>();
    }
    std::unique_ptr<Block> block = std::move(m_spare.back());
    m_spare.pop_back();
    return block;
}

void BlockPipeline::recycle(std::unique_ptr<Block> block) {
    block->data.clear();
    block->out.clear();
    block->dictionary = 0;
    block->copyOf = -1;
    block->first = block->last = block->failed = false;
    block->crc = 0;
    m_spare.push_back(std::move(block));
}

void BlockPipeline::push(std::unique_ptr<Block> block) {
    auto slot = std::make_shared<Slot>();
    slot->block = std::move(block);
    {
        std::lock_guard lock(m_mutex);
        m_order.push_back(slot);
        m_todo.push_back(std::move(slot));
    }
    m_workReady.notify_one();
}

bool BlockPipeline::full() const {
    std::lock_guard lock(m_mutex);
    return m_order.size() >= m_window;
}

bool BlockPipeline::empty() const {
    std::lock_guard lock(m_mutex);
    return m_order.empty();
}

std::unique_ptr<BlockPipeline::Block> BlockPipeline::takeOldest() {
    std::unique_lock lock(m_mutex);
    if (m_order.empty()) {
        return nullptr;
    }
    std::shared_ptr<Slot> slot = m_order.front();
    m_workDone.wait(lock, [&] { return slot->done; });
    m_order.pop_front();
    return std::move(slot->block);
}

void BlockPipeline::run() {
    z_stream stream;
    std::memset(&stream, 0, sizeof stream);
    int level = -1;  // no stream yet
    for (;;) {
        std::shared_ptr<Slot> slot;
        {
            std::unique_lock lock(m_mutex);
            m_workReady.wait(lock, [&] { return m_stop || !m_todo.empty(); });
            if (m_stop) {
                break;
            }
            slot = std::move(m_todo.front());
            m_todo.pop_front();
        }
        work(*slot->block, stream, level);
        {
            std::lock_guard lock(m_mutex);
            slot->done = true;
        }
        m_workDone.notify_all();
    }
    if (level >= 0) {
        deflateEnd(&stream);
    }
}

void BlockPipeline::work(Block& block, z_stream& stream, int& streamLevel) {
    const std::size_t size = block.inputSize();
    block.crc = crc32_z(0, block.input(), size);
    if (!block.deflate) {
        return;
    }
    if (streamLevel != block.level) {
        if (streamLevel >= 0) {
            deflateEnd(&stream);
        }
        std::memset(&stream, 0, sizeof stream);
        // Raw deflate: the zip headers carry the checksum and sizes.
        if (deflateInit2(&stream, block.level, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) !=
            Z_OK) {
            streamLevel = -1;
            block.failed = true;
            return;
        }
        streamLevel = block.level;
    } else if (deflateReset(&stream) != Z_OK) {
        block.failed = true;
        return;
    }
    if (block.dictionary > 0 &&
        deflateSetDictionary(&stream, block.data.data(), uInt(block.dictionary)) != Z_OK) {
        block.failed = true;
        return;
    }
    block.out.resize(deflateBound(&stream, uLong(size)) + 64);
    stream.next_in = const_cast<Bytef*>(block.input());
    stream.avail_in = uInt(size);
    stream.next_out = block.out.data();
    stream.avail_out = uInt(block.out.size());
    const int flush = block.last ? Z_FINISH : Z_SYNC_FLUSH;
    for (;;) {
        const int result = deflate(&stream, flush);
        if (result == Z_STREAM_ERROR) {
            block.failed = true;
            return;
        }
        if (block.last ? result == Z_STREAM_END : stream.avail_in == 0 && stream.avail_out > 0) {
            break;
        }
        if (stream.avail_out == 0) {
            const std::size_t used = block.out.size();
            block.out.resize(used * 2);
            stream.next_out = block.out.data() + used;
            stream.avail_out = uInt(block.out.size() - used);
        }
    }
    block.out.resize(block.out.size() - stream.avail_out);
}

}  // namespace brindle
