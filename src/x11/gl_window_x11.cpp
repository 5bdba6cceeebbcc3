// The game window and its GLX context, and the handling of its events: the
// native Linux counterpart of the WGL window and its window procedure.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "app/frame.h"
#include "image/png_decoder.h"
#include "platform/keys.h"
#include "platform/platform.h"
#include "render/gl_api.h"
#include "render/gl_window.h"
#include "render/scene.h"

#include <GL/glx.h>
#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

#include "x11/x11_local.h"

static Display* display = nullptr;
static Window window = 0;
static Colormap colormap = 0;
static GLXContext context = nullptr;
static Atom wmProtocols = 0;
static Atom wmDeleteWindow = 0;
static int32_t clientWidth = 0;
static int32_t clientHeight = 0;

Display* GameDisplay()
{
    return display;
}

// There is no message box without a toolkit: the terminal that started the
// game gets the same words.
static void Report(const char* caption, const char* text)
{
    std::fprintf(stderr, "%s: %s\n", caption, text);
}

// Xlib's own handler ends the program on any refused request. While the
// window is being made, a refusal (a size the server will not make, a focus
// it will not move) only leaves that request undone; the scope waits for the
// server's answers before the default handler is back.
static int IgnoreXError(Display*, XErrorEvent*)
{
    return 0;
}

struct RefusalsIgnored {
    RefusalsIgnored() : previous(XSetErrorHandler(IgnoreXError)) {}
    ~RefusalsIgnored()
    {
        if (display) XSync(display, False);
        XSetErrorHandler(previous);
    }
    RefusalsIgnored(const RefusalsIgnored&) = delete;
    RefusalsIgnored& operator=(const RefusalsIgnored&) = delete;
    XErrorHandler previous;
};

// X sizes are 16-bit; the settings allow far more.
static unsigned WindowSide(int32_t side)
{
    const int32_t MAX_SIDE = 32767;
    return unsigned(side < 1 ? 1 : side > MAX_SIDE ? MAX_SIDE : side);
}

static bool FailCreation(const char* text)
{
    DestroyGlWindow();
    Report("ERROR", text);
    return false;
}

// Only a window manager that lists the full-screen state can grant it; without
// one the request is refused and the window stays a window.
static bool WindowManagerOffersFullscreen(Atom fullscreenState)
{
    Atom supported = XInternAtom(display, "_NET_SUPPORTED", False);
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, remaining = 0;
    unsigned char* data = nullptr;
    bool offered = false;
    if (XGetWindowProperty(display, DefaultRootWindow(display), supported, 0, 4096, False, XA_ATOM, &type, &format,
                           &count, &remaining, &data) == Success &&
        data && type == XA_ATOM && format == 32) {
        const Atom* atoms = reinterpret_cast<const Atom*>(data);
        for (unsigned long k = 0; k < count; ++k) {
            if (atoms[k] == fullscreenState) offered = true;
        }
    }
    if (data) XFree(data);
    return offered;
}

// Asked before the window is mapped, the window manager applies the state as
// it maps it; the window keeps the configured size for when it is left.
static void RequestFullscreen()
{
    Atom state = XInternAtom(display, "_NET_WM_STATE", False);
    Atom fullscreenState = XInternAtom(display, "_NET_WM_STATE_FULLSCREEN", False);
    if (!WindowManagerOffersFullscreen(fullscreenState)) {
        glWindow.fullscreenActive = false;
        return;
    }
    XChangeProperty(display, window, state, XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&fullscreenState), 1);
    PlatformShowCursor(false);
}

// A mapped window asks the window manager with a message to the root window;
// without a manager that offers the state, nothing changes.
void ToggleFullscreen(int32_t, int32_t)
{
    if (!display || !window) return;
    Atom fullscreenState = XInternAtom(display, "_NET_WM_STATE_FULLSCREEN", False);
    if (!WindowManagerOffersFullscreen(fullscreenState)) return;
    const bool enter = !glWindow.fullscreenActive;
    XEvent request = {};
    request.xclient.type = ClientMessage;
    request.xclient.window = window;
    request.xclient.message_type = XInternAtom(display, "_NET_WM_STATE", False);
    request.xclient.format = 32;
    request.xclient.data.l[0] = enter ? 1 : 0;   // _NET_WM_STATE_ADD or _REMOVE
    request.xclient.data.l[1] = long(fullscreenState);
    request.xclient.data.l[3] = 1;               // asked by an application
    XSendEvent(display, DefaultRootWindow(display), False, SubstructureRedirectMask | SubstructureNotifyMask,
               &request);
    XFlush(display);
    // Set now: the sizes the manager gives the window on the way are no
    // window size to keep; leaving, it gives back the old one.
    glWindow.fullscreenActive = enter;
    PlatformShowCursor(!enter);
}

