// The game window, its device context and GL context, and the window procedure.
#include "win32/win32_local.h"

#include <cstring>

#include "platform/keys.h"
#include "platform/platform.h"
#include "app/frame.h"
#include "render/gl_window.h"
#include "render/scene.h"

// The game's key codes are the virtual-key codes, handed on as they come.
static_assert(KEY_RETURN == VK_RETURN && KEY_ESCAPE == VK_ESCAPE && KEY_SPACE == VK_SPACE, "key codes");
static_assert(KEY_LEFT == VK_LEFT && KEY_UP == VK_UP && KEY_RIGHT == VK_RIGHT && KEY_DOWN == VK_DOWN, "key codes");
static_assert(KEY_F1 == VK_F1 && KEY_F5 == VK_F5 && KEY_F9 == VK_F9 && KEY_F11 == VK_F11 && KEY_F12 == VK_F12,
              "key codes");
static_assert(KEY_BACK == VK_BACK && KEY_TAB == VK_TAB && KEY_SHIFT == VK_SHIFT && KEY_CONTROL == VK_CONTROL,
              "key codes");
static_assert(KEY_PRIOR == VK_PRIOR && KEY_NEXT == VK_NEXT && KEY_END == VK_END && KEY_HOME == VK_HOME &&
                  KEY_INSERT == VK_INSERT && KEY_DELETE == VK_DELETE,
              "key codes");

static LRESULT CALLBACK GlWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The handles only this file creates and releases.
struct Win32Window {
    HINSTANCE instanceHandle = nullptr;
    HWND windowHandle = nullptr;
    HDC deviceContext = nullptr;
    HGLRC renderingContext = nullptr;
    DEVMODEA savedDisplayMode = {};   // the desktop's mode, restored when full screen ends
    bool displayModeChanged = false;  // started full screen in a mode of the game's size
    WINDOWPLACEMENT windowedPlace = {};   // where the window was before Alt+Enter
    bool windowedPlaceKept = false;
};
static Win32Window win32Window;

HDC GameDeviceContext()
{
    return win32Window.deviceContext;
}

static PIXELFORMATDESCRIPTOR pixelFormat;
static bool pixelFormatBuilt = false;

static void ReportShutdownError(const char* text)
{
    MessageBoxA(nullptr, text, "SHUTDOWN ERROR", MB_OK | MB_ICONINFORMATION);
}

// Everything created so far goes first, so the message shows over the
// restored desktop rather than a half-made full-screen window.
static bool FailCreation(const char* text)
{
    DestroyGlWindow();
    MessageBoxA(nullptr, text, "ERROR", MB_OK | MB_ICONEXCLAMATION);
    return false;
}

static bool RegisterGlWindowClass()
{
    WNDCLASSA windowClass = {};
    windowClass.style = CS_HREDRAW | CS_VREDRAW | CS_OWNDC;
    windowClass.lpfnWndProc = GlWindowProc;
    windowClass.hInstance = win32Window.instanceHandle;
    windowClass.hIcon = LoadIconA(win32Window.instanceHandle, MAKEINTRESOURCEA(glWindow.iconId));
    windowClass.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));   // IDC_ARROW
    windowClass.lpszClassName = glWindow.className;
    return RegisterClassA(&windowClass) != 0;
}

// Asks for the full-screen display mode; a refusal quietly leaves the window
// windowed at the requested client size.
static void EnterFullscreenMode(int32_t width, int32_t height, int32_t bits)
{
    std::memset(&win32Window.savedDisplayMode, 0, sizeof win32Window.savedDisplayMode);
    win32Window.savedDisplayMode.dmSize = sizeof win32Window.savedDisplayMode;
    EnumDisplaySettingsA(nullptr, ENUM_CURRENT_SETTINGS, &win32Window.savedDisplayMode);

    DEVMODEA mode;
    std::memset(&mode, 0, sizeof mode);
    mode.dmSize = sizeof mode;
    mode.dmFields = DM_BITSPERPEL | DM_PELSWIDTH | DM_PELSHEIGHT;
    mode.dmPelsWidth = DWORD(width);
    mode.dmPelsHeight = DWORD(height);
    mode.dmBitsPerPel = DWORD(bits);
    if (ChangeDisplaySettingsA(&mode, CDS_FULLSCREEN) != DISP_CHANGE_SUCCESSFUL) glWindow.fullscreenActive = false;
    else win32Window.displayModeChanged = true;
}

