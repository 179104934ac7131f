// libstdc++'s default terminate handler prints the type of an escaped
// exception, demangled, to stderr. A GUI process has no stderr to print it
// to, yet the demangler (about 46 KB with the printf it pulls in) would be
// linked for it. This definition stands in for the library's: the handler
// then sees "not demangled" and prints the raw name to nowhere.
#include <cstddef>

extern "C" char* __cxa_demangle(const char*, char*, std::size_t*, int* status) {
    if (status) *status = -2;  // "not a valid mangled name"
    return nullptr;
}
