// The parts of the window object that are plain GL and bookkeeping, shared
// by the Windows build and the native one.
#include <cstring>

#include "render/gl_api.h"
#include "render/gl_window.h"
#include "render/overlay.h"

GlWindow glWindow;

GlWindow::GlWindow()
    : fullscreenActive(false), textureIds(nullptr), textureNameCount(0), uploadedTextureCount(0), fontCount(0),
      iconId(0), positionX(0), positionY(0), fontListBases(), textureNames(), className(), imageLoader(nullptr)
{
}

// Runs at process exit; after a normal shutdown the destroy operation finds
// every handle already cleared.
GlWindow::~GlWindow()
{
    delete[] textureIds;
    textureIds = nullptr;
    DestroyGlWindow();
}

void DeleteFonts()
{
    for (uint32_t i = 0; i < glWindow.fontCount; ++i) DeleteFont(i);
    // A later destroy (the one at process exit) has no context to delete them in.
    glWindow.fontCount = 0;
    glWindow.textHeight = 0;
}

void SetViewShape(double fieldOfView, bool keepAspect)
{
    glWindow.fieldOfView = fieldOfView;
    glWindow.keepAspect = keepAspect;
    if (glWindow.projectionWidth > 0 || glWindow.projectionHeight > 0)
        ResizeProjection(glWindow.projectionWidth, glWindow.projectionHeight, double(0.1f), 10.0);
}

void SetClassName(const char* name)
{
    std::strncpy(glWindow.className, name, CLASS_NAME_SIZE - 1);
    glWindow.className[CLASS_NAME_SIZE - 1] = '\0';
}

void StoreWindowPosition(int32_t x, int32_t y)
{
    glWindow.positionX = x;
    glWindow.positionY = y;
}

// The aspect is a fixed 4:3: a client area of another shape shows the
// picture stretched, and the overlay keeps its place relative to the window.
void ResizeProjection(int32_t width, int32_t height, double zNear, double zFar)
{
    if (zNear != 0.0 && zFar != 0.0) {
        glWindow.projectionWidth = width;
        glWindow.projectionHeight = height;
        glViewport(0, 0, width, height);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        // A minimised window (0 high) has no shape of its own to keep.
        const double aspect =
            glWindow.keepAspect && width > 0 && height > 0 ? double(width) / double(height) : 4.0 / 3.0;
        gluPerspective(glWindow.fieldOfView, aspect, zNear, zFar);
        glMatrixMode(GL_MODELVIEW);
    } else {
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(0.0, double(width), 0.0, double(height), -1.0, 1.0);
        glMatrixMode(GL_MODELVIEW);
    }
}

// Whole names only: "GL_EXT_a" must not be found inside "GL_EXT_abc".
static bool ListHasExtension(const char* extensions, const char* name)
{
    if (!extensions) return false;
    size_t length = std::strlen(name);
    const char* start = extensions;
    for (;;) {
        const char* found = std::strstr(start, name);
        if (!found) return false;
        // A word begins at the string's start or after a blank; the search
        // start alone is no word boundary ("GL_aGL_a" is one name).
        bool beginsWord = found == extensions || found[-1] == ' ';
        char after = found[length];
        if (beginsWord && (after == ' ' || after == '\0')) return true;
        start = found + length;
    }
}

// Drivers list window-system extensions such as WGL_EXT_swap_control in GL's
// own string, in the window system's, or in both.
bool HasGlExtension(const char* name)
{
    if (!name || !*name || std::strchr(name, ' ')) return false;
    return ListHasExtension(reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS)), name) ||
           ListHasExtension(WindowSystemExtensions(), name);
}
