#ifndef TALK_ALLOCATOR_H
#define TALK_ALLOCATOR_H

#include "plixtalk_api.h"

#include <cstddef>

namespace talk {

// Memory shared with the talk library goes through the library's own hooks:
// the connection nodes our receivers add to its signals are freed by either
// side. Until the library is loaded the global operator new and delete serve.
void *allocate(std::size_t size);
void deallocate(void *pointer, std::size_t size);

// Takes the hooks resolved from a loaded library, for allocate() and
// deallocate() and for every signal connection made from now on.
void installAllocator(PlixTalkAllocatorFunction allocateHook, PlixTalkDeleterFunction deallocateHook);

} // namespace talk

#endif // TALK_ALLOCATOR_H
