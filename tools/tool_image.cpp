#include "tool_commands.h"

#include <cstdio>

int RunInfo(int, char**) { std::fputs("quorvel-tool: info is not built yet\n", stderr); return 2; }
int RunDecode(int, char**) { std::fputs("quorvel-tool: decode is not built yet\n", stderr); return 2; }
