#include "allocator.h"

#include "plixtalk_api.h"

#include <cstdio>
#include <mutex>
#include <new>
#include <unordered_map>

namespace standin {

namespace {

struct Ledger
{
    std::mutex mutex;
    std::unordered_map<void *, std::size_t> blocks;
    long long misuses = 0;
};

Ledger &ledger()
{
    static Ledger instance;
    return instance;
}

// The library's own sigslot nodes come from the same hooks as the program's.
[[maybe_unused]] const bool hooksInstalled = [] {
    sigslot::set_allocator(&PlixTalk_EASTLAllocator, &PlixTalk_EASTLDeleter);
    return true;
}();

} // namespace

void *Allocator::allocate(std::size_t size)
{
    void *pointer = ::operator new(size ? size : 1);
    Ledger &l = ledger();
    const std::lock_guard<std::mutex> lock(l.mutex);
    l.blocks.emplace(pointer, size);
    return pointer;
}

void Allocator::deallocate(void *pointer, std::size_t size)
{
    if (!pointer)
        return;
    Ledger &l = ledger();
    {
        const std::lock_guard<std::mutex> lock(l.mutex);
        const auto it = l.blocks.find(pointer);
        if (it == l.blocks.end()) {
            // Not ours: freeing it would corrupt the heap, so leave it.
            ++l.misuses;
            std::fprintf(stderr, "plixtalk: free of unknown block %p (%zu bytes)\n", pointer, size);
            return;
        }
        if (it->second != size) {
            ++l.misuses;
            std::fprintf(stderr, "plixtalk: block %p of %zu bytes freed as %zu bytes\n", pointer, it->second,
                         size);
        }
        l.blocks.erase(it);
    }
    ::operator delete(pointer);
}

long long Allocator::balance()
{
    Ledger &l = ledger();
    const std::lock_guard<std::mutex> lock(l.mutex);
    return static_cast<long long>(l.blocks.size());
}

long long Allocator::misuses()
{
    Ledger &l = ledger();
    const std::lock_guard<std::mutex> lock(l.mutex);
    return l.misuses;
}

} // namespace standin

void *PlixTalk_EASTLAllocator(std::size_t size)
{
    return standin::Allocator::allocate(size);
}

void PlixTalk_EASTLDeleter(void *pointer, std::size_t size)
{
    standin::Allocator::deallocate(pointer, size);
}
