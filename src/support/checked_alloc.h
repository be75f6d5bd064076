// The one allocator of the library. Everything handed to callers comes from malloc and goes
// back through free; routing every allocation through here lets the tests fail the N-th one and
// prove that each out-of-memory path is handled.
#pragma once

#include <cstddef>
#include <cstring>
#include <new>
#include <type_traits>
#include <utility>

namespace quillon::support {

// malloc, or null when the allocation fails (for real or by the failure hook).
[[nodiscard]] void* Allocate(std::size_t size);
// Allocate, then fill with zeros.
[[nodiscard]] void* AllocateZeroed(std::size_t size);
// free; a null pointer is ignored.
void Release(void* block);

// One T through the checked allocator: zeroed memory, then T built in it from args (a plain
// record with no args comes out all zero). Null when out of memory.
template <class T, class... Args>
[[nodiscard]] T* New(Args&&... args) {
    void* block = AllocateZeroed(sizeof(T));
    if (block == nullptr) return nullptr;
    if constexpr (sizeof...(Args) == 0 && std::is_trivially_default_constructible_v<T> &&
                  std::is_trivially_destructible_v<T>) {
        // A plain record: the zeroed block already holds it (malloc's memory holds such objects
        // as it is), and building it again would zero it a second time.
        return static_cast<T*>(block);
    } else {
        return ::new (block) T{std::forward<Args>(args)...};
    }
}

// One T through the checked allocator, default-initialised: members with an initialiser or a
// constructor get it, plain members (a buffer written before it is read) keep what malloc left
// there. Null when out of memory.
template <class T>
[[nodiscard]] T* NewUnzeroed() {
    void* block = Allocate(sizeof(T));
    if (block == nullptr) return nullptr;
    return ::new (block) T;
}

// Destroys what New or NewUnzeroed made and releases its memory; clears the variable. Null is
// accepted.
template <class T>
void Delete(T** object) {
    T* made = std::exchange(*object, nullptr);
    if (made == nullptr) return;
    made->~T();
    Release(made);
}

// count Ts of a plain type, left as malloc leaves them (the caller fills them). Null when out of
// memory, or when count Ts would not fit in a size_t.
template <class T>
[[nodiscard]] T* NewArray(std::size_t count) {
    // Types malloc'd memory can hold without a constructor run: they are filled by copying.
    static_assert(std::is_trivially_copyable_v<T> && std::is_trivially_destructible_v<T>);
    if (count > static_cast<std::size_t>(-1) / sizeof(T)) return nullptr;
    return static_cast<T*>(Allocate(count * sizeof(T)));
}

// NewArray, then filled with zeros.
template <class T>
[[nodiscard]] T* NewZeroedArray(std::size_t count) {
    T* array = NewArray<T>(count);
    if (array != nullptr) std::memset(static_cast<void*>(array), 0, count * sizeof(T));
    return array;
}

// Failure hook for tests: the n-th allocation from now (1 = the next one) fails, and only that
// one. 0 switches the hook off. Returns the number of allocations made since the last call to
// CountAllocations, so a test can learn how many allocations a path makes.
void FailNthAllocation(int n);
[[nodiscard]] int CountAllocations();

// Observer for tests: told of every block made (with its size) and of every block about to be
// released, so a test can look at what is freed. Null switches it off.
struct AllocationObserver {
    void (*made)(const void* block, std::size_t size);
    void (*releasing)(const void* block);
};
void ObserveAllocations(const AllocationObserver* observer);

}  // namespace quillon::support
