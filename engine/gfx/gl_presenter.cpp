// Presenting the software screen through OpenGL (see gl_presenter.h).
//
// The screen's rows go into one texture, bottom row first as OpenGL keeps them (the row copy of
// changed_rows.h is kept in that order, so no frame is flipped). Where framebuffer objects exist
// (OpenGL 3.0), the texture is blitted into the window, which leaves the driver free to copy
// rather than draw when the picture is not scaled; otherwise it is drawn as one fixed-function
// textured quad, which any driver of version 2.0 can do.
#include "gfx/gl_presenter.h"

#include <cstdio>
#include <cstring>

#include "gfx/changed_rows.h"
#include "gfx/gl_functions.h"
#include "gfx/letterbox.h"

namespace {

// The layouts the screen is made in, each one OpenGL can read as it is, so no frame is converted.
struct UploadFormat {
    int bits;
    Uint32 redMask, greenMask, blueMask;
    GLenum format, type;
};
const UploadFormat kUpload32 = {32, 0x00FF0000, 0x0000FF00, 0x000000FF, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV};
const UploadFormat kUpload16 = {16, 0xF800, 0x07E0, 0x001F, GL_RGB, GL_UNSIGNED_SHORT_5_6_5};
const UploadFormat kUpload15 = {15, 0x7C00, 0x03E0, 0x001F, GL_BGRA, GL_UNSIGNED_SHORT_1_5_5_5_REV};

struct Presenter {
    bool open = false;
    GLFunctions gl;
    SDL_Surface* screen = nullptr; // owned
    GLuint texture = 0;
    GLuint framebuffer = 0; // reads the texture for the blit; 0 when the quad is drawn instead
    bool bars = false;      // the picture leaves parts of the window to clear
    bool smooth = false;
    UploadFormat upload = kUpload32;
    int windowWidth = 0, windowHeight = 0;
    PictureRect picture = {0, 0, 0, 0};
    ChangedRows rows;
    bool shown = false;  // the window shows the texture as it is
    Uint32 shownAt = 0;  // when it last swapped, in SDL ticks
};
Presenter presenter;

// With an alpha channel the texture has the layout the screen's rows arrive in, so a software
// renderer stores them with a plain copy; the channel itself is never blended. Left unsized, so
// the driver may keep the channels in the order the rows bring them: Mesa's software renderer
// then uploads twice as fast as with GL_RGBA8, which it stores red first and swizzles into.
const GLint kTextureFormat = GL_RGBA;

// The desktop's depth where OpenGL can take it as it is (15, 16 or 32 bits), so that images the
// game converts to the display format blit without conversion; 32 bits otherwise.
const UploadFormat& FormatForDesktop(const SDL_PixelFormat* desktop) {
    if (desktop && desktop->BitsPerPixel == 16) return desktop->Gmask == kUpload15.greenMask ? kUpload15 : kUpload16;
    if (desktop && desktop->BitsPerPixel == 15) return kUpload15;
    return kUpload32;
}

void WindowSize(const OpenGLScreenRequest& request, const SDL_VideoInfo& desktop, int* width, int* height) {
    if ((request.windowFlags & SDL_FULLSCREEN) && desktop.current_w > 0 && desktop.current_h > 0) {
        *width = desktop.current_w;
        *height = desktop.current_h;
    } else if (request.windowWidth > 0 && request.windowHeight > 0) {
        *width = request.windowWidth;
        *height = request.windowHeight;
    } else {
        *width = request.width;
        *height = request.height;
    }
}

// True when the context's version is at least `major` or it names the extension that brought
// the feature earlier.
bool HasFeature(const GLFunctions& gl, int major, const char* extension) {
    const char* version = reinterpret_cast<const char*>(gl.GetString(GL_VERSION));
    const char* extensions = reinterpret_cast<const char*>(gl.GetString(GL_EXTENSIONS));
    int found = 0;
    if (version && std::sscanf(version, "%d", &found) == 1 && found >= major) return true;
    return extensions && std::strstr(extensions, extension);
}

std::string Describe(const char* what, int width, int height, int limit) {
    char text[128];
    std::snprintf(text, sizeof text, what, width, height, limit);
    return text;
}

// Checks what the context offers; the reason when it lacks something.
std::string CheckContext(Presenter& p, int width, int height) {
    std::string missing;
    if (!LoadGLFunctions(&p.gl, &missing)) return "the OpenGL library lacks " + missing;
    if (!HasFeature(p.gl, 2, "GL_ARB_texture_non_power_of_two")) return "the OpenGL driver has no textures of any size (version 2.0 is needed)";
    GLint largest = 0;
    p.gl.GetIntegerv(GL_MAX_TEXTURE_SIZE, &largest);
    if (width > largest || height > largest)
        return Describe("a %dx%d screen is larger than the largest OpenGL texture (%d)", width, height, largest);
    return std::string();
}

// A framebuffer that reads the texture, when the context can blit; otherwise the quad is drawn.
void SetUpBlit(Presenter& p) {
    const GLFunctions& gl = p.gl;
    if (!gl.hasFramebuffers || !HasFeature(gl, 3, "GL_ARB_framebuffer_object")) return;
    gl.GenFramebuffers(1, &p.framebuffer);
    gl.BindFramebuffer(GL_READ_FRAMEBUFFER, p.framebuffer);
    gl.FramebufferTexture2D(GL_READ_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, p.texture, 0);
    if (gl.CheckFramebufferStatus(GL_READ_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE) return;
    gl.BindFramebuffer(GL_READ_FRAMEBUFFER, 0);
    gl.DeleteFramebuffers(1, &p.framebuffer);
    p.framebuffer = 0;
}

// The texture the screen is shown from, and the fixed drawing state in window pixels.
bool SetUpDrawing(Presenter& p, bool smooth) {
    const GLFunctions& gl = p.gl;
    const GLint filter = smooth ? GL_LINEAR : GL_NEAREST;
    gl.GenTextures(1, &p.texture);
    gl.BindTexture(GL_TEXTURE_2D, p.texture);
    gl.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filter);
    gl.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filter);
    gl.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    gl.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    gl.TexImage2D(GL_TEXTURE_2D, 0, kTextureFormat, p.screen->w, p.screen->h, 0, p.upload.format, p.upload.type,
                  nullptr);
    gl.TexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    gl.PixelStorei(GL_UNPACK_ALIGNMENT, 1); // the row copy has no padding
    gl.PixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    SetUpBlit(p);
    gl.Enable(GL_TEXTURE_2D);
    gl.Disable(GL_DEPTH_TEST);
    gl.Disable(GL_BLEND);
    gl.Viewport(0, 0, p.windowWidth, p.windowHeight);
    gl.MatrixMode(GL_PROJECTION);
    gl.LoadIdentity();
    gl.Ortho(0, p.windowWidth, p.windowHeight, 0, -1, 1); // y grows downwards, as on the screen
    gl.MatrixMode(GL_MODELVIEW);
    gl.LoadIdentity();
    gl.ClearColor(0, 0, 0, 1);
    return gl.GetError() == GL_NO_ERROR;
}