extern const unsigned char WINDOW_ICON_PNG[];
extern const unsigned WINDOW_ICON_PNG_SIZE;

// _NET_WM_ICON: width, height, then the pixels top row first as 0xAARRGGBB,
// one to a CARDINAL (a long, for Xlib, whatever its size).
static void SetWindowIcon()
{
    ImageData icon = {};
    if (DecodePng(icon, WINDOW_ICON_PNG, WINDOW_ICON_PNG_SIZE) != ImageRefusal::NONE) return;
    const unsigned components = icon.components;
    if (components >= 3) {
        const size_t stride = ImageRowStride(icon.width, components);
        std::vector<unsigned long> cardinals;
        cardinals.reserve(2 + size_t(icon.width) * size_t(icon.height));
        cardinals.push_back(static_cast<unsigned long>(icon.width));
        cardinals.push_back(static_cast<unsigned long>(icon.height));
        for (int32_t y = icon.height; y-- > 0;) {   // the decoder keeps the bottom row first, as GL does
            const unsigned char* row = icon.pixels + size_t(y) * stride;
            for (int32_t x = 0; x < icon.width; ++x) {
                const unsigned char* p = row + size_t(x) * components;
                const unsigned long alpha = components == 4 ? p[3] : 0xFF;
                const unsigned long red = p[0], green = p[1], blue = p[2];
                cardinals.push_back(alpha << 24 | red << 16 | green << 8 | blue);
            }
        }
        XChangeProperty(display, window, XInternAtom(display, "_NET_WM_ICON", False), XA_CARDINAL, 32,
                        PropModeReplace, reinterpret_cast<const unsigned char*>(cardinals.data()),
                        int(cardinals.size()));
    }
    FreeImage(icon);
}

static void NameWindow(const char* title)
{
    XStoreName(display, window, title);
    char className[CLASS_NAME_SIZE];
    std::memcpy(className, glWindow.className, sizeof className);
    XClassHint hint = {className, className};
    XSetClassHint(display, window, &hint);
    wmProtocols = XInternAtom(display, "WM_PROTOCOLS", False);
    wmDeleteWindow = XInternAtom(display, "WM_DELETE_WINDOW", False);
    XSetWMProtocols(display, window, &wmDeleteWindow, 1);
}

static Bool IsMapNotify(Display*, XEvent* event, XPointer target)
{
    return event->type == MapNotify && event->xmap.window == *reinterpret_cast<Window*>(target);
}

static void NoteSize(int32_t width, int32_t height)
{
    clientWidth = width;
    clientHeight = height;
    // On Windows full screen changes the display mode to the configured size;
    // here the window manager stretches the window over the screen instead,
    // and that size is no setting to keep.
    if (!glWindow.fullscreenActive) NoteClientSize(width, height);
    ResizeProjection(width, height, double(0.1f), 10.0);
}

