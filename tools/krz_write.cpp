#include "tools/krz_write.h"

#include <string.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "core/archive/archive.h"
#include "graphics/text/char_class.h"
#include "tools/lz_encode.h"

namespace {

struct Node {
  std::string name;
  bool isDirectory = false;
  const KrzWriteEntry *source = nullptr;
  std::vector<int> children;
  uint32_t dirIndex = 0;     // folders: position in the directory table
  uint32_t entryOffset = 0;  // file-table offset of its own entry
  int parent = -1;
};

void Put16(std::vector<uint8_t> &out, size_t at, uint32_t v) {
  out[at] = static_cast<uint8_t>(v);
  out[at + 1] = static_cast<uint8_t>(v >> 8);
}

void Put32(std::vector<uint8_t> &out, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) out[at + static_cast<size_t>(i)] = static_cast<uint8_t>(v >> (8 * i));
}

void Put64(std::vector<uint8_t> &out, size_t at, uint64_t v) {
  Put32(out, at, static_cast<uint32_t>(v));
  Put32(out, at + 4, static_cast<uint32_t>(v >> 32));
}

int CharSetOf(const KrzWriteOptions &o) {
  if (o.version != 4) return CHARSET_DEFAULT;
  switch (o.codePage) {
    case 949: return CHARSET_HANGEUL;
    case 950: return CHARSET_BIG5;
    case 936: return CHARSET_GB2312;
    default: return o.codePage == 932 ? CHARSET_SHIFTJIS : CHARSET_DEFAULT;
  }
}

// Splits at '\\' and '/', stepping over double-byte characters whose second
// byte may be '\\'.
std::vector<std::string> SplitPath(const std::string &path, int charSet) {
  std::vector<std::string> parts;
  std::string part;
  for (size_t i = 0; i < path.size(); ++i) {
    const char c = path[i];
    if (IsDoubleByteLead(&path[i], charSet) && i + 1 < path.size()) {
      part += c;
      part += path[++i];
    } else if (c == '\\' || c == '/') {
      if (!part.empty()) parts.push_back(part);
      part.clear();
    } else {
      part += c;
    }
  }
  if (!part.empty()) parts.push_back(part);
  return parts;
}

int ChildNamed(const std::vector<Node> &nodes, int dir, const std::string &name) {
  for (int child : nodes[static_cast<size_t>(dir)].children) {
    if (nodes[static_cast<size_t>(child)].name == name) return child;
  }
  return -1;
}

std::vector<Node> BuildTree(const std::vector<KrzWriteEntry> &entries, int charSet) {
  std::vector<Node> nodes(1);
  nodes[0].isDirectory = true;
  for (const KrzWriteEntry &e : entries) {
    const std::vector<std::string> parts = SplitPath(e.path, charSet);
    int dir = 0;
    for (size_t i = 0; i < parts.size(); ++i) {
      const bool last = i + 1 == parts.size();
      int child = ChildNamed(nodes, dir, parts[i]);
      if (child < 0) {
        Node n;
        n.name = parts[i];
        n.isDirectory = !last || e.isDirectory;
        n.parent = dir;
        if (last) n.source = &e;
        nodes.push_back(n);
        child = static_cast<int>(nodes.size() - 1);
        nodes[static_cast<size_t>(dir)].children.push_back(child);
      }
      dir = child;
    }
  }
  return nodes;
}

// Upper-cases a name as the reader does: a-z only, double-byte characters
// left alone.
std::string UpperName(const std::string &name, int charSet) {
  std::string out = name;
  for (size_t i = 0; i < out.size(); ++i) {
    if (IsDoubleByteLead(&out[i], charSet) && i + 1 < out.size()) {
      ++i;
    } else if (out[i] >= 'a' && out[i] <= 'z') {
      out[i] = static_cast<char>(out[i] - 'a' + 'A');
    }
  }
  return out;
}

uint32_t AppendName(std::vector<uint8_t> &names, const std::string &name, int charSet) {
  const uint32_t offset = static_cast<uint32_t>(names.size());
  const std::string upper = UpperName(name, charSet);
  const uint32_t words = static_cast<uint32_t>((upper.size() + 4) / 4);
  uint32_t sum = 0;
  for (unsigned char c : upper) sum += c;
  names.resize(names.size() + 4 + words * 4 + name.size() + 1, 0);
  Put16(names, offset, words);
  Put16(names, offset + 2, sum & 0xFFFF);
  memcpy(&names[offset + 4], upper.data(), upper.size());
  memcpy(&names[offset + 4 + words * 4], name.data(), name.size());
  return offset;
}

}  // namespace

