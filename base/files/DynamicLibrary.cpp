#include "base/files/DynamicLibrary.h"

#include "base/heron_string.h"

#include <dlfcn.h>

namespace heron
{

DynamicLibrary::DynamicLibrary(const char* fileName)
{
    if (fileName == nullptr || fileName[0] == '\0') {
        return;
    }
    m_module = dlopen(fileName, RTLD_NOW | RTLD_LOCAL);
}

DynamicLibrary::~DynamicLibrary()
{
    if (m_module != nullptr) {
        dlclose(m_module);
    }
}

void* DynamicLibrary::symbol(const char* name) const
{
    if (m_module == nullptr || name == nullptr) {
        return nullptr;
    }
    if (void* const found = dlsym(m_module, name)) {
        return found;
    }
    const heron_string ansiName = heron_string(name) + 'A';
    return dlsym(m_module, ansiName.c_str());
}

}