const DWORD WINDOWED_STYLE = WS_OVERLAPPEDWINDOW;
const DWORD WINDOWED_EX_STYLE = WS_EX_APPWINDOW | WS_EX_WINDOWEDGE;
const DWORD FULLSCREEN_STYLE = WS_POPUP;
const DWORD FULLSCREEN_EX_STYLE = WS_EX_APPWINDOW;

static void BuildPixelFormat(int32_t bits)
{
    std::memset(&pixelFormat, 0, sizeof pixelFormat);
    pixelFormat.nSize = sizeof pixelFormat;
    pixelFormat.nVersion = 1;
    pixelFormat.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    pixelFormat.iPixelType = PFD_TYPE_RGBA;
    pixelFormat.cColorBits = BYTE(bits);
    pixelFormat.cDepthBits = 16;
    pixelFormat.iLayerType = PFD_MAIN_PLANE;
    pixelFormatBuilt = true;
}

bool CreateGlWindow(const char* title, int32_t width, int32_t height, int32_t bits, bool fullscreen)
{
    RECT rect = {0, 0, width, height};
    glWindow.fullscreenActive = false;
    win32Window.instanceHandle = GetModuleHandleA(nullptr);
    if (!RegisterGlWindowClass()) {
        // No class to unregister and no display mode to restore: the clean-up at
        // exit must find nothing to release, or it reports a failure of its own.
        win32Window.instanceHandle = nullptr;
        MessageBoxA(nullptr, "Could Not Register The Window Class.", "ERROR", MB_OK | MB_ICONEXCLAMATION);
        return false;
    }
    glWindow.fullscreenActive = fullscreen;

    if (glWindow.fullscreenActive) EnterFullscreenMode(width, height, bits);
    DWORD style = WINDOWED_STYLE;
    DWORD exStyle = WINDOWED_EX_STYLE;
    if (glWindow.fullscreenActive) {
        ShowCursor(FALSE);
        style = FULLSCREEN_STYLE;
        exStyle = FULLSCREEN_EX_STYLE;
    }
    AdjustWindowRectEx(&rect, style, FALSE, exStyle);

    win32Window.windowHandle = CreateWindowExA(exStyle, glWindow.className, title,
                                            style | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, glWindow.positionX,
                                            glWindow.positionY, rect.right - rect.left, rect.bottom - rect.top,
                                            nullptr, nullptr, win32Window.instanceHandle, nullptr);
    if (!win32Window.windowHandle) return FailCreation("Window Creation Error.");
    PlatformSetGameWindow(win32Window.windowHandle);

    if (!pixelFormatBuilt) BuildPixelFormat(bits);
    win32Window.deviceContext = GetDC(win32Window.windowHandle);
    if (!win32Window.deviceContext) return FailCreation("Can't Create A GL Device Context.");
    int format = ChoosePixelFormat(win32Window.deviceContext, &pixelFormat);
    if (format == 0) return FailCreation("Can't Find A Suitable PixelFormat.");
    if (!SetPixelFormat(win32Window.deviceContext, format, &pixelFormat)) return FailCreation("Can't Set The PixelFormat.");
    win32Window.renderingContext = wglCreateContext(win32Window.deviceContext);
    if (!win32Window.renderingContext) return FailCreation("Can't Create A GL Rendering Context.");
    if (!wglMakeCurrent(win32Window.deviceContext, win32Window.renderingContext)) {
        return FailCreation("Can't Activate The GL Rendering Context.");
    }

    ShowWindow(win32Window.windowHandle, SW_SHOW);
    SetForegroundWindow(win32Window.windowHandle);
    SetFocus(win32Window.windowHandle);
    SetUpGlState();
    return true;
}

