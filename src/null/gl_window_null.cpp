// The window object of the native build: no window, no context; the GL calls
// go to whatever GL the program links (the tests' recording stand-in).
#include "null/null_platform.h"
#include "render/gl_window.h"
#include "render/scene.h"

static const char* windowSystemExtensions = nullptr;

void NullWindowSetExtensions(const char* extensions)
{
    windowSystemExtensions = extensions;
}

const char* WindowSystemExtensions()
{
    return windowSystemExtensions;
}

bool CreateGlWindow(const char*, int32_t width, int32_t height, int32_t, bool fullscreen)
{
    glWindow.fullscreenActive = fullscreen;
    ResizeProjection(width, height, double(0.1f), 10.0);
    SetUpGlState();
    return true;
}

// No screen to cover: the window only says it is full screen, or back at its size.
void ToggleFullscreen(int32_t windowedWidth, int32_t windowedHeight)
{
    glWindow.fullscreenActive = !glWindow.fullscreenActive;
    if (!glWindow.fullscreenActive) ResizeProjection(windowedWidth, windowedHeight, double(0.1f), 10.0);
}

void DestroyGlWindow()
{
    DeleteFonts();
}

void SwapGlBuffers()
{
}

void SetSwapInterval(int)
{
}
