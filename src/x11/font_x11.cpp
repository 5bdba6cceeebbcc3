// The bitmap font: the X server draws each glyph of a bold font into one GL
// display list.
#include <cstdio>
#include <cstdlib>

#include "render/gl_api.h"
#include "render/gl_window.h"
#include "render/overlay.h"

#include <GL/glx.h>

#include "x11/x11_local.h"

// Bold sans faces, the nearest X has to the Windows face first, with the
// pixel size left open; "fixed" is on every X server.
static const char* const FONT_PATTERNS[] = {
    "-*-helvetica-bold-r-normal--%s-*-*-*-p-*-iso8859-1",
    "-*-liberation sans-bold-r-normal--%s-*-*-*-p-*-iso8859-1",
    "-*-dejavu sans-bold-r-normal--%s-*-*-*-p-*-iso8859-1",
    "-*-*-bold-r-normal-sans-%s-*-*-*-p-*-iso8859-1",
};

// The pixel size, the seventh field of an X font name; 0 for a scalable face.
static int PixelSizeOf(const char* name)
{
    int dashes = 0;
    for (const char* c = name; *c; ++c) {
        if (*c == '-' && ++dashes == 7) return std::atoi(c + 1);
    }
    return -1;
}

// The face at the very size when the server has it or can scale one to it,
// else the size of that face nearest to it.
static XFontStruct* LoadFace(Display* display, const char* pattern, int pixels)
{
    char size[16], name[160];
    std::snprintf(size, sizeof size, "%d", pixels);
    std::snprintf(name, sizeof name, pattern, size);
    if (XFontStruct* font = XLoadQueryFont(display, name)) return font;

    std::snprintf(name, sizeof name, pattern, "*");
    int count = 0;
    char** names = XListFonts(display, name, 1000, &count);
    const char* nearest = nullptr;
    int nearestDistance = 0;
    for (int k = 0; k < count; ++k) {
        const int found = PixelSizeOf(names[k]);
        if (found <= 0) continue;
        const int distance = std::abs(found - pixels);
        if (!nearest || distance < nearestDistance) {
            nearest = names[k];
            nearestDistance = distance;
        }
    }
    XFontStruct* font = nearest ? XLoadQueryFont(display, nearest) : nullptr;
    if (names) XFreeFontNames(names);
    return font;
}

static XFontStruct* LoadFont(Display* display, int pixels)
{
    for (const char* pattern : FONT_PATTERNS) {
        if (XFontStruct* font = LoadFace(display, pattern, pixels)) return font;
    }
    return XLoadQueryFont(display, "fixed");
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

// The height is Windows' own: negative for the characters' height in pixels.
void BuildFont(const char*, int32_t height)
{
    static GlyphMetrics metrics[FONT_GLYPHS];
    if (glWindow.fontCount >= MAX_FONTS) return;   // every slot taken: the font is dropped

    const GLuint base = glGenLists(GLsizei(FONT_GLYPHS));
    glWindow.fontListBases[glWindow.fontCount] = base;
    glWindow.fontCount += 1;
    Display* display = GameDisplay();
    XFontStruct* font = display ? LoadFont(display, height < 0 ? -height : height) : nullptr;
    if (!font) return;   // the lists stay empty: texts draw nothing
    glXUseXFont(font->fid, int(FIRST_GLYPH), int(FONT_GLYPHS), int(base));
    RecordBlankGlyphs(base, metrics, MeasureGlyphs(font, metrics));
    // The lists keep the glyphs; the server's font is no longer needed.
    XFreeFont(display, font);
}
