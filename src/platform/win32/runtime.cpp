// The few pieces of the C++ runtime that Glowtide.exe uses, without the exception machinery.
//
// The program throws nothing. Left to itself, libstdc++ would still link its throwing operator new,
// the throw helpers that its containers call on a length error, and through them the exception
// classes, std::string and the verbose terminate handler with its demangler: 165 KB that no
// path of the program reaches. Defining them here, where the linker finds them
// before the library, keeps them out. Out of memory ends the process at once, as an uncaught
// std::bad_alloc did before.
#include <cstdlib>
#include <new>

namespace {

[[noreturn]] void OutOfMemory() { std::abort(); }

}  // namespace

void* operator new(std::size_t size) {
  if (void* block = std::malloc(size == 0 ? 1 : size)) return block;
  OutOfMemory();
}

void* operator new[](std::size_t size) { return ::operator new(size); }

// The nothrow forms give null back, which the callers test.
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  return std::malloc(size == 0 ? 1 : size);
}

void* operator new[](std::size_t size, const std::nothrow_t& nothrow) noexcept {
  return ::operator new(size, nothrow);
}

void operator delete(void* block) noexcept { std::free(block); }
void operator delete[](void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
void operator delete[](void* block, std::size_t) noexcept { std::free(block); }
void operator delete(void* block, const std::nothrow_t&) noexcept { std::free(block); }
void operator delete[](void* block, const std::nothrow_t&) noexcept { std::free(block); }

// What the containers call when a size is beyond what they can hold, or an allocation fails:
// unreachable with the sizes this program asks for, and fatal if it ever were.
namespace std {
[[noreturn]] void __throw_bad_alloc() { OutOfMemory(); }
[[noreturn]] void __throw_bad_array_new_length() { OutOfMemory(); }
[[noreturn]] void __throw_length_error(const char*) { OutOfMemory(); }
[[noreturn]] void __throw_logic_error(const char*) { std::abort(); }
[[noreturn]] void __throw_out_of_range_fmt(const char*, ...) { std::abort(); }
}  // namespace std