std::vector<uint8_t> WriteKrzArchive(const std::vector<KrzWriteEntry> &entries,
                                     const KrzWriteOptions &options, KrzWriteLayout *layout) {
  const int charSet = CharSetOf(options);
  std::vector<Node> nodes = BuildTree(entries, charSet);
  const uint32_t entrySize = options.version < 2 ? 40 : 44;
  const uint32_t headerSize = options.version == 4 ? 28 : 24;

  // Folders in breadth-first order give the directory table; each folder's
  // entries are consecutive in the file table.
  std::vector<int> dirs(1, 0);
  for (size_t i = 0; i < dirs.size(); ++i) {
    for (int child : nodes[static_cast<size_t>(dirs[i])].children) {
      if (nodes[static_cast<size_t>(child)].isDirectory) {
        nodes[static_cast<size_t>(child)].dirIndex = static_cast<uint32_t>(dirs.size());
        dirs.push_back(child);
      }
    }
  }
  std::vector<int> order;  // file-table order
  for (int dir : dirs) {
    for (int child : nodes[static_cast<size_t>(dir)].children) {
      nodes[static_cast<size_t>(child)].entryOffset = static_cast<uint32_t>(order.size()) * entrySize;
      order.push_back(child);
    }
  }

  std::vector<uint8_t> names, data;
  std::vector<uint8_t> fileTable(order.size() * entrySize, 0);
  for (size_t i = 0; i < order.size(); ++i) {
    const Node &n = nodes[static_cast<size_t>(order[i])];
    const size_t at = i * entrySize;
    Put32(fileTable, at, AppendName(names, n.name, charSet));
    Put32(fileTable, at + 4, n.isDirectory ? 0x10 : 0x20);
    if (n.source) {
      Put64(fileTable, at + 8, n.source->creationTime);
      Put64(fileTable, at + 16, n.source->lastWriteTime);
      Put64(fileTable, at + 24, n.source->lastWriteTime);
    }
    if (entrySize == 44) Put32(fileTable, at + 40, KRZ_NOT_PACKED);
    if (n.isDirectory) {
      Put32(fileTable, at + 32, n.dirIndex * 16);
      continue;
    }
    const std::vector<uint8_t> &bytes = n.source->data;
    Put32(fileTable, at + 32, static_cast<uint32_t>(data.size()));
    Put32(fileTable, at + 36, static_cast<uint32_t>(bytes.size()));
    if (n.source->packed && options.version >= 2) {
      const std::vector<uint8_t> block = EncodeLzBlock(bytes.data(), bytes.size());
      Put32(fileTable, at + 40, static_cast<uint32_t>(block.size()));
      data.insert(data.end(), block.begin(), block.end());
    } else {
      data.insert(data.end(), bytes.begin(), bytes.end());
    }
  }
  std::vector<uint8_t> dirTable(dirs.size() * 16, 0);
  for (size_t i = 0; i < dirs.size(); ++i) {
    const Node &d = nodes[static_cast<size_t>(dirs[i])];
    const std::vector<int> &kids = d.children;
    Put32(dirTable, i * 16, i == 0 ? KRZ_NO_PARENT : d.entryOffset);
    Put32(dirTable, i * 16 + 4,
          i == 0 ? KRZ_NO_PARENT : nodes[static_cast<size_t>(d.parent)].dirIndex * 16);
    Put32(dirTable, i * 16 + 8, static_cast<uint32_t>(kids.size()));
    Put32(dirTable, i * 16 + 12, kids.empty() ? 0 : nodes[static_cast<size_t>(kids[0])].entryOffset);
  }

  // Header, file data, then the head block (names, file table, folders).
  std::vector<uint8_t> image(headerSize, 0);
  const uint32_t dataStart = headerSize;
  image.insert(image.end(), data.begin(), data.end());
  const uint32_t headStart = static_cast<uint32_t>(image.size());
  const uint32_t fileTableOffset = static_cast<uint32_t>(names.size());
  const uint32_t dirTableOffset = fileTableOffset + static_cast<uint32_t>(fileTable.size());
  image.insert(image.end(), names.begin(), names.end());
  image.insert(image.end(), fileTable.begin(), fileTable.end());
  image.insert(image.end(), dirTable.begin(), dirTable.end());
  const uint32_t headSize = static_cast<uint32_t>(image.size()) - headStart;
  image[0] = 'K';
  image[1] = 'R';
  Put16(image, 2, static_cast<uint32_t>(options.version));
  Put32(image, 4, headSize);
  Put32(image, 8, dataStart);
  Put32(image, 12, headStart);
  Put32(image, 16, fileTableOffset);
  Put32(image, 20, dirTableOffset);
  if (options.version == 4) Put32(image, 24, options.codePage);
  if (layout) {
    *layout = {headerSize, dataStart, headStart, headSize, fileTableOffset, dirTableOffset,
               entrySize, {}};
    for (int node : order) layout->entryOffsets.push_back(nodes[static_cast<size_t>(node)].entryOffset);
  }
  if (options.scramble) ScrambleKrzImage(image, options);
  return image;
}

void ScrambleKrzImage(std::vector<uint8_t> &image, const KrzWriteOptions &options) {
  unsigned char key[KRZ_KEY_SIZE];
  if (options.alternateKey) {
    MakeAlternateArchiveKey(key);
  } else {
    MakeArchiveKey(options.keyString, key);
  }
  ArchiveXor(key, image.data(), static_cast<int64_t>(image.size()), 0);
}

bool PackFolderToKrz(const std::string &folder, const std::string &archivePath,
                     const KrzWriteOptions &options, bool packFiles, std::string *error) {
  namespace fs = std::filesystem;
  std::error_code ec;
  if (!fs::is_directory(folder, ec)) {
    if (error) *error = "not a folder: " + folder;
    return false;
  }
  std::vector<KrzWriteEntry> entries;
  for (fs::recursive_directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    KrzWriteEntry e;
    e.path = fs::relative(it->path(), folder, ec).string();
    e.isDirectory = it->is_directory();
    e.packed = packFiles;
    if (!e.isDirectory) {
      std::ifstream in(it->path(), std::ios::binary);
      e.data.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    entries.push_back(e);
  }
  if (ec) {
    if (error) *error = "cannot read " + folder + ": " + ec.message();
    return false;
  }
  const std::vector<uint8_t> image = WriteKrzArchive(entries, options);
  std::ofstream out(archivePath, std::ios::binary);
  out.write(reinterpret_cast<const char *>(image.data()), static_cast<std::streamsize>(image.size()));
  if (!out) {
    if (error) *error = "cannot write " + archivePath;
    return false;
  }
  return true;
}
