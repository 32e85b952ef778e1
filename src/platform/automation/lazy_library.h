#pragma once
// A shared library that is opened the first time one of its functions is called instead of
// when the program starts. Libraries that only some work needs (a database client with its
// security stack, an archive reader, a digest) would otherwise be mapped, relocated and
// initialised by every run, a one-line script included.
//
// The layer that uses such a library compiles against its headers but does not link it; it
// defines each function it calls with QUILLET_LAZY_FUNCTION, under the library's own name
// and with the signature the header declares (the compiler refuses any other), so the code
// that calls it reads as it would against the library itself.
#include <atomic>
#include <mutex>

namespace quillet::platform::automation {

class LazyLibrary {
public:
  // soname: the name the system's loader knows the library by ("libz.so.1").
  explicit constexpr LazyLibrary(const char* soname) : soname_(soname) {}
  LazyLibrary(const LazyLibrary&) = delete;
  LazyLibrary& operator=(const LazyLibrary&) = delete;

  // The address of one of the library's functions, opening the library on first use.
  // Raises 48 (Error in loading DLL) when the library cannot be opened and 453 (Specified
  // DLL function not found) when it lacks the function.
  void* function(const char* name);

private:
  void* handle();

  const char* soname_;
  std::atomic<void*> handle_{nullptr};
  std::mutex opening_;
};

} // namespace quillet::platform::automation

// Defines the C function `name` of `library`, forwarding each call to the library's own.
// params and args are parenthesised lists: (const char* path, int flags), (path, flags).
// A name that the header renames with a macro (a version suffix) is looked up as renamed.
#define QUILLET_LAZY_FUNCTION(library, result, name, params, args)                                 \
  extern "C" result name params {                                                                  \
    static const auto real =                                                                       \
        reinterpret_cast<decltype(&name)>((library).function(QUILLET_LAZY_NAME(name)));            \
    return real args;                                                                              \
  }
#define QUILLET_LAZY_NAME(name) QUILLET_LAZY_NAME_TEXT(name)
#define QUILLET_LAZY_NAME_TEXT(name) #name