// The changed band, from the bottom-up row copy: texture row 0 is the screen's last row. False
// when no row changed.
bool UploadChangedRows(Presenter& p) {
    const RowBand band = p.rows.Take(static_cast<const Uint8*>(p.screen->pixels), p.screen->pitch);
    if (band.count == 0) return false;
    const int textureRow = p.screen->h - band.first - band.count;
    const size_t rowBytes = size_t(p.screen->w) * p.screen->format->BytesPerPixel;
    p.gl.TexSubImage2D(GL_TEXTURE_2D, 0, 0, textureRow, p.screen->w, band.count, p.upload.format, p.upload.type,
                       p.rows.BottomUp() + size_t(textureRow) * rowBytes);
    return true;
}

// An unchanged screen already shown needs neither drawing nor swapping: the front buffer keeps
// it. Once a second it is shown anyway, in case the window lost its picture without an expose
// event reaching the presenter.
bool NeedsShowing(const Presenter& p, bool changed) {
    const Uint32 kLongestWithoutShowingMs = 1000;
    return changed || !p.shown || SDL_GetTicks() - p.shownAt >= kLongestWithoutShowingMs;
}

void DrawPicture(const Presenter& p) {
    const GLFunctions& gl = p.gl;
    const PictureRect& at = p.picture;
    if (p.bars) gl.Clear(GL_COLOR_BUFFER_BIT); // after a swap the back buffer holds anything
    if (p.framebuffer) {
        const int bottom = p.windowHeight - at.y - at.h; // the window's rows count upwards too
        gl.BlitFramebuffer(0, 0, p.screen->w, p.screen->h, at.x, bottom, at.x + at.w, bottom + at.h,
                           GL_COLOR_BUFFER_BIT, p.smooth ? GL_LINEAR : GL_NEAREST);
        return;
    }
    gl.Begin(GL_QUADS); // window rows count downwards (see SetUpDrawing), texture rows upwards
    gl.TexCoord2f(0, 1);
    gl.Vertex2i(at.x, at.y);
    gl.TexCoord2f(1, 1);
    gl.Vertex2i(at.x + at.w, at.y);
    gl.TexCoord2f(1, 0);
    gl.Vertex2i(at.x + at.w, at.y + at.h);
    gl.TexCoord2f(0, 0);
    gl.Vertex2i(at.x, at.y + at.h);
    gl.End();
}