bool CreateGlWindow(const char* title, int32_t width, int32_t height, int32_t, bool fullscreen)
{
    glWindow.fullscreenActive = fullscreen;
    // A display server that is starting or briefly busy can refuse a
    // connection: ask again for about a second before giving up.
    display = XOpenDisplay(nullptr);
    for (int attempt = 0; !display && attempt < 10; ++attempt) {
        PlatformSleepMs(100);
        display = XOpenDisplay(nullptr);
    }
    if (!display) return FailCreation("Can't Open The X Display.");
    RefusalsIgnored refusalsIgnored;

    // The colour bits the game asks for are a minimum on Windows; any
    // true-colour visual of the display meets it, so they ask nothing here.
    int attributes[] = {GLX_RGBA, GLX_DOUBLEBUFFER, GLX_DEPTH_SIZE, 16, None};
    XVisualInfo* visual = glXChooseVisual(display, DefaultScreen(display), attributes);
    if (!visual) return FailCreation("Can't Find A Suitable PixelFormat.");

    const Window root = RootWindow(display, visual->screen);
    colormap = XCreateColormap(display, root, visual->visual, AllocNone);
    XSetWindowAttributes windowAttributes = {};
    windowAttributes.colormap = colormap;
    windowAttributes.background_pixel = 0;
    windowAttributes.border_pixel = 0;
    windowAttributes.event_mask = KeyPressMask | KeyReleaseMask | FocusChangeMask | StructureNotifyMask | ExposureMask;
    window = XCreateWindow(display, root, glWindow.positionX, glWindow.positionY, WindowSide(width),
                           WindowSide(height), 0, visual->depth, InputOutput, visual->visual,
                           CWColormap | CWBackPixel | CWBorderPixel | CWEventMask, &windowAttributes);
    if (!window) {
        XFree(visual);
        return FailCreation("Window Creation Error.");
    }
    PlatformSetGameWindow(display, window);
    NameWindow(title);
    SetWindowIcon();
    if (glWindow.fullscreenActive) RequestFullscreen();

    context = glXCreateContext(display, visual, nullptr, True);
    XFree(visual);
    if (!context) return FailCreation("Can't Create A GL Rendering Context.");
    if (!glXMakeCurrent(display, window, context)) return FailCreation("Can't Activate The GL Rendering Context.");

    XMapRaised(display, window);
    XEvent mapped;
    XIfEvent(display, &mapped, IsMapNotify, reinterpret_cast<XPointer>(&window));
    // Without a window manager nobody else hands the new window the focus.
    XSetInputFocus(display, window, RevertToParent, CurrentTime);
    NoteSize(width, height);
    SetUpGlState();
    return true;
}

// Safe on a partly created or already destroyed window: each resource is
// released once and cleared.
void DestroyGlWindow()
{
    if (glWindow.fullscreenActive) {
        PlatformShowCursor(true);
        glWindow.fullscreenActive = false;
    }
    if (context) {
        // The font lists belong to this context: they go while it is current.
        DeleteFonts();
        if (!glXMakeCurrent(display, None, nullptr)) Report("SHUTDOWN ERROR", "Release Of DC And RC Failed.");
        glXDestroyContext(display, context);
        context = nullptr;
    }
    if (window) {
        PlatformSetGameWindow(nullptr, 0);
        XDestroyWindow(display, window);
        window = 0;
    }
    if (colormap) {
        XFreeColormap(display, colormap);
        colormap = 0;
    }
    if (display) {
        XCloseDisplay(display);
        display = nullptr;
    }
}

void SwapGlBuffers()
{
    if (display && window) glXSwapBuffers(display, window);
}

void SetSwapInterval(int interval)
{
    if (!display || !window) return;
    typedef void (*ExtSwapInterval)(Display*, GLXDrawable, int);
    typedef int (*MesaSwapInterval)(unsigned);
    const GLubyte* extName = reinterpret_cast<const GLubyte*>("glXSwapIntervalEXT");
    const GLubyte* mesaName = reinterpret_cast<const GLubyte*>("glXSwapIntervalMESA");
    if (HasGlExtension("GLX_EXT_swap_control")) {
        if (auto address = glXGetProcAddressARB(extName)) {
            reinterpret_cast<ExtSwapInterval>(address)(display, window, interval);
            return;
        }
    }
    if (HasGlExtension("GLX_MESA_swap_control")) {
        if (auto address = glXGetProcAddressARB(mesaName)) {
            reinterpret_cast<MesaSwapInterval>(address)(unsigned(interval));
        }
    }
}

const char* WindowSystemExtensions()
{
    if (!display) return nullptr;
    return glXQueryExtensionsString(display, DefaultScreen(display));
}

