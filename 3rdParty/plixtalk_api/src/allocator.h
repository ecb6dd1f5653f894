#ifndef STANDIN_ALLOCATOR_H
#define STANDIN_ALLOCATOR_H

#include <cstddef>

namespace standin {

// Bookkeeping behind PlixTalk_EASTLAllocator and PlixTalk_EASTLDeleter: every
// block handed out is remembered with its size until it comes back.
class Allocator
{
public:
    static void *allocate(std::size_t size);
    static void deallocate(void *pointer, std::size_t size);

    // Blocks handed out and not given back.
    static long long balance();
    // Frees of unknown blocks or with a size other than the one asked for.
    static long long misuses();
};

} // namespace standin

#endif // STANDIN_ALLOCATOR_H
