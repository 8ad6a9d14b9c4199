// The OpenGL entry points the presenter uses, looked up through SDL once a context exists.
//
// Linking libGL would keep every game from starting on a machine without it, even a game that
// never asks for renderer 64. SDL loads the library itself, only when an OpenGL window is opened,
// so asking SDL for the functions keeps such a machine running on every other renderer.
#ifndef NIMBREL_GFX_GL_FUNCTIONS_H
#define NIMBREL_GFX_GL_FUNCTIONS_H

#include <GL/gl.h>

#include <string>

// return type, name without the "gl" prefix, parameter list
#define NIMBREL_GL_FUNCTION_LIST(X)                                                                         \
    X(GLenum, GetError, (void))                                                                             \
    X(const GLubyte*, GetString, (GLenum))                                                                  \
    X(void, GetIntegerv, (GLenum, GLint*))                                                                  \
    X(void, GenTextures, (GLsizei, GLuint*))                                                                \
    X(void, DeleteTextures, (GLsizei, const GLuint*))                                                       \
    X(void, BindTexture, (GLenum, GLuint))                                                                  \
    X(void, TexParameteri, (GLenum, GLenum, GLint))                                                         \
    X(void, TexImage2D, (GLenum, GLint, GLint, GLsizei, GLsizei, GLint, GLenum, GLenum, const void*))       \
    X(void, TexSubImage2D, (GLenum, GLint, GLint, GLint, GLsizei, GLsizei, GLenum, GLenum, const void*))    \
    X(void, PixelStorei, (GLenum, GLint))                                                                   \
    X(void, Viewport, (GLint, GLint, GLsizei, GLsizei))                                                     \
    X(void, MatrixMode, (GLenum))                                                                           \
    X(void, LoadIdentity, (void))                                                                           \
    X(void, Ortho, (GLdouble, GLdouble, GLdouble, GLdouble, GLdouble, GLdouble))                            \
    X(void, ClearColor, (GLfloat, GLfloat, GLfloat, GLfloat))                                               \
    X(void, Clear, (GLbitfield))                                                                            \
    X(void, Enable, (GLenum))                                                                               \
    X(void, Disable, (GLenum))                                                                              \
    X(void, TexEnvi, (GLenum, GLenum, GLint))                                                               \
    X(void, Begin, (GLenum))                                                                                \
    X(void, End, (void))                                                                                    \
    X(void, TexCoord2f, (GLfloat, GLfloat))                                                                 \
    X(void, Vertex2i, (GLint, GLint))

// Framebuffer objects (OpenGL 3.0): a blit of the texture into the window, which a software
// renderer does as a plain copy when the picture is not scaled. Without them, a textured quad.
#define NIMBREL_GL_FRAMEBUFFER_LIST(X)                                                                       \
    X(void, GenFramebuffers, (GLsizei, GLuint*))                                                            \
    X(void, DeleteFramebuffers, (GLsizei, const GLuint*))                                                   \
    X(void, BindFramebuffer, (GLenum, GLuint))                                                              \
    X(void, FramebufferTexture2D, (GLenum, GLenum, GLenum, GLuint, GLint))                                  \
    X(GLenum, CheckFramebufferStatus, (GLenum))                                                             \
    X(void, BlitFramebuffer, (GLint, GLint, GLint, GLint, GLint, GLint, GLint, GLint, GLbitfield, GLenum))

struct GLFunctions {
#define NIMBREL_GL_MEMBER(result, name, parameters) result(APIENTRY* name) parameters = nullptr;
    NIMBREL_GL_FUNCTION_LIST(NIMBREL_GL_MEMBER)
    NIMBREL_GL_FRAMEBUFFER_LIST(NIMBREL_GL_MEMBER)
#undef NIMBREL_GL_MEMBER
    bool hasFramebuffers = false; // every function of the framebuffer list was found
};

// Fills the table from the current context. False when one of the first list is missing;
// `missing` then names it. The framebuffer functions may be missing.
bool LoadGLFunctions(GLFunctions* gl, std::string* missing);

#endif
