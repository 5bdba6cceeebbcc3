// Line reading shared by every text file the game reads, and the one way it
// writes one.
#pragma once
#include <cstdio>

const int TEXT_LINE_SIZE = 128;   // at most 127 characters per read, as the files were always read

// Reads the next piece of a line, at most 127 characters with its line break;
// a longer line comes in several pieces, each handled as a line. The file is
// opened in binary mode and "\r\n" is handed on as "\n", so a file reads the
// same with either line end on every platform. False at the end of the file.
bool ReadTextLine(FILE* file, char (&line)[TEXT_LINE_SIZE]);

// Writes a file through `writeBody` into "PATH.tmp", then moves it over PATH in
// one step, so a failed or interrupted write (a full disk, a crash) never
// leaves a truncated file: the old one stays. False when nothing was replaced.
typedef bool (*TextFileWriter)(FILE* file, const void* context);
bool ReplaceTextFile(const char* path, TextFileWriter writeBody, const void* context);