static void RestoreDisplayMode()
{
    if (!win32Window.displayModeChanged) return;
    if (ChangeDisplaySettingsA(nullptr, CDS_TEST) == DISP_CHANGE_SUCCESSFUL) {
        ChangeDisplaySettingsA(nullptr, CDS_RESET);
        ChangeDisplaySettingsA(&win32Window.savedDisplayMode, CDS_RESET);
    } else {
        ChangeDisplaySettingsA(nullptr, CDS_RESET);
    }
    win32Window.displayModeChanged = false;
}

static void LeaveFullscreenMode()
{
    RestoreDisplayMode();
    ShowCursor(TRUE);
    // Once is enough: the clean-up at process exit runs the destroy again.
    glWindow.fullscreenActive = false;
}

static void SetWindowStyles(DWORD style, DWORD exStyle)
{
    SetWindowLongPtrA(win32Window.windowHandle, GWL_STYLE, LONG_PTR(style | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | WS_VISIBLE));
    SetWindowLongPtrA(win32Window.windowHandle, GWL_EXSTYLE, LONG_PTR(exStyle));
}

// A borderless window over the whole monitor rather than a display mode of
// the game's own: the switch is instant, the desktop keeps its resolution and
// Alt+Tab leaves nothing to restore. A game started full screen keeps the
// mode it asked for until it leaves full screen.
void ToggleFullscreen(int32_t windowedWidth, int32_t windowedHeight)
{
    HWND window = win32Window.windowHandle;
    if (!window) return;
    if (!glWindow.fullscreenActive) {
        MONITORINFO monitor = {};
        monitor.cbSize = sizeof monitor;
        if (!GetMonitorInfoA(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &monitor)) return;
        win32Window.windowedPlace.length = sizeof win32Window.windowedPlace;
        win32Window.windowedPlaceKept = GetWindowPlacement(window, &win32Window.windowedPlace) != 0;
        // Set first: the size messages of the switch are no window size to keep.
        glWindow.fullscreenActive = true;
        ShowCursor(FALSE);
        SetWindowStyles(FULLSCREEN_STYLE, FULLSCREEN_EX_STYLE);
        const RECT& area = monitor.rcMonitor;
        SetWindowPos(window, HWND_TOP, area.left, area.top, area.right - area.left, area.bottom - area.top,
                     SWP_FRAMECHANGED | SWP_SHOWWINDOW);
        return;
    }
    LeaveFullscreenMode();
    SetWindowStyles(WINDOWED_STYLE, WINDOWED_EX_STYLE);
    if (win32Window.windowedPlaceKept) {
        SetWindowPlacement(window, &win32Window.windowedPlace);
        SetWindowPos(window, nullptr, 0, 0, 0, 0, SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER);
        return;
    }
    RECT rect = {0, 0, windowedWidth, windowedHeight};
    AdjustWindowRectEx(&rect, WINDOWED_STYLE, FALSE, WINDOWED_EX_STYLE);
    SetWindowPos(window, HWND_TOP, glWindow.positionX, glWindow.positionY, rect.right - rect.left,
                 rect.bottom - rect.top, SWP_FRAMECHANGED | SWP_SHOWWINDOW);
}

