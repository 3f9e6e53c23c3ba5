// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/evaluator/code_pool.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstring>
#include <list>
#include <mutex>
#include <new>
#include <unordered_map>

namespace curvane {

struct TCodeChunk {
    std::uint8_t* Base = nullptr;
    std::size_t Size = 0;
    std::size_t Sealed = 0;  // [0, Sealed) is read-execute, the rest read-write
    std::size_t Used = 0;    // bytes written; Used >= Sealed
    int Live = 0;            // blocks in use that point into this chunk
    std::vector<TCodeEntry*> Entries;
};

struct TCodeEntry {
    TCodeChunk* Chunk;
    std::size_t Offset;
    std::size_t Size;
    std::uint64_t Hash;
    int Live = 0;
};

namespace {

std::size_t PageSize() {
    static const std::size_t page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
    return page;
}

std::size_t RoundUp(std::size_t n, std::size_t unit) { return (n + unit - 1) / unit * unit; }

// Eight bytes per step: a routine is hashed at every compile, so this is on
// the path whose cost a user feels when typing a formula.
std::uint64_t HashBytes(const std::uint8_t* bytes, std::size_t size) {
    std::uint64_t h = 0x9E3779B97F4A7C15ull ^ size;
    std::size_t i = 0;
    for (; i + 8 <= size; i += 8) {
        std::uint64_t word;
        std::memcpy(&word, bytes + i, 8);
        h = (h ^ word) * 0xFF51AFD7ED558CCDull;
        h ^= h >> 29;
    }
    for (; i < size; ++i) h = (h ^ bytes[i]) * 1099511628211ull;
    return h;
}

class TCodePool {
public:
    static TCodePool& Instance() {
        // Never destroyed: blocks held by static objects may outlive it.
        static TCodePool* pool = new TCodePool;
        return *pool;
    }

    std::mutex Mutex;
    std::size_t Seals = 0;
    std::size_t Mapped = 0;

    TCodeEntry* Acquire(const std::uint8_t* bytes, std::size_t size) {
        const std::uint64_t hash = HashBytes(bytes, size);
        auto range = FByHash.equal_range(hash);
        for (auto it = range.first; it != range.second; ++it) {
            TCodeEntry* e = it->second;
            if (e->Size == size && std::memcmp(e->Chunk->Base + e->Offset, bytes, size) == 0) {
                Retain(e);
                return e;
            }
        }
        TCodeChunk* chunk = ChunkWithRoom(size);
        auto* e = new TCodeEntry{chunk, chunk->Used, size, hash};
        std::memcpy(chunk->Base + chunk->Used, bytes, size);
        chunk->Used += RoundUp(size, 16);
        chunk->Entries.push_back(e);
        FByHash.emplace(hash, e);
        Retain(e);
        return e;
    }

    void Release(TCodeEntry* e) {
        --e->Live;
        --e->Chunk->Live;
    }

    const void* Seal(TCodeEntry* e) {
        TCodeChunk* c = e->Chunk;
        if (e->Offset >= c->Sealed) {
            const std::size_t end = RoundUp(c->Used, PageSize());
            if (mprotect(c->Base + c->Sealed, end - c->Sealed, PROT_READ | PROT_EXEC) != 0)
                throw std::bad_alloc();
            c->Sealed = end;
            c->Used = end;
            ++Seals;
        }
        return c->Base + e->Offset;
    }

private:
    void Retain(TCodeEntry* e) {
        ++e->Live;
        ++e->Chunk->Live;
    }

    TCodeChunk* ChunkWithRoom(std::size_t size) {
        const std::size_t need = RoundUp(size, 16);
        if (FCurrent && FCurrent->Size - FCurrent->Used >= need) return FCurrent;
        if (Mapped > RetainBytes) ReleaseUnused();
        const std::size_t bytes = RoundUp(std::max(need, CodeChunkBytes), PageSize());
        void* p = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (p == MAP_FAILED) throw std::bad_alloc();
        auto* chunk = new TCodeChunk;
        chunk->Base = static_cast<std::uint8_t*>(p);
        chunk->Size = bytes;
        Mapped += bytes;
        FChunks.push_back(chunk);
        // A huge routine gets a chunk of its own; the current chunk keeps
        // taking the small ones.
        if (!FCurrent || need <= CodeChunkBytes) FCurrent = chunk;
        return chunk;
    }

    void ReleaseUnused() {
        for (auto it = FChunks.begin(); it != FChunks.end();) {
            TCodeChunk* c = *it;
            if (c == FCurrent || c->Live > 0) {
                ++it;
                continue;
            }
            for (TCodeEntry* e : c->Entries) {
                auto range = FByHash.equal_range(e->Hash);
                for (auto h = range.first; h != range.second; ++h) {
                    if (h->second == e) {
                        FByHash.erase(h);
                        break;
                    }
                }
                delete e;
            }
            munmap(c->Base, c->Size);
            Mapped -= c->Size;
            delete c;
            it = FChunks.erase(it);
        }
    }

    std::list<TCodeChunk*> FChunks;
    TCodeChunk* FCurrent = nullptr;
    std::unordered_multimap<std::uint64_t, TCodeEntry*> FByHash;
};

}  // namespace

std::shared_ptr<TCodeBlock> AcquireCode(const std::uint8_t* bytes, std::size_t size) {
    TCodePool& pool = TCodePool::Instance();
    std::lock_guard lock(pool.Mutex);
    return std::shared_ptr<TCodeBlock>(new TCodeBlock(pool.Acquire(bytes, size)));
}

TCodeBlock::~TCodeBlock() {
    TCodePool& pool = TCodePool::Instance();
    std::lock_guard lock(pool.Mutex);
    pool.Release(FEntry);
}

const void* TCodeBlock::Seal() {
    TCodePool& pool = TCodePool::Instance();
    std::lock_guard lock(pool.Mutex);
    return pool.Seal(FEntry);
}

std::vector<std::uint8_t> TCodeBlock::Bytes() const {
    const std::uint8_t* p = FEntry->Chunk->Base + FEntry->Offset;
    return std::vector<std::uint8_t>(p, p + FEntry->Size);
}

std::size_t TCodeBlock::Size() const { return FEntry->Size; }

std::size_t TCodeBlock::SealCount() {
    TCodePool& pool = TCodePool::Instance();
    std::lock_guard lock(pool.Mutex);
    return pool.Seals;
}

std::size_t TCodeBlock::MappedBytes() {
    TCodePool& pool = TCodePool::Instance();
    std::lock_guard lock(pool.Mutex);
    return pool.Mapped;
}

}  // namespace curvane
