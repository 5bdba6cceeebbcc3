#include "support/gl_fake.h"

#include <cstdarg>
#include <cstdio>

#include "render/gl_api.h"

std::vector<std::string> glCalls;
const unsigned char* lastDrawnPixels = nullptr;
static std::string extensions = "GL_ARB_multitexture WGL_EXT_swap_control";
static bool extensionsNull = false;
static GLuint nextTexture = 1;
static GLuint nextList = 1000;

// Sized to the text, so long texts (a whole line of glyphs) are logged in full.
static void Record(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    va_list again;
    va_copy(again, args);
    const int length = std::vsnprintf(nullptr, 0, format, args);
    va_end(args);
    std::string text(length > 0 ? size_t(length) : 0, '\0');
    if (length > 0) std::vsnprintf(&text[0], text.size() + 1, format, again);
    va_end(again);
    glCalls.push_back(text);
}

void GlFakeReset()
{
    glCalls.clear();
    nextTexture = 1;
    nextList = 1000;
    GlFakeSetExtensions("GL_ARB_multitexture WGL_EXT_swap_control");
}

void GlFakeSetExtensions(const char* text)
{
    extensionsNull = text == nullptr;
    extensions = text ? text : "";
}

std::vector<std::string> GlCallsStartingWith(const std::string& prefix)
{
    std::vector<std::string> found;
    for (const std::string& call : glCalls) {
        if (call.compare(0, prefix.size(), prefix) == 0) found.push_back(call);
    }
    return found;
}