// Frees what the presenter holds; the texture only while its context still exists.
void Release(Presenter& p) {
    if (SDL_WasInit(SDL_INIT_VIDEO)) { // else the context is gone, and everything with it
        if (p.framebuffer) p.gl.DeleteFramebuffers(1, &p.framebuffer);
        if (p.texture && p.gl.DeleteTextures) p.gl.DeleteTextures(1, &p.texture);
    }
    p.framebuffer = 0;
    if (p.screen) SDL_FreeSurface(p.screen);
    p.screen = nullptr;
    p.texture = 0;
    p.open = false;
    p.shown = false;
    p.gl = GLFunctions();
    p.rows.Reset(0, 0);
}

SDL_Surface* Fail(std::string* error, const std::string& why) {
    *error = why;
    Release(presenter);
    return nullptr;
}

} // namespace

SDL_Surface* OpenGLOpenScreen(const OpenGLScreenRequest& request, Uint32* grantedFlags, std::string* error) {
    Release(presenter);
    Presenter& p = presenter;
    const SDL_VideoInfo* desktop = SDL_GetVideoInfo();
    if (!desktop) return Fail(error, SDL_GetError());
    p.upload = FormatForDesktop(desktop->vfmt);
    int windowWidth = 0, windowHeight = 0;
    WindowSize(request, *desktop, &windowWidth, &windowHeight);

    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_SWAP_CONTROL, request.waitForRetrace ? 1 : 0);
    const Uint32 flags = SDL_OPENGL | (request.windowFlags & (SDL_FULLSCREEN | SDL_NOFRAME));
    SDL_Surface* window = SDL_SetVideoMode(windowWidth, windowHeight, 0, flags);
    if (!window) return Fail(error, SDL_GetError());
    if (!(window->flags & SDL_OPENGL)) return Fail(error, "the video driver offers no OpenGL");

    const std::string lacking = CheckContext(p, request.width, request.height);
    if (!lacking.empty()) return Fail(error, lacking);
    p.screen = SDL_CreateRGBSurface(SDL_SWSURFACE, request.width, request.height, p.upload.bits, p.upload.redMask,
                                    p.upload.greenMask, p.upload.blueMask, 0);
    if (!p.screen) return Fail(error, SDL_GetError());
    p.windowWidth = window->w;
    p.windowHeight = window->h;
    p.picture = FitPicture(p.screen->w, p.screen->h, p.windowWidth, p.windowHeight);
    p.bars = p.picture.w != p.windowWidth || p.picture.h != p.windowHeight;
    p.smooth = request.smooth;
    if (!p.rows.Reset(p.screen->w * p.screen->format->BytesPerPixel, p.screen->h))
        return Fail(error, "out of memory for the screen's row copy");
    if (!SetUpDrawing(p, request.smooth)) return Fail(error, "the screen's texture could not be made");
    p.open = true;
    *grantedFlags = window->flags;
    return p.screen;
}

bool OpenGLIsPresenting() { return presenter.open; }

void OpenGLPresent() {
    Presenter& p = presenter;
    if (!p.open) return;
    const bool changed = UploadChangedRows(p);
    if (!NeedsShowing(p, changed)) return;
    DrawPicture(p);
    SDL_GL_SwapBuffers();
    p.shown = true;
    p.shownAt = SDL_GetTicks();
}

void OpenGLWindowNeedsPicture() { presenter.shown = false; }

void OpenGLCloseScreen() { Release(presenter); }

void OpenGLWindowToScreen(int* x, int* y) {
    if (presenter.open) WindowToPicture(presenter.picture, presenter.screen->w, presenter.screen->h, x, y);
}

void OpenGLScreenToWindow(int* x, int* y) {
    if (presenter.open) PictureToWindow(presenter.picture, presenter.screen->w, presenter.screen->h, x, y);
}
