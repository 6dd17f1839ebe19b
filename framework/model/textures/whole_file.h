// Whole-file reads for model textures, through the file-access table.
#ifndef VELVANE_MODEL_WHOLE_FILE_H
#define VELVANE_MODEL_WHOLE_FILE_H

// Reads the whole file at path (UTF-16; tried again by its bare file name
// when it does not open) into a memory-manager block the caller frees.
// 0 with data and size set, or -1 (nothing kept) when the file does not
// open, is too large, cannot be held or reads short.
int ReadWholeFileW(const char16_t *path, void **data, int *size);

#endif  // VELVANE_MODEL_WHOLE_FILE_H