extern "C" {
void glEnable(GLenum cap) { Record("glEnable(%u)", cap); }
void glDisable(GLenum cap) { Record("glDisable(%u)", cap); }
void glClearColor(GLclampf r, GLclampf g, GLclampf b, GLclampf a) { Record("glClearColor(%g,%g,%g,%g)", r, g, b, a); }
void glClearDepth(GLclampd depth) { Record("glClearDepth(%g)", depth); }
void glClear(GLbitfield mask) { Record("glClear(%u)", mask); }
void glShadeModel(GLenum mode) { Record("glShadeModel(%u)", mode); }
void glDepthFunc(GLenum func) { Record("glDepthFunc(%u)", func); }
void glHint(GLenum target, GLenum mode) { Record("glHint(%u,%u)", target, mode); }
void glLightfv(GLenum light, GLenum pname, const GLfloat* p)
{
    Record("glLightfv(%u,%u,%g,%g,%g,%g)", light, pname, p[0], p[1], p[2], p[3]);
}
void glFogi(GLenum pname, GLint param) { Record("glFogi(%u,%d)", pname, param); }
void glFogf(GLenum pname, GLfloat param) { Record("glFogf(%u,%g)", pname, param); }
void glFogfv(GLenum pname, const GLfloat* p) { Record("glFogfv(%u,%g,%g,%g,%g)", pname, p[0], p[1], p[2], p[3]); }
void glColorMaterial(GLenum face, GLenum mode) { Record("glColorMaterial(%u,%u)", face, mode); }
void glGenTextures(GLsizei n, GLuint* textures)
{
    for (GLsizei i = 0; i < n; ++i) textures[i] = nextTexture++;
    Record("glGenTextures(%d)", n);
}
void glDeleteTextures(GLsizei n, const GLuint*) { Record("glDeleteTextures(%d)", n); }
void glBindTexture(GLenum target, GLuint texture) { Record("glBindTexture(%u,%u)", target, texture); }
void glTexParameteri(GLenum target, GLenum pname, GLint param) { Record("glTexParameteri(%u,%u,%d)", target, pname, param); }
void glTexImage2D(GLenum target, GLint level, GLint internalFormat, GLsizei width, GLsizei height, GLint border,
                  GLenum format, GLenum type, const GLvoid*)
{
    Record("glTexImage2D(%u,%d,%d,%d,%d,%d,%u,%u)", target, level, internalFormat, width, height, border, format, type);
}
void glViewport(GLint x, GLint y, GLsizei width, GLsizei height) { Record("glViewport(%d,%d,%d,%d)", x, y, width, height); }
void glMatrixMode(GLenum mode) { Record("glMatrixMode(%u)", mode); }
void glLoadIdentity() { Record("glLoadIdentity()"); }
void glOrtho(GLdouble l, GLdouble r, GLdouble b, GLdouble t, GLdouble n, GLdouble f)
{
    Record("glOrtho(%g,%g,%g,%g,%g,%g)", l, r, b, t, n, f);
}
void glRotatef(GLfloat angle, GLfloat x, GLfloat y, GLfloat z) { Record("glRotatef(%g,%g,%g,%g)", angle, x, y, z); }
void glTranslatef(GLfloat x, GLfloat y, GLfloat z) { Record("glTranslatef(%g,%g,%g)", x, y, z); }
void glColor3f(GLfloat r, GLfloat g, GLfloat b) { Record("glColor3f(%g,%g,%g)", r, g, b); }
void glColor3ubv(const GLubyte* v) { Record("glColor3ubv(%u,%u,%u)", v[0], v[1], v[2]); }
void glColor4f(GLfloat r, GLfloat g, GLfloat b, GLfloat a) { Record("glColor4f(%g,%g,%g,%g)", r, g, b, a); }
void glBlendFunc(GLenum s, GLenum d) { Record("glBlendFunc(%u,%u)", s, d); }
void glDepthMask(GLboolean flag) { Record("glDepthMask(%u)", unsigned(flag)); }
void glBegin(GLenum mode) { Record("glBegin(%u)", mode); }
void glEnd() { Record("glEnd()"); }
void glNormal3f(GLfloat x, GLfloat y, GLfloat z) { Record("glNormal3f(%g,%g,%g)", x, y, z); }
void glTexCoord2i(GLint s, GLint t) { Record("glTexCoord2i(%d,%d)", s, t); }
void glVertex2f(GLfloat x, GLfloat y) { Record("glVertex2f(%g,%g)", x, y); }
void glVertex3f(GLfloat x, GLfloat y, GLfloat z) { Record("glVertex3f(%g,%g,%g)", x, y, z); }
void glRasterPos2f(GLfloat x, GLfloat y) { Record("glRasterPos2f(%g,%g)", x, y); }
void glPushAttrib(GLbitfield mask) { Record("glPushAttrib(%u)", mask); }
void glPopAttrib() { Record("glPopAttrib()"); }
void glListBase(GLuint base) { Record("glListBase(%u)", base); }
void glCallLists(GLsizei n, GLenum type, const GLvoid* lists)
{
    // Logged as the text itself, which is what the overlay tests read.
    std::string text(static_cast<const char*>(lists), size_t(n > 0 ? n : 0));
    Record("glCallLists(%d,%u,%s)", n, type, text.c_str());
}
GLuint glGenLists(GLsizei range)
{
    GLuint base = nextList;
    nextList += GLuint(range);
    Record("glGenLists(%d)", range);
    return base;
}
void glDeleteLists(GLuint list, GLsizei range) { Record("glDeleteLists(%u,%d)", list, range); }
void glPushMatrix() { Record("glPushMatrix()"); }
void glPopMatrix() { Record("glPopMatrix()"); }
void glPixelZoom(GLfloat xfactor, GLfloat yfactor) { Record("glPixelZoom(%g,%g)", xfactor, yfactor); }
void glDrawPixels(GLsizei width, GLsizei height, GLenum format, GLenum type, const GLvoid* pixels)
{
    lastDrawnPixels = static_cast<const unsigned char*>(pixels);
    Record("glDrawPixels(%d,%d,%u,%u)", width, height, format, type);
}
void glNewList(GLuint list, GLenum mode) { Record("glNewList(%u,%u)", list, mode); }
void glEndList() { Record("glEndList()"); }
void glBitmap(GLsizei width, GLsizei height, GLfloat xorig, GLfloat yorig, GLfloat xmove, GLfloat ymove,
              const GLubyte* bitmap)
{
    Record("glBitmap(%d,%d,%g,%g,%g,%g,%s)", width, height, xorig, yorig, xmove, ymove, bitmap ? "bits" : "null");
}
const GLubyte* glGetString(GLenum name)
{
    Record("glGetString(%u)", name);
    if (name != GL_EXTENSIONS || extensionsNull) return nullptr;
    return reinterpret_cast<const GLubyte*>(extensions.c_str());
}
void gluPerspective(GLdouble fovy, GLdouble aspect, GLdouble zNear, GLdouble zFar)
{
    Record("gluPerspective(%.17g,%.17g,%.17g,%.17g)", fovy, aspect, zNear, zFar);
}
GLint gluBuild2DMipmaps(GLenum target, GLint components, GLint width, GLint height, GLenum format, GLenum type,
                        const void*)
{
    Record("gluBuild2DMipmaps(%u,%d,%d,%d,%u,%u)", target, components, width, height, format, type);
    return 0;
}
}
