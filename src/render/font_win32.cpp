// The bitmap font: GDI draws each glyph of a bold font into one GL display list.
#include "render/gl_api.h"
#include "render/gl_window.h"
#include "render/overlay.h"

void BuildFont(const char* faceName, int32_t height)
{
    if (glWindow.fontCount >= MAX_FONTS) return;   // every slot taken: the font is dropped

    const GLuint base = glGenLists(GLsizei(FONT_GLYPHS));
    glWindow.fontListBases[glWindow.fontCount] = base;
    // A negative height asks for that many pixels of character height.
    HFONT font = CreateFontA(height, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_TT_PRECIS,
                             CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, DEFAULT_PITCH | FF_DONTCARE, faceName);
    HGDIOBJ previous = SelectObject(glWindow.deviceContext, font);
    glWindow.fontCount += 1;
    wglUseFontBitmapsA(glWindow.deviceContext, FIRST_GLYPH, FONT_GLYPHS, base);
    // The lists keep the glyphs; the GDI font is no longer needed.
    SelectObject(glWindow.deviceContext, previous);
    DeleteObject(font);
}
