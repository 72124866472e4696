#pragma once

namespace heron
{

// A shared library loaded at run time. A library that cannot be loaded gives an object whose
// symbol() always returns null; callers test that and fall back to their own behaviour.
class DynamicLibrary
{
public:
    // Loads the library by file name or path (as dlopen resolves it); null or empty loads nothing.
    explicit DynamicLibrary(const char* fileName);
    // Unloads the library; pointers from symbol() are invalid afterwards.
    ~DynamicLibrary();
    DynamicLibrary(const DynamicLibrary&) = delete;
    DynamicLibrary& operator=(const DynamicLibrary&) = delete;

    // True when the library was loaded.
    bool isLoaded() const { return m_module != nullptr; }
    // Address of the named symbol, else of the name with "A" appended (the single-byte-character
    // variant of a system function); null when neither exists or nothing was loaded.
    [[nodiscard]] void* symbol(const char* name) const;

private:
    void* m_module = nullptr;
};

}
