#include "core/files/paths.h"

#include <string.h>

#include "core/base/core_state.h"
#include "core/files/file_access.h"
#include "core/base/platform.h"
#include "graphics/text/char_class.h"

namespace {

// Characters: a double-byte character or a surrogate pair is one, and a
// lead unit right before the terminator counts alone so no scan passes it.
int CharLength(const char *p) {
  return MultiByteCharSize(p, GetFrameworkCharSet());
}

int CharLength(const char16_t *p) { return (IsHighSurrogate(p[0]) && p[1] != 0) ? 2 : 1; }

template <typename Ch>
bool IsSeparator(Ch c) {
  return c == '\\' || c == '/';
}

template <typename Ch>
int TextLength(const Ch *s) {
  int n = 0;
  while (s[n]) ++n;
  return n;
}

template <typename Ch>
const Ch *ElementEnd(const Ch *p) {
  while (*p && !IsSeparator(*p)) p += CharLength(p);
  return p;
}

template <typename Ch>
const Ch *SkipSeparators(const Ch *p) {
  while (IsSeparator(*p)) ++p;
  return p;
}

// Index of the last separator (or ':' when asked) that is a character of
// its own, not the second byte of a double-byte character; -1 when none.
template <typename Ch>
int LastSeparatorIndex(const Ch *s, bool colonToo) {
  int last = -1;
  for (int i = 0; s[i]; i += CharLength(s + i)) {
    if (IsSeparator(s[i]) || (colonToo && s[i] == ':')) last = i;
  }
  return last;
}

template <typename Ch>
bool IsElement(const Ch *p, int length, int dots) {
  if (length != dots) return false;
  for (int i = 0; i < dots; ++i) {
    if (p[i] != '.') return false;
  }
  return true;
}

// A path being built, bounded by PATH_BUFFER_SIZE; an append that does not
// fit marks the whole result as failed.
template <typename Ch>
struct PathBuffer {
  Ch text[PATH_BUFFER_SIZE] = {0};
  int length = 0;
  bool overflow = false;

