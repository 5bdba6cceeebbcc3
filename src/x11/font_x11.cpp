// The bitmap font: the X server draws each glyph of a bold font into one GL
// display list.
#include "render/gl_api.h"
#include "render/gl_window.h"
#include "render/overlay.h"

#include <GL/glx.h>

#include "x11/x11_local.h"

// Bold sans faces about 12 pixels high, the nearest X has to the Windows
// face; "fixed" is on every X server.
static const char* const FONT_NAMES[] = {
    "-*-helvetica-bold-r-normal--12-*-*-*-p-*-iso8859-1",
    "-*-liberation sans-bold-r-normal--12-*-*-*-p-*-iso8859-1",
    "-*-dejavu sans-bold-r-normal--12-*-*-*-p-*-iso8859-1",
    "-*-*-bold-r-normal-sans-12-*-*-*-p-*-iso8859-1",
    "fixed",
};

static XFontStruct* LoadFont(Display* display)
{
    for (const char* name : FONT_NAMES) {
        if (XFontStruct* font = XLoadQueryFont(display, name)) return font;
    }
    return nullptr;
}

// A glyph with no ink (a space, or a code the font lacks) is blank.
static unsigned MeasureGlyphs(const XFontStruct* font, GlyphMetrics* metrics)
{
    for (unsigned k = 0; k < FONT_GLYPHS; ++k) {
        const unsigned code = FIRST_GLYPH + k;
        const XCharStruct* glyph = &font->max_bounds;
        if (font->per_char && font->min_byte1 == 0 && font->max_byte1 == 0) {
            if (code < font->min_char_or_byte2 || code > font->max_char_or_byte2) {
                metrics[k].blank = true;
                metrics[k].advanceX = 0.0f;
                continue;
            }
            glyph = &font->per_char[code - font->min_char_or_byte2];
        }
        metrics[k].blank = glyph->lbearing >= glyph->rbearing || glyph->ascent + glyph->descent <= 0;
        metrics[k].advanceX = float(glyph->width);
    }
    return FONT_GLYPHS;
}

void BuildFont(const char*, int32_t)
{
    static GlyphMetrics metrics[FONT_GLYPHS];
    if (glWindow.fontCount >= MAX_FONTS) return;   // every slot taken: the font is dropped

    const GLuint base = glGenLists(GLsizei(FONT_GLYPHS));
    glWindow.fontListBases[glWindow.fontCount] = base;
    glWindow.fontCount += 1;
    Display* display = GameDisplay();
    XFontStruct* font = display ? LoadFont(display) : nullptr;
    if (!font) return;   // the lists stay empty: texts draw nothing
    glXUseXFont(font->fid, int(FIRST_GLYPH), int(FONT_GLYPHS), int(base));
    RecordBlankGlyphs(base, metrics, MeasureGlyphs(font, metrics));
    // The lists keep the glyphs; the server's font is no longer needed.
    XFreeFont(display, font);
}
