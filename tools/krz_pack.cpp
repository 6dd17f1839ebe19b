// krz_pack FOLDER ARCHIVE [--version N] [--key TEXT] [--alternate-key]
//          [--code-page N] [--pack]
// Packs a folder into a KRZ archive that stands in for it.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>

#include "tools/krz_write.h"

int main(int argc, char **argv) {
  if (argc < 3) {
    fprintf(stderr,
            "usage: krz_pack FOLDER ARCHIVE [--version N] [--key TEXT] [--alternate-key] "
            "[--code-page N] [--pack]\n");
    return 2;
  }
  KrzWriteOptions options;
  bool pack = false;
  for (int i = 3; i < argc; ++i) {
    const bool hasValue = i + 1 < argc;
    if (strcmp(argv[i], "--version") == 0 && hasValue) {
      options.version = atoi(argv[++i]);
    } else if (strcmp(argv[i], "--key") == 0 && hasValue) {
      options.keyString = argv[++i];
    } else if (strcmp(argv[i], "--code-page") == 0 && hasValue) {
      options.codePage = static_cast<uint32_t>(atoi(argv[++i]));
    } else if (strcmp(argv[i], "--alternate-key") == 0) {
      options.alternateKey = true;
    } else if (strcmp(argv[i], "--pack") == 0) {
      pack = true;
    } else {
      fprintf(stderr, "krz_pack: unknown option %s\n", argv[i]);
      return 2;
    }
  }
  if (options.version < 0 || options.version > 4) {
    fprintf(stderr, "krz_pack: version must be 0 to 4\n");
    return 2;
  }
  std::string error;
  if (!PackFolderToKrz(argv[1], argv[2], options, pack, &error)) {
    fprintf(stderr, "krz_pack: %s\n", error.c_str());
    return 1;
  }
  return 0;
}
