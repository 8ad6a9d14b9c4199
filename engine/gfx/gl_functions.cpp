// Looking the OpenGL entry points up through SDL (see gl_functions.h).
#include "gfx/gl_functions.h"

#include <SDL.h>

bool LoadGLFunctions(GLFunctions* gl, std::string* missing) {
#define NIMBREL_GL_LOAD(result, name, parameters)                                                   \
    gl->name = reinterpret_cast<result(APIENTRY*) parameters>(SDL_GL_GetProcAddress("gl" #name)); \
    if (!gl->name) {                                                                                \
        *missing = "gl" #name;                                                                      \
        return false;                                                                               \
    }
    NIMBREL_GL_FUNCTION_LIST(NIMBREL_GL_LOAD)
#undef NIMBREL_GL_LOAD
    gl->hasFramebuffers = true;
#define NIMBREL_GL_LOAD_OPTIONAL(result, name, parameters)                                          \
    gl->name = reinterpret_cast<result(APIENTRY*) parameters>(SDL_GL_GetProcAddress("gl" #name)); \
    gl->hasFramebuffers = gl->hasFramebuffers && gl->name;
    NIMBREL_GL_FRAMEBUFFER_LIST(NIMBREL_GL_LOAD_OPTIONAL)
#undef NIMBREL_GL_LOAD_OPTIONAL
    return true;
}
