// quorvel-tool: shows labyrinth authors what the game makes of their files.
#include <cstdio>
#include <cstring>

#include "tool_commands.h"

static const char USAGE[] =
    "usage: quorvel-tool COMMAND ARGS\n"
    "\n"
    "  info IMAGE                 which reader accepts IMAGE (PNG or BMP), its size,\n"
    "                             components and GL format, and how it is stored\n"
    "  decode IMAGE OUT.pam       decode IMAGE as the game does and write it as a PAM\n"
    "                             file (top row first)\n"
    "  check LABYRINTH [--palette FILE]\n"
    "                             load a labyrinth as the game does, draw its grid and\n"
    "                             tell whether it can be played (palette default\n"
    "                             \"Palette.txt\")\n"
    "  generate WIDTH HEIGHT OUT [--seed N] [--palette FILE] [--loops PERCENT] [--rooms N]\n"
    "                             write a random labyrinth, a perfect maze unless\n"
    "                             loops or rooms are asked for, as PNG or BMP by OUT's\n"
    "                             extension (sizes 5 to 4096; see generate --help)\n"
    "\n"
    "Exit codes: info and decode: 0 done, 1 image refused, 2 usage or output error;\n"
    "check: 0 playable, 1 cannot be loaded, 2 loads but is not playable;\n"
    "generate: 0 written, 1 palette unusable or OUT not written, 2 usage error.\n";

int main(int argc, char** argv)
{
    if (argc < 2 || std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
        std::fputs(USAGE, argc < 2 ? stderr : stdout);
        return argc < 2 ? 2 : 0;
    }
    const char* command = argv[1];
    if (std::strcmp(command, "info") == 0) return RunInfo(argc - 1, argv + 1);
    if (std::strcmp(command, "decode") == 0) return RunDecode(argc - 1, argv + 1);
    if (std::strcmp(command, "check") == 0) return RunCheck(argc - 1, argv + 1);
    if (std::strcmp(command, "generate") == 0) return RunGenerate(argc - 1, argv + 1);
    std::fprintf(stderr, "quorvel-tool: unknown command '%s'\n\n%s", command, USAGE);
    return 2;
}