  void Append(const Ch *s, int n) {
    if (overflow || length + n >= PATH_BUFFER_SIZE) {
      overflow = true;
      return;
    }
    memmove(text + length, s, sizeof(Ch) * static_cast<size_t>(n));
    length += n;
    text[length] = 0;
  }
  void AppendChar(Ch c) { Append(&c, 1); }
  void AppendText(const Ch *s) { Append(s, TextLength(s)); }
  void Truncate(int n) {
    length = n;
    text[n] = 0;
  }
  int CopyTo(Ch *out) const {
    if (!out) return overflow ? -1 : 0;
    if (overflow) {
      out[0] = 0;
      return -1;
    }
    memcpy(out, text, sizeof(Ch) * static_cast<size_t>(length + 1));
    return 0;
  }
};

template <typename Ch>
void RemoveTrailingSeparator(PathBuffer<Ch> &b) {
  if (b.length > 0 && LastSeparatorIndex(b.text, false) == b.length - 1) b.Truncate(b.length - 1);
}

// Drops the last element back to the previous separator; a drive "X:" stays.
template <typename Ch>
void RemoveLastElement(PathBuffer<Ch> &b) {
  const int at = LastSeparatorIndex(b.text, true);
  if (at < 0) {
    b.Truncate(0);
  } else {
    b.Truncate(b.text[at] == ':' ? at + 1 : at);
  }
}

// The drive "X:" or a network root "\\server": the first two characters when
// the path starts with a separator, then up to the next separator.
template <typename Ch>
int RootElementLength(const Ch *path) {
  const Ch *p = path;
  if (IsSeparator(*p)) {
    ++p;
    if (*p) p += CharLength(p);
  }
  return static_cast<int>(ElementEnd(p) - path);
}

template <typename Ch>
int CopyElement(const Ch *path, int length, Ch *out) {
  PathBuffer<Ch> b;
  b.Append(path, length);
  return b.CopyTo(out) < 0 ? -1 : length;
}

template <typename Ch>
int RootElement(const Ch *path, Ch *out) {
  return path ? CopyElement(path, RootElementLength(path), out) : -1;
}

template <typename Ch>
int FirstElement(const Ch *path, Ch *out) {
  return path ? CopyElement(path, static_cast<int>(ElementEnd(path) - path), out) : -1;
}

// The plain sets give the length or 0 with an empty buffer when the
// directory cannot be read or does not fit; a replaced table may give a
// negative result. Either way there is no directory to build on.
int TableCurrentDir(char *out) {
  out[0] = '\0';
  if (GetFileAccessFunctions()->getCurrentDir(out) < 0 || out[0] == '\0') return -1;
  return 0;
}

// The directory is the system's text, so it is widened with the system's
// code page, not the framework's.
int TableCurrentDir(char16_t *out) {
  char bytes[PATH_BUFFER_SIZE];
  if (TableCurrentDir(bytes) < 0) return -1;
  return PlatformCodePageToUtf16(PlatformSystemCodePage(), bytes, out, PATH_BUFFER_SIZE) < 0 ? -1
                                                                                           : 0;
}

// A drive or a network root makes the path complete without a directory.
template <typename Ch>
bool NeedsCurrentDir(const Ch *path) {
  if (!path) return true;
  if (IsSeparator(path[0]) && path[1] == path[0]) return false;
  if (IsSeparator(path[0])) return true;
  return !(path[0] && CharLength(path) == 1 && path[1] == ':');
}

template <typename Ch>
void AppendPathElements(const Ch *p, PathBuffer<Ch> &b) {
  while (*p) {
    const Ch *end = ElementEnd(p);
    const int length = static_cast<int>(end - p);
    if (IsElement(p, length, 2)) {
      RemoveLastElement(b);
    } else if (length > 0 && !IsElement(p, length, 1)) {
      b.AppendChar('\\');
      b.Append(p, length);
    }
    p = *end ? end + 1 : end;
  }
}

template <typename Ch>
int BuildFullPath(const Ch *path, const Ch *currentDir, PathBuffer<Ch> &b) {
  Ch tableDir[PATH_BUFFER_SIZE];
  if (!currentDir && NeedsCurrentDir(path)) {
    if (TableCurrentDir(tableDir) < 0) return -1;
    currentDir = tableDir;
  }
  const Ch *p = path;
  if (!p) {
    b.AppendText(currentDir);
  } else if (IsSeparator(p[0]) && p[1] == p[0]) {
    // The first element adds the second backslash of the network root.
    b.AppendChar('\\');
    p += 2;
  } else if (IsSeparator(p[0])) {
    b.Append(currentDir, RootElementLength(currentDir));
    p += 1;
  } else if (p[0] && CharLength(p) == 1 && p[1] == ':') {
    b.Append(p, 2);
    p += IsSeparator(p[2]) ? 3 : 2;
  } else {
    b.AppendText(currentDir);
    RemoveTrailingSeparator(b);
  }
  if (p) AppendPathElements(p, b);
  return b.overflow ? -1 : 0;
}

template <typename Ch>
int FullPath(const Ch *path, Ch *out, const Ch *currentDir) {
  PathBuffer<Ch> b;
  if (BuildFullPath(path, currentDir, b) < 0) {
    if (out) out[0] = 0;
    return -1;
  }
  return b.CopyTo(out);
}

template <typename Ch>
int SplitPath(const Ch *path, Ch *fileNameOut, Ch *dirOut) {
  if (!path) return -1;
  PathBuffer<Ch> name, dir;
  const int at = LastSeparatorIndex(path, true);
  name.AppendText(path + at + 1);
  if (at > 0) dir.Append(path, at);
  const int nameResult = name.CopyTo(fileNameOut);
  const int dirResult = dir.CopyTo(dirOut);
  return (nameResult < 0 || dirResult < 0) ? -1 : 0;
}

template <typename Ch>
void AppendParentSteps(const Ch *base, PathBuffer<Ch> &b) {
  for (const Ch *p = base; *p; p = SkipSeparators(ElementEnd(p))) {
    b.AppendChar('.');
    b.AppendChar('.');
    b.AppendChar('\\');
  }
}

template <typename Ch>
int RelativePath(const Ch *filePath, const Ch *baseDir, Ch *out) {
  PathBuffer<Ch> file, base, result;
  Ch name[PATH_BUFFER_SIZE], dir[PATH_BUFFER_SIZE];
  if (BuildFullPath(filePath, static_cast<const Ch *>(nullptr), file) < 0 ||
      BuildFullPath(baseDir, static_cast<const Ch *>(nullptr), base) < 0 ||
      SplitPath(file.text, name, dir) < 0) {
    if (out) out[0] = 0;
    return -1;
  }
  RemoveTrailingSeparator(base);
  const int rootLength = RootElementLength(dir);
  if (rootLength != RootElementLength(base.text) ||
      memcmp(dir, base.text, sizeof(Ch) * static_cast<size_t>(rootLength)) != 0) {
    return file.CopyTo(out);
  }
  const Ch *f = SkipSeparators(dir + rootLength);
  const Ch *d = SkipSeparators(base.text + rootLength);
  while (*f && *d) {
    const Ch *fEnd = ElementEnd(f);
    const Ch *dEnd = ElementEnd(d);
    if (fEnd - f != dEnd - d || memcmp(f, d, sizeof(Ch) * static_cast<size_t>(fEnd - f)) != 0) {
      break;
    }
    f = SkipSeparators(fEnd);
    d = SkipSeparators(dEnd);
  }
  AppendParentSteps(d, result);
  if (*f) {
    result.AppendText(f);
    result.AppendChar('\\');
  }
  result.AppendText(name);
  return result.CopyTo(out);
}

}  // namespace

int MakeFullPath(const char *path, char *out, const char *currentDir) {
  return FullPath(path, out, currentDir);
}

int MakeFullPathW(const char16_t *path, char16_t *out, const char16_t *currentDir) {
  return FullPath(path, out, currentDir);
}

int SplitDirAndFileName(const char *path, char *fileNameOut, char *dirOut) {
  return SplitPath(path, fileNameOut, dirOut);
}

int SplitDirAndFileNameW(const char16_t *path, char16_t *fileNameOut, char16_t *dirOut) {
  return SplitPath(path, fileNameOut, dirOut);
}

int GetPathRootElement(const char *path, char *out) { return RootElement(path, out); }

int GetPathRootElementW(const char16_t *path, char16_t *out) { return RootElement(path, out); }

int GetPathElement(const char *path, char *out) { return FirstElement(path, out); }

int GetPathElementW(const char16_t *path, char16_t *out) { return FirstElement(path, out); }

int MakeRelativePath(const char *filePath, const char *baseDir, char *out) {
  return RelativePath(filePath, baseDir, out);
}

int MakeRelativePathW(const char16_t *filePath, const char16_t *baseDir, char16_t *out) {
  return RelativePath(filePath, baseDir, out);
}
