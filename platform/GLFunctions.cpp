#include "platform/GLFunctions.h"

#include <SDL.h>

namespace plat
{

namespace
{

// Stands in for a core entry point until the driver's is resolved: does nothing, returns zero.
template <auto Member>
struct Stub;

template <typename R, typename... A, R (*GLFunctions::*Member)(A...)>
struct Stub<Member>
{
    static R call(A...) { return R(); }
};

GLFunctions stubbedTable()
{
    GLFunctions table;
#define PLAT_GL_STUB(ret, name, params) table.name = &Stub<&GLFunctions::name>::call;
    PLAT_GL_CORE_FUNCTIONS(PLAT_GL_STUB)
#undef PLAT_GL_STUB
    return table;
}

GLFunctions driverTable = stubbedTable();
GLFunctions* installed = nullptr;

}

GLFunctions& gl()
{
    return installed ? *installed : driverTable;
}

GLFunctions& glDriver()
{
    return driverTable;
}

void setGLFunctions(GLFunctions* table)
{
    installed = table;
}

void* glProcAddress(const char* name)
{
    return SDL_GL_GetProcAddress(name);
}

bool loadGLFunctions()
{
    bool all = true;
#define PLAT_GL_RESOLVE(ret, name, params)                                                         \
    if (auto found = reinterpret_cast<decltype(driverTable.name)>(glProcAddress("gl" #name))) {          \
        driverTable.name = found;                                                                  \
    } else {                                                                                       \
        all = false;                                                                               \
    }
    PLAT_GL_CORE_FUNCTIONS(PLAT_GL_RESOLVE)
#undef PLAT_GL_RESOLVE
    return all;
}

}