// Safe on a partly created or already destroyed window: each handle is
// released once and cleared, whatever the release reported.
void DestroyGlWindow()
{
    if (glWindow.fullscreenActive) LeaveFullscreenMode();
    if (win32Window.renderingContext) {
        // The fonts' display lists belong to the context: they go while it is still current.
        DeleteFonts();
        if (!wglMakeCurrent(nullptr, nullptr)) ReportShutdownError("Release Of DC And RC Failed.");
        if (!wglDeleteContext(win32Window.renderingContext)) ReportShutdownError("Release Rendering Context Failed.");
        win32Window.renderingContext = nullptr;
    }
    if (win32Window.deviceContext) {
        if (!ReleaseDC(win32Window.windowHandle, win32Window.deviceContext)) {
            ReportShutdownError("Release Device Context Failed.");
        }
        win32Window.deviceContext = nullptr;
    }
    if (win32Window.windowHandle) {
        if (!DestroyWindow(win32Window.windowHandle)) ReportShutdownError("Could Not Release hWnd.");
        win32Window.windowHandle = nullptr;
        PlatformSetGameWindow(nullptr);
    }
    if (win32Window.instanceHandle) {
        if (!UnregisterClassA(glWindow.className, win32Window.instanceHandle)) {
            ReportShutdownError("Could Not Unregister Class.");
        }
        win32Window.instanceHandle = nullptr;
    }
}

void SwapGlBuffers()
{
    SwapBuffers(win32Window.deviceContext);
}

void SetSwapInterval(int interval)
{
    typedef BOOL(WINAPI * SwapIntervalFunction)(int);
    PROC address = wglGetProcAddress("wglSwapIntervalEXT");
    if (!address) return;
    SwapIntervalFunction setInterval;
    std::memcpy(&setInterval, &address, sizeof setInterval);
    setInterval(interval);
}

const char* WindowSystemExtensions()
{
    typedef const char*(WINAPI * ArbExtensions)(HDC);
    typedef const char*(WINAPI * ExtExtensions)();
    if (PROC address = wglGetProcAddress("wglGetExtensionsStringARB")) {
        ArbExtensions extensions;
        std::memcpy(&extensions, &address, sizeof extensions);
        return extensions(win32Window.deviceContext);
    }
    if (PROC address = wglGetProcAddress("wglGetExtensionsStringEXT")) {
        ExtExtensions extensions;
        std::memcpy(&extensions, &address, sizeof extensions);
        return extensions();
    }
    return nullptr;
}

static LRESULT CALLBACK GlWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_MOVE:
        if (!glWindow.fullscreenActive) StoreWindowPosition(int32_t(LOWORD(lParam)), int32_t(HIWORD(lParam)));
        return 0;
    case WM_SIZE:
        // Full screen's size is the monitor's or the display mode's, no window size to keep.
        if (!glWindow.fullscreenActive) NoteClientSize(int32_t(LOWORD(lParam)), int32_t(HIWORD(lParam)));
        ResizeProjection(int32_t(LOWORD(lParam)), int32_t(HIWORD(lParam)), double(0.1f), 10.0);
        return 0;
    case WM_ACTIVATE:
        // The low word alone says whether the window is active; a minimised
        // window is inactive and runs no frames.
        NoteWindowActive(LOWORD(wParam) != WA_INACTIVE);
        return 0;
    case WM_PAINT:
        PaintFrame();
        break;
    case WM_CLOSE:
        PostQuitMessage(0);
        return 0;
    case WM_KEYDOWN:
        if (wParam < KEY_CODES) NoteKey(unsigned(wParam), true);
        return 0;
    case WM_KEYUP:
        if (wParam < KEY_CODES) NoteKey(unsigned(wParam), false);
        return 0;
    case WM_SYSKEYDOWN:
        // Alt+Enter: bit 29 says Alt is held, bit 30 that the key was already down.
        if (wParam == VK_RETURN && (lParam & (1 << 29)) && !(lParam & (1 << 30))) {
            NoteFullscreenToggle();
            return 0;
        }
        break;
    case WM_SYSCHAR:
        if (wParam == '\r') return 0;   // no beep for Alt+Enter
        break;
    case WM_SYSCOMMAND:
        if (wParam == SC_SCREENSAVE || wParam == SC_MONITORPOWER) return 0;
        break;
    default:
        break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}