// The game's key codes are the Windows virtual keys; X names its keys by
// symbol, taken here without modifiers, so a held Shift changes nothing.
static bool GameKeyCode(XKeyEvent& key, unsigned& code)
{
    const KeySym symbol = XLookupKeysym(&key, 0);
    if (symbol >= XK_a && symbol <= XK_z) {
        code = unsigned('A' + (symbol - XK_a));
        return true;
    }
    if (symbol >= XK_0 && symbol <= XK_9) {
        code = unsigned('0' + (symbol - XK_0));
        return true;
    }
    if (symbol >= XK_F1 && symbol <= XK_F9) {
        code = unsigned(KEY_F1 + (symbol - XK_F1));
        return true;
    }
    switch (symbol) {
    case XK_Return:
    case XK_KP_Enter: code = KEY_RETURN; return true;
    case XK_Escape: code = KEY_ESCAPE; return true;
    case XK_space: code = KEY_SPACE; return true;
    case XK_Left: code = KEY_LEFT; return true;
    case XK_Up: code = KEY_UP; return true;
    case XK_Right: code = KEY_RIGHT; return true;
    case XK_Down: code = KEY_DOWN; return true;
    case XK_Tab: code = KEY_TAB; return true;
    case XK_BackSpace: code = KEY_BACK; return true;
    case XK_Shift_L:
    case XK_Shift_R: code = KEY_SHIFT; return true;
    case XK_Control_L:
    case XK_Control_R: code = KEY_CONTROL; return true;
    case XK_Insert: code = KEY_INSERT; return true;
    case XK_Delete: code = KEY_DELETE; return true;
    case XK_Home: code = KEY_HOME; return true;
    case XK_End: code = KEY_END; return true;
    case XK_Prior: code = KEY_PRIOR; return true;
    case XK_Next: code = KEY_NEXT; return true;
    case XK_F11: code = KEY_F11; return true;
    case XK_F12: code = KEY_F12; return true;
    default: return false;
    }
}

// X reports a held key as release-press pairs with one time stamp; Windows as
// repeated key-downs. The pair becomes one key-down, so a held key stays held.
// Events another client sends never repeat, and carry whatever time their
// sender wrote (often 0 for all of them), so they are never taken for a pair.
static bool IsAutoRepeat(const XKeyEvent& release)
{
    if (release.send_event || XEventsQueued(display, QueuedAfterReading) == 0) return false;
    XEvent next;
    XPeekEvent(display, &next);
    return next.type == KeyPress && next.xkey.keycode == release.keycode && next.xkey.time == release.time;
}

// Enter with Alt held is the full-screen switch, never an Enter for the game.
static bool IsAltEnter(XKeyEvent& key, unsigned code)
{
    return code == KEY_RETURN && (key.state & Mod1Mask) != 0;
}

static WindowEventResult HandleKey(XEvent& event)
{
    unsigned code = 0;
    if (event.type == KeyRelease && IsAutoRepeat(event.xkey)) {
        XEvent press;
        XNextEvent(display, &press);
        if (GameKeyCode(press.xkey, code) && !IsAltEnter(press.xkey, code)) NoteKey(code, true);
        return EVENT_HANDLED;
    }
    if (!GameKeyCode(event.xkey, code) || code >= KEY_CODES) return EVENT_HANDLED;
    if (IsAltEnter(event.xkey, code)) {
        if (event.type == KeyPress) NoteFullscreenToggle();
        return EVENT_HANDLED;
    }
    // A tap between two frames is kept for the next frame by the game itself.
    NoteKey(code, event.type == KeyPress);
    return EVENT_HANDLED;
}

WindowEventResult HandleWindowEvent(XEvent& event)
{
    switch (event.type) {
    case KeyPress:
    case KeyRelease:
        return HandleKey(event);
    case FocusIn:
    case FocusOut:
        // A grab (a window manager's switcher, say) moves no focus for good.
        if (event.xfocus.mode == NotifyGrab || event.xfocus.mode == NotifyUngrab) return EVENT_HANDLED;
        if (event.xfocus.detail == NotifyPointer) return EVENT_HANDLED;
        NoteWindowActive(event.type == FocusIn);
        return EVENT_HANDLED;
    case ConfigureNotify:
        if (event.xconfigure.width != clientWidth || event.xconfigure.height != clientHeight) {
            NoteSize(event.xconfigure.width, event.xconfigure.height);
        }
        return EVENT_HANDLED;
    case UnmapNotify:
        // Minimised: as on Windows, a client area of 0 x 0 until shown again.
        NoteSize(0, 0);
        return EVENT_HANDLED;
    case MapNotify: {
        XWindowAttributes attributes;
        if (XGetWindowAttributes(display, window, &attributes)) NoteSize(attributes.width, attributes.height);
        return EVENT_HANDLED;
    }
    case Expose:
        if (event.xexpose.count == 0) {
            PaintFrame();
        }
        return EVENT_HANDLED;
    case ClientMessage:
        // The close box: the game ends as with Alt+F4 on Windows.
        if (event.xclient.message_type == wmProtocols && event.xclient.format == 32 &&
            Atom(event.xclient.data.l[0]) == wmDeleteWindow) {
            return EVENT_QUIT;
        }
        return EVENT_HANDLED;
    default:
        return EVENT_HANDLED;
    }
}
