#include "platform/GLFunctions.h"

#include <SDL.h>

#include <cstring>

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

void glSwitch(GLenum capability, bool on)
{
    if (on) {
        gl().Enable(capability);
    } else {
        gl().Disable(capability);
    }
}

void glClientSwitch(GLenum array, bool on)
{
    if (on) {
        gl().EnableClientState(array);
    } else {
        gl().DisableClientState(array);
    }
}

bool glErrorPending()
{
    return gl().GetError() != GL_NO_ERROR;
}

bool glExtensionStringHas(const char* name)
{
    const GLubyte* const names = gl().GetString(GL_EXTENSIONS);
    return names && std::strstr(reinterpret_cast<const char*>(names), name) != nullptr;
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
