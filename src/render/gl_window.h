// The game's one window and GL context, as the portable code sees it: the
// per-context resources other code keeps in it (texture names and ids, font
// display lists) and the calls each platform's window code implements. The
// platform's own handles stay in its own folder.
#pragma once
#include <cstdint>

#include "image/image_data.h"

const unsigned MAX_TEXTURE_NAMES = 100;
const unsigned TEXTURE_NAME_SIZE = 100;   // bytes per slot, NUL included
const unsigned MAX_FONTS = 10;
const unsigned CLASS_NAME_SIZE = 100;

typedef bool (*ImageLoaderFunction)(ImageData& image, const char* path);

struct GlWindow {
    GlWindow();
    ~GlWindow();

    bool fullscreenActive;
    unsigned* textureIds;              // one GL texture name per name listed at the last upload
    uint32_t textureNameCount;
    uint32_t uploadedTextureCount;     // entries of textureIds; names listed later have none yet
    uint32_t fontCount;
    uint16_t iconId;
    int32_t positionX;
    int32_t positionY;
    uint32_t fontListBases[MAX_FONTS];
    int32_t textHeight = 0;            // pixels of the overlay's font; 0 while it has none
    char textureNames[MAX_TEXTURE_NAMES][TEXTURE_NAME_SIZE];
    char className[CLASS_NAME_SIZE];
    ImageLoaderFunction imageLoader;   // an extra reader for textures; nothing installs one
    // The picture's shape, as the player's options give it, and the client
    // size it was last fitted to.
    double fieldOfView = 45.0;         // vertical, degrees
    bool keepAspect = false;           // false: 4:3 stretched over whatever the window is
    int32_t projectionWidth = 0;
    int32_t projectionHeight = 0;
};

extern GlWindow glWindow;

void SetClassName(const char* name);
bool CreateGlWindow(const char* title, int32_t width, int32_t height, int32_t bits, bool fullscreen);
void DestroyGlWindow();
// Full screen over the window's monitor, or back to a window of its old place
// and size (`windowedWidth` x `windowedHeight` of client area when it started
// full screen). The context and everything in it stay; fullscreenActive tells
// what the window system granted.
void ToggleFullscreen(int32_t windowedWidth, int32_t windowedHeight);
void StoreWindowPosition(int32_t x, int32_t y);
void ResizeProjection(int32_t width, int32_t height, double zNear, double zFar);
// Takes the picture's shape and fits it to the last client size at once.
void SetViewShape(double fieldOfView, bool keepAspect);
void SwapGlBuffers();
// True when GL or the window system lists the extension by its whole name.
bool HasGlExtension(const char* name);
// The window system's own extension list (wglGetExtensionsStringARB/EXT), or null.
const char* WindowSystemExtensions();
// Sets how many vertical retraces a buffer swap waits for (wglSwapIntervalEXT).
void SetSwapInterval(int interval);
// Deletes the fonts' display lists; the window code calls it while the
// context they belong to is still current.
void DeleteFonts();
