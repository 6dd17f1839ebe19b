// Any bytes as a KRZ archive image, and the same bytes as edits of a valid
// archive (so the fuzzer reaches the tables without a corpus): opening it,
// walking its folders, searching and reading every file must stay within
// the image and the buffers the reader allocates, and closing must give the
// caller back the bytes it handed in.
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <vector>

#include "core/archive/archive.h"
#include "tools/krz_write.h"
#include "tools/sample_data.h"

namespace {

// Reads every file a search of folder lists, and recurses into folders a
// few levels down.
void ReadFolder(KrzArchive *archive, const char *folder, int depth) {
  char pattern[KRZ_FIND_PATTERN_SIZE];
  snprintf(pattern, sizeof(pattern), "%s*", folder);
  FindFileInfo info;
  KrzFindRecord *find = ArchiveFindFirstEntry(archive, pattern, &info);
  if (!find) return;
  int listed = 0;
  do {
    char path[KRZ_FIND_PATTERN_SIZE];
    snprintf(path, sizeof(path), "%s%s", folder, info.name);
    if (strcmp(info.name, ".") == 0 || strcmp(info.name, "..") == 0) continue;
    if (info.isDirectory) {
      if (depth < 3) {
        strncat(path, "\\", sizeof(path) - strlen(path) - 1);
        ReadFolder(archive, path, depth + 1);
      }
      continue;
    }
    KrzFileStream stream;
    if (OpenArchiveFile(&stream, archive, path, 0) == 0) {
      unsigned char piece[4096];
      while (ReadArchiveFile(&stream, piece, sizeof(piece)) > 0) {
      }
      CloseArchiveFile(&stream);
    }
  } while (++listed < 256 && ArchiveFindNextEntry(find, &info) == 0);
  ArchiveFindClose(find);
}

}  // namespace

namespace {

// A plain (unscrambled) archive of every form: folders, plain and packed
// files, version 4 names.
const std::vector<uint8_t> &SampleArchive() {
  static const std::vector<uint8_t> image = [] {
    KrzWriteOptions o;
    o.version = 4;
    o.scramble = false;
    std::vector<KrzWriteEntry> entries(4);
    entries[0].path = "A\\B\\packed.txt";
    entries[0].data = MakeTextSample(600, 1);
    entries[0].packed = true;
    entries[1].path = "A\\plain.bin";
    entries[1].data = MakeRandomSample(100, 2);
    entries[2].path = "top.txt";
    entries[2].data = MakeTextSample(50, 3);
    entries[2].packed = true;
    entries[3].path = "Empty";
    entries[3].isDirectory = true;
    return WriteKrzArchive(entries, o);
  }();
  return image;
}

void CheckImage(std::vector<uint8_t> image) {
  unsigned char key[KRZ_KEY_SIZE];
  MakeArchiveKey(nullptr, key);
  ArchiveXor(key, image.data(), static_cast<int64_t>(image.size()), 0);
  const std::vector<uint8_t> original = image;
  KrzArchive archive;
  InitArchive(&archive);
  if (OpenArchiveMemory(&archive, image.data(), static_cast<int>(image.size()), nullptr) == 0) {
    ReadFolder(&archive, "", 0);
    ArchiveChangeDir(&archive, "A\\B\\..", 1, nullptr);
    LocateArchiveFile(&archive, "A\\plain.bin", nullptr, nullptr);
    CloseArchive(&archive);
  }
  if (image != original) abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size > (1 << 20)) return 0;
  // The bytes as an image, scrambled as a file would be.
  CheckImage(std::vector<uint8_t>(data, data + size));
  // The bytes as edits of the sample: each three bytes are a 16-bit offset
  // and a value written there.
  std::vector<uint8_t> edited = SampleArchive();
  for (size_t i = 0; i + 3 <= size; i += 3) {
    const size_t at = (data[i] | data[i + 1] << 8) % edited.size();
    edited[at] = data[i + 2];
  }
  CheckImage(edited);
  return 0;
}
