#include "labyrinth/text_lines.h"

#include <cstring>

bool ReadTextLine(FILE* file, char (&line)[TEXT_LINE_SIZE])
{
    if (!std::fgets(line, TEXT_LINE_SIZE, file)) return false;
    size_t length = std::strlen(line);
    if (length >= 2 && line[length - 2] == '\r' && line[length - 1] == '\n') {
        line[length - 2] = '\n';
        line[length - 1] = '\0';
    }
    return true;
}
