// Writes KRZ archives, for test fixtures and for packing a folder (the
// framework itself only reads them). Keys come from the framework's own key
// builder, so writer and reader share one set of key constants.
#ifndef VELVANE_TOOLS_KRZ_WRITE_H
#define VELVANE_TOOLS_KRZ_WRITE_H

#include <stdint.h>

#include <string>
#include <vector>

// One file or folder of the archive. The path is inside the archive, with
// '\\' or '/' between folders; folders on the way are made as needed (an
// entry with isDirectory makes an empty one).
struct KrzWriteEntry {
  std::string path;
  std::vector<uint8_t> data;
  bool packed = false;          // stored as an LZ block (version 2 and later)
  bool isDirectory = false;
  uint64_t creationTime = 0;    // FILETIME, UTC
  uint64_t lastWriteTime = 0;
};

struct KrzWriteOptions {
  int version = 3;              // 0 to 4
  const char *keyString = nullptr;  // null or empty: the default key
  bool alternateKey = false;    // scramble with the alternate key instead
  uint32_t codePage = 932;      // stored by version 4; names are upper-cased by it
  bool scramble = true;         // false leaves the image plain (for tests that edit it)
};

// The layout the writer chose, for tests that damage an archive on purpose.
struct KrzWriteLayout {
  uint32_t headerSize, dataStart, headStart, headSize;
  uint32_t fileTableOffset, dirTableOffset, entrySize;
  std::vector<uint32_t> entryOffsets;  // file-table offset of each entry, table order
};

// The archive image; entries keep their order within each folder.
std::vector<uint8_t> WriteKrzArchive(const std::vector<KrzWriteEntry> &entries,
                                     const KrzWriteOptions &options,
                                     KrzWriteLayout *layout = nullptr);
// Scrambles (or unscrambles) an image in place with the options' key.
void ScrambleKrzImage(std::vector<uint8_t> &image, const KrzWriteOptions &options);
// Packs every file under folder (names in the system code page) into an
// archive file; false with a message in error when it cannot.
bool PackFolderToKrz(const std::string &folder, const std::string &archivePath,
                     const KrzWriteOptions &options, bool packFiles, std::string *error);

#endif  // VELVANE_TOOLS_KRZ_WRITE_H
