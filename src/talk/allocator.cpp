#include "allocator.h"

#include "sigslot.h"

#include <new>

namespace talk {

namespace {

PlixTalkAllocatorFunction s_allocate = nullptr;
PlixTalkDeleterFunction s_deallocate = nullptr;

} // namespace

void *allocate(std::size_t size)
{
    return s_allocate ? s_allocate(size) : ::operator new(size);
}

void deallocate(void *pointer, std::size_t size)
{
    if (s_deallocate)
        s_deallocate(pointer, size);
    else
        ::operator delete(pointer);
}

void installAllocator(PlixTalkAllocatorFunction allocateHook, PlixTalkDeleterFunction deallocateHook)
{
    if (!allocateHook || !deallocateHook)
        return;
    s_allocate = allocateHook;
    s_deallocate = deallocateHook;
    // Every node remembers the hook that frees it, so nodes made before a
    // change of hooks still go back to where they came from.
    sigslot::set_allocator(allocateHook, deallocateHook);
}

} // namespace talk
