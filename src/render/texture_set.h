// Wall, ceiling and floor textures: the name list kept in the window object,
// their upload to GL, and binding by slot (0 wall, 1 ceiling, 2 floor).
#pragma once

// Names in the list are taken from `imagesFolder` (as written, "Images\\").
bool ReadTextureList(const char* path, const char* imagesFolder);
void AddDefaultTextureNames(const char* folder);
void AddTextureName(const char* path);
unsigned FindTextureName(const char* path);
void UploadTextures(bool mipmaps, unsigned magFilter, unsigned minFilter);
void BindTexture(unsigned slot);
void UnbindTexture();
