#include "platform/GLFunctions.h"

#include <SDL.h>

namespace plat
{

namespace
{

GLFunctions driverTable;
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
#define PLAT_GL_RESOLVE(ret, name, params) all = resolveGLFunction(driverTable.name, "gl" #name) && all;
    PLAT_GL_CORE_FUNCTIONS(PLAT_GL_RESOLVE)
#undef PLAT_GL_RESOLVE
    return all;
}

}
