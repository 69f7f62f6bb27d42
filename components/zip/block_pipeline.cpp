#include "components/zip/block_pipeline.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#if BRINDLE_HAVE_ISAL
#include <isa-l/crc.h>
#include <isa-l/igzip_lib.h>
#endif

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
    Deflater deflater;
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
        deflater.work(*slot->block);
        {
            std::lock_guard lock(m_mutex);
            slot->done = true;
        }
        m_workDone.notify_all();
    }
}

BlockPipeline::Deflater::Deflater() {
    std::memset(&m_zlib, 0, sizeof m_zlib);
}

BlockPipeline::Deflater::~Deflater() {
    if (m_zlibLevel >= 0) {
        deflateEnd(&m_zlib);
    }
}

void BlockPipeline::Deflater::work(Block& block) {
    const std::size_t size = block.inputSize();
#if BRINDLE_HAVE_ISAL
    block.crc = crc32_gzip_refl(0, block.input(), std::uint64_t(size));
#else
    block.crc = crc32_z(0, block.input(), size);
#endif
    if (!block.deflate) {
        return;
    }
    // Room for the whole output at once in all but odd cases; both paths
    // grow it when not.
    block.out.resize(size + size / 8 + 1024);
#if BRINDLE_HAVE_ISAL
    const bool ok = block.level <= 6 ? fastDeflate(block) : zlibDeflate(block);
#else
    const bool ok = zlibDeflate(block);
#endif
    if (!ok) {
        block.failed = true;
        block.out.clear();
    }
}

bool BlockPipeline::Deflater::zlibDeflate(Block& block) {
    if (m_zlibLevel != block.level) {
        if (m_zlibLevel >= 0) {
            deflateEnd(&m_zlib);
        }
        std::memset(&m_zlib, 0, sizeof m_zlib);
        m_zlibLevel = -1;
        // Raw deflate: the zip headers carry the checksum and sizes.
        if (deflateInit2(&m_zlib, block.level, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) !=
            Z_OK) {
            return false;
        }
        m_zlibLevel = block.level;
    } else if (deflateReset(&m_zlib) != Z_OK) {
        return false;
    }
    if (block.dictionary > 0 &&
        deflateSetDictionary(&m_zlib, block.data.data(), uInt(block.dictionary)) != Z_OK) {
        return false;
    }
    m_zlib.next_in = const_cast<Bytef*>(block.input());
    m_zlib.avail_in = uInt(block.inputSize());
    m_zlib.next_out = block.out.data();
    m_zlib.avail_out = uInt(block.out.size());
    const int flush = block.last ? Z_FINISH : Z_SYNC_FLUSH;
    for (;;) {
        const int result = deflate(&m_zlib, flush);
        if (result == Z_STREAM_ERROR) {
            return false;
        }
        if (block.last ? result == Z_STREAM_END : m_zlib.avail_in == 0 && m_zlib.avail_out > 0) {
            break;
        }
        if (m_zlib.avail_out == 0) {
            const std::size_t used = block.out.size();
            block.out.resize(used * 2);
            m_zlib.next_out = block.out.data() + used;
            m_zlib.avail_out = uInt(block.out.size() - used);
        }
    }
    block.out.resize(block.out.size() - m_zlib.avail_out);
    return true;
}

bool BlockPipeline::Deflater::fastDeflate(Block& block) {
#if BRINDLE_HAVE_ISAL
    // zlib's levels 1 to 6 onto the fast deflater's 1 to 3.
    const std::uint32_t level = block.level <= 1 ? 1 : block.level <= 5 ? 2 : 3;
    if (m_fastBuffer.empty()) {
        m_fastBuffer.resize(
            std::max({ISAL_DEF_LVL1_DEFAULT, ISAL_DEF_LVL2_DEFAULT, ISAL_DEF_LVL3_DEFAULT}));
    }
    isal_zstream stream;
    isal_deflate_init(&stream);
    stream.level = level;
    stream.level_buf = m_fastBuffer.data();
    stream.level_buf_size = std::uint32_t(m_fastBuffer.size());
    stream.gzip_flag = IGZIP_DEFLATE;  // raw: the zip headers carry checksum and sizes
    // Each block ends on a byte boundary so the blocks join into one stream;
    // only the member's last block closes it.
    stream.flush = SYNC_FLUSH;
    stream.end_of_stream = block.last ? 1 : 0;
    if (block.dictionary > 0 && isal_deflate_set_dict(&stream, block.data.data(),
                                                      std::uint32_t(block.dictionary)) != COMP_OK) {
        return false;
    }
    stream.next_in = const_cast<std::uint8_t*>(block.input());
    stream.avail_in = std::uint32_t(block.inputSize());
    stream.next_out = block.out.data();
    stream.avail_out = std::uint32_t(block.out.size());
    int idle = 0;
    for (;;) {
        if (isal_deflate(&stream) != COMP_OK) {
            return false;
        }
        const bool finished = block.last ? stream.internal_state.state == ZSTATE_END
                                         : stream.avail_in == 0 && stream.avail_out > 0;
        if (finished) {
            break;
        }
        if (stream.avail_out == 0) {
            const std::size_t used = block.out.size();
            block.out.resize(used * 2);
            stream.next_out = block.out.data() + used;
            stream.avail_out = std::uint32_t(block.out.size() - used);
        } else if (++idle > 2) {
            return false;  // room left yet unfinished: a fault, never a hang
        }
    }
    block.out.resize(block.out.size() - stream.avail_out);
    return true;
#else
    (void)block;
    return false;
#endif
}

}  // namespace brindle
