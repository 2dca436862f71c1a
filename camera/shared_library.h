#pragma once

#include <memory>
#include <string>

namespace zelto {

// A library file loaded while the program runs (LoadLibrary on Windows, dlopen elsewhere), so that
// a vendor library the program may not ship is looked for only when it is wanted. The file stays
// loaded while the object lives.
class SharedLibrary {
public:
    // Null when the file cannot be loaded; error then holds the system's reason.
    static std::unique_ptr<SharedLibrary> Open(const std::string& file, std::string* error);
    ~SharedLibrary();
    SharedLibrary(const SharedLibrary&) = delete;
    SharedLibrary& operator=(const SharedLibrary&) = delete;

    // The address of an exported function or object; null when the library has none of that name.
    void* Symbol(const char* name) const;

private:
    explicit SharedLibrary(void* handle) : handle_(handle) {}
    void* handle_;
};

}  // namespace zelto
