// The allocator of the out-of-memory program: every allocation asks the fake host's injection whether it
// is the one to fail (only when a test armed it, on the test's own thread).
#include "support/AllocationFailures.h"

#include <cstdlib>
#include <new>

namespace {

void* allocate(std::size_t size) { return fakehost::AllocationFailures::nextAllocationFails() ? nullptr : std::malloc(size ? size : 1); }

} // namespace

void* operator new(std::size_t size)
{
    if (void* memory = allocate(size)) return memory;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return operator new(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return allocate(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return allocate(size); }
void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete[](void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t) noexcept { std::free(memory); }
void operator delete[](void* memory, std::size_t) noexcept { std::free(memory); }
