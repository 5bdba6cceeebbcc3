// The game window, its device context and GL context, and the window procedure.
#include <cstring>

#include "platform/keys.h"
#include "platform/platform.h"
#include "render/gl_api.h"
#include "render/gl_window.h"
#include "render/overlay.h"
#include "render/scene.h"
#include "win32/win32_local.h"

// The game's key codes are the virtual-key codes, handed on as they come.
static_assert(KEY_RETURN == VK_RETURN && KEY_ESCAPE == VK_ESCAPE && KEY_SPACE == VK_SPACE, "key codes");
static_assert(KEY_LEFT == VK_LEFT && KEY_UP == VK_UP && KEY_RIGHT == VK_RIGHT && KEY_DOWN == VK_DOWN, "key codes");
static_assert(KEY_F5 == VK_F5 && KEY_F12 == VK_F12, "key codes");

static LRESULT CALLBACK GlWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

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
    windowClass.hInstance = glWindow.instanceHandle;
    windowClass.hIcon = LoadIconA(glWindow.instanceHandle, MAKEINTRESOURCEA(glWindow.iconId));
    windowClass.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));   // IDC_ARROW
    windowClass.lpszClassName = glWindow.className;
    return RegisterClassA(&windowClass) != 0;
}

// Asks for the full-screen display mode; a refusal quietly leaves the window
// windowed at the requested client size.
static void EnterFullscreenMode(int32_t width, int32_t height, int32_t bits)
{
    std::memset(&glWindow.savedDisplayMode, 0, sizeof glWindow.savedDisplayMode);
    glWindow.savedDisplayMode.dmSize = sizeof glWindow.savedDisplayMode;
    EnumDisplaySettingsA(nullptr, ENUM_CURRENT_SETTINGS, &glWindow.savedDisplayMode);

    DEVMODEA mode;
    std::memset(&mode, 0, sizeof mode);
    mode.dmSize = sizeof mode;
    mode.dmFields = DM_BITSPERPEL | DM_PELSWIDTH | DM_PELSHEIGHT;
    mode.dmPelsWidth = DWORD(width);
    mode.dmPelsHeight = DWORD(height);
    mode.dmBitsPerPel = DWORD(bits);
    if (ChangeDisplaySettingsA(&mode, CDS_FULLSCREEN) != DISP_CHANGE_SUCCESSFUL) glWindow.fullscreenActive = false;
}

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
    glWindow.instanceHandle = GetModuleHandleA(nullptr);
    if (!RegisterGlWindowClass()) {
        // No class to unregister and no display mode to restore: the clean-up at
        // exit must find nothing to release, or it reports a failure of its own.
        glWindow.instanceHandle = nullptr;
        MessageBoxA(nullptr, "Could Not Register The Window Class.", "ERROR", MB_OK | MB_ICONEXCLAMATION);
        return false;
    }
    glWindow.fullscreenActive = fullscreen;

    if (glWindow.fullscreenActive) EnterFullscreenMode(width, height, bits);
    DWORD style = WS_OVERLAPPEDWINDOW;
    DWORD exStyle = WS_EX_APPWINDOW | WS_EX_WINDOWEDGE;
    if (glWindow.fullscreenActive) {
        ShowCursor(FALSE);
        style = WS_POPUP;
        exStyle = WS_EX_APPWINDOW;
    }
    AdjustWindowRectEx(&rect, style, FALSE, exStyle);

    glWindow.windowHandle = CreateWindowExA(exStyle, glWindow.className, title,
                                            style | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, glWindow.positionX,
                                            glWindow.positionY, rect.right - rect.left, rect.bottom - rect.top,
                                            nullptr, nullptr, glWindow.instanceHandle, nullptr);
    if (!glWindow.windowHandle) return FailCreation("Window Creation Error.");
    PlatformSetGameWindow(glWindow.windowHandle);

    if (!pixelFormatBuilt) BuildPixelFormat(bits);
    glWindow.deviceContext = GetDC(glWindow.windowHandle);
    if (!glWindow.deviceContext) return FailCreation("Can't Create A GL Device Context.");
    int format = ChoosePixelFormat(glWindow.deviceContext, &pixelFormat);
    if (format == 0) return FailCreation("Can't Find A Suitable PixelFormat.");
    if (!SetPixelFormat(glWindow.deviceContext, format, &pixelFormat)) return FailCreation("Can't Set The PixelFormat.");
    glWindow.renderingContext = wglCreateContext(glWindow.deviceContext);
    if (!glWindow.renderingContext) return FailCreation("Can't Create A GL Rendering Context.");
    if (!wglMakeCurrent(glWindow.deviceContext, glWindow.renderingContext)) {
        return FailCreation("Can't Activate The GL Rendering Context.");
    }

    ShowWindow(glWindow.windowHandle, SW_SHOW);
    SetForegroundWindow(glWindow.windowHandle);
    SetFocus(glWindow.windowHandle);
    SetUpGlState();
    return true;
}

