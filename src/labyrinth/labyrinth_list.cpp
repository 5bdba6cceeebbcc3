// The labyrinth images found at start-up. Apart from the grid code, so
// programs that only load a labyrinth need no file search.
#include <cstdio>
#include <cstring>

#include "labyrinth/labyrinth.h"
#include "platform/platform.h"

struct FindContext {
    LabyrinthList& list;
    const char* folder;
    size_t folderLength;
};

static bool AddLabyrinthPath(const char* fileName, void* context)
{
    const FindContext& find = *static_cast<const FindContext*>(context);
    LabyrinthList& list = find.list;
    if (list.count >= MAX_LABYRINTHS) return false;
    // A path that does not fit is left out: cut short it would name another file.
    size_t nameLength = std::strlen(fileName);
    if (find.folderLength + nameLength >= LABYRINTH_PATH_SIZE) return true;
    char* entry = list.paths[list.count];
    std::memcpy(entry, find.folder, find.folderLength);
    std::memcpy(entry + find.folderLength, fileName, nameLength + 1);
    // The same length either way, so the display name still skips the folder.
    PlatformLocalPath(entry);
    ++list.count;
    return list.count < MAX_LABYRINTHS;
}

size_t FolderPartLength(const char* folderValue)
{
    size_t length = 0;
    for (size_t k = 0; folderValue[k] != '\0'; ++k) {
        if (folderValue[k] == '\\' || folderValue[k] == '/') length = k + 1;
    }
    return length;
}

// The folder value is put in front of "*.bmp" as it is, so "Mazes" (no
// separator at its end) means the files named Mazes*.bmp beside the game;
// the search hands back names alone, which belong in the folder part of the
// value, not after the whole of it.
void FindLabyrinths(LabyrinthList& list, const char* folder)
{
    list.count = 0;
    if (!folder) return;
    FindContext find = {list, folder, FolderPartLength(folder)};
    if (std::strlen(folder) >= LABYRINTH_PATH_SIZE) return;
    // With the folder alone filling an entry no file name can follow it.
    if (find.folderLength >= LABYRINTH_PATH_SIZE) return;

    static const char* const EXTENSIONS[] = {"*.bmp", "*.png"};   // every BMP file before any PNG file
    for (const char* extension : EXTENSIONS) {
        char pattern[LABYRINTH_PATH_SIZE + 8];
        std::snprintf(pattern, sizeof pattern, "%s%s", folder, extension);
        PlatformFindFiles(pattern, AddLabyrinthPath, &find);
    }
}

