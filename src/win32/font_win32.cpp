// The bitmap font: GDI draws each glyph of a bold font into one GL display list.
#include "win32/win32_local.h"

#include "render/gl_window.h"
#include "render/overlay.h"

// A glyph GDI draws no pixel of (GGO_BITMAP needs no buffer) is blank.
static unsigned MeasureGlyphs(HDC deviceContext, GlyphMetrics* metrics)
{
    const MAT2 identity = {{0, 1}, {0, 0}, {0, 0}, {0, 1}};
    for (unsigned k = 0; k < FONT_GLYPHS; ++k) {
        GLYPHMETRICS glyph = {};
        const DWORD size = GetGlyphOutlineW(deviceContext, FIRST_GLYPH + k, GGO_BITMAP, &glyph, 0, nullptr, &identity);
        metrics[k].blank = size == 0;
        metrics[k].advanceX = float(glyph.gmCellIncX);
    }
    return FONT_GLYPHS;
}

void BuildFont(const char* faceName, int32_t height)
{
    static GlyphMetrics metrics[FONT_GLYPHS];
    if (glWindow.fontCount >= MAX_FONTS) return;   // every slot taken: the font is dropped

    const GLuint base = glGenLists(GLsizei(FONT_GLYPHS));
    glWindow.fontListBases[glWindow.fontCount] = base;
    // A negative height asks for that many pixels of character height.
    HFONT font = CreateFontA(height, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_TT_PRECIS,
                             CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, DEFAULT_PITCH | FF_DONTCARE, faceName);
    HDC deviceContext = GameDeviceContext();
    HGDIOBJ previous = SelectObject(deviceContext, font);
    glWindow.fontCount += 1;
    // By Unicode code point, so list 32 + k is Latin-1 character 32 + k
    // whatever the system's code page.
    wglUseFontBitmapsW(deviceContext, FIRST_GLYPH, FONT_GLYPHS, base);
    RecordBlankGlyphs(base, metrics, MeasureGlyphs(deviceContext, metrics));
    // The lists keep the glyphs; the GDI font is no longer needed.
    SelectObject(deviceContext, previous);
    DeleteObject(font);
}