static void LeaveFullscreenMode()
{
    if (ChangeDisplaySettingsA(nullptr, CDS_TEST) == DISP_CHANGE_SUCCESSFUL) {
        ChangeDisplaySettingsA(nullptr, CDS_RESET);
        ChangeDisplaySettingsA(&glWindow.savedDisplayMode, CDS_RESET);
    } else {
        ChangeDisplaySettingsA(nullptr, CDS_RESET);
    }
    ShowCursor(TRUE);
    // Once is enough: the clean-up at process exit runs the destroy again.
    glWindow.fullscreenActive = false;
}

// Safe on a partly created or already destroyed window: each handle is
// released once and cleared, whatever the release reported.
void DestroyGlWindow()
{
    if (glWindow.fullscreenActive) LeaveFullscreenMode();
    if (glWindow.renderingContext) {
        if (!wglMakeCurrent(nullptr, nullptr)) ReportShutdownError("Release Of DC And RC Failed.");
        if (!wglDeleteContext(glWindow.renderingContext)) ReportShutdownError("Release Rendering Context Failed.");
        glWindow.renderingContext = nullptr;
    }
    if (glWindow.deviceContext) {
        if (!ReleaseDC(glWindow.windowHandle, glWindow.deviceContext)) {
            ReportShutdownError("Release Device Context Failed.");
        }
        glWindow.deviceContext = nullptr;
    }
    if (glWindow.windowHandle) {
        if (!DestroyWindow(glWindow.windowHandle)) ReportShutdownError("Could Not Release hWnd.");
        glWindow.windowHandle = nullptr;
        PlatformSetGameWindow(nullptr);
    }
    if (glWindow.instanceHandle) {
        if (!UnregisterClassA(glWindow.className, glWindow.instanceHandle)) {
            ReportShutdownError("Could Not Unregister Class.");
        }
        glWindow.instanceHandle = nullptr;
    }
    for (uint32_t i = 0; i < glWindow.fontCount; ++i) DeleteFont(i);
}

void SwapGlBuffers()
{
    SwapBuffers(glWindow.deviceContext);
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
        return extensions(glWindow.deviceContext);
    }
    if (PROC address = wglGetProcAddress("wglGetExtensionsStringEXT")) {
        ExtExtensions extensions;
        std::memcpy(&extensions, &address, sizeof extensions);
        return extensions();
    }
    return nullptr;
}

GlWindowHandle GetWindowHandle()
{
    return glWindow.windowHandle;
}

static LRESULT CALLBACK GlWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_MOVE:
        StoreWindowPosition(int32_t(LOWORD(lParam)), int32_t(HIWORD(lParam)));
        return 0;
    case WM_SIZE:
        NoteClientSize(int32_t(LOWORD(lParam)), int32_t(HIWORD(lParam)));
        ResizeProjection(int32_t(LOWORD(lParam)), int32_t(HIWORD(lParam)), double(0.1f), 10.0);
        return 0;
    case WM_ACTIVATE:
        // The low word alone says whether the window is active; a minimised
        // window is inactive and runs no frames.
        NoteWindowActive(LOWORD(wParam) != WA_INACTIVE);
        return 0;
    case WM_PAINT:
        DrawFrame();
        SwapGlBuffers();
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
    case WM_SYSCOMMAND:
        if (wParam == SC_SCREENSAVE || wParam == SC_MONITORPOWER) return 0;
        break;
    default:
        break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}
