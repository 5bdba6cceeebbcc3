#include "tool_commands.h"

#include <cstdio>

int RunCheck(int, char**) { std::fputs("quorvel-tool: check is not built yet\n", stderr); return 2; }
int RunGenerate(int, char**) { std::fputs("quorvel-tool: generate is not built yet\n", stderr); return 2; }
