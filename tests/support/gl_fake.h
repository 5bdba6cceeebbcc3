// A recording stand-in for the GL and GLU entry points the game uses, for the
// native tests: every call is logged as text, e.g. "glEnable(2896)".
#pragma once
#include <string>
#include <vector>

extern std::vector<std::string> glCalls;
// The pixels handed to the last glDrawPixels, valid until the caller's next frame.
extern const unsigned char* lastDrawnPixels;

void GlFakeReset();
// The text glGetString(GL_EXTENSIONS) answers with; null makes it answer null.
void GlFakeSetExtensions(const char* extensions);

// Calls whose text starts with `prefix`, in order.
std::vector<std::string> GlCallsStartingWith(const std::string& prefix);
