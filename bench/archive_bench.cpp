// Opening and reading 1,000 files of 1-16 KB: from a streamed archive
// (plain and packed entries) through the default, archive-aware table,
// against the same files on disk through the plain set and through the
// default table. The page cache is warm after the first pass. Figures are
// MB/s of file bytes.
#include <benchmark/benchmark.h>
#include <stdio.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/archive/archive_cache.h"
#include "core/files/file_access.h"
#include "core/files/file_plain.h"
#include "tools/krz_write.h"
#include "tools/sample_data.h"

namespace {

const int kFiles = 1000;

struct Fixture {
  std::filesystem::path dir;
  std::vector<std::string> names;
  int64_t bytes = 0;
};

void WriteFile(const std::filesystem::path &path, const std::vector<uint8_t> &data) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char *>(data.data()), static_cast<std::streamsize>(data.size()));
}

// The files on disk under "disk", and as archives PLAIN.KRZ and PACKED.KRZ;
// the current directory is the fixture's folder.
const Fixture &GetFixture() {
  static const Fixture fixture = [] {
    Fixture f;
    f.dir = std::filesystem::temp_directory_path() / "velvane-archive-bench";
    std::filesystem::remove_all(f.dir);
    std::filesystem::create_directories(f.dir / "disk");
    SampleRandom random{7};
    std::vector<KrzWriteEntry> plain, packed;
    for (int i = 0; i < kFiles; ++i) {
      char name[32];
      snprintf(name, sizeof(name), "f%04d.txt", i);
      const size_t size = 1024 + static_cast<size_t>(random.Below(15 * 1024 + 1));
      KrzWriteEntry e;
      e.path = name;
      e.data = MakeTextSample(size, static_cast<uint32_t>(i));
      WriteFile(f.dir / "disk" / name, e.data);
      f.names.push_back(name);
      f.bytes += static_cast<int64_t>(size);
      plain.push_back(e);
      e.packed = true;
      packed.push_back(e);
    }
    WriteFile(f.dir / "PLAIN.KRZ", WriteKrzArchive(plain, KrzWriteOptions()));
    WriteFile(f.dir / "PACKED.KRZ", WriteKrzArchive(packed, KrzWriteOptions()));
    std::filesystem::current_path(f.dir);
    return f;
  }();
  return fixture;
}

enum Source { DISK_PLAIN_SET, DISK_DEFAULT_TABLE, ARCHIVE_PLAIN, ARCHIVE_PACKED };
const char *const kSourceNames[] = {"disk, plain set", "disk, default table",
                                    "archive, plain entries", "archive, packed entries"};
const char *const kFolders[] = {"disk\\", "disk\\", "PLAIN\\", "PACKED\\"};

void OpenAndReadFiles(benchmark::State &state) {
  const Fixture &f = GetFixture();
  const Source source = static_cast<Source>(state.range(0));
  state.SetLabel(kSourceNames[source]);
  SelectStreamFunctions(nullptr);
  const FileAccessFunctions *table =
      source == DISK_PLAIN_SET ? GetPlainFileAccessFunctions() : GetFileAccessFunctions();
  std::vector<std::string> paths;
  for (const std::string &name : f.names) paths.push_back(kFolders[source] + name);
  std::vector<uint8_t> buffer(16 * 1024);
  for (auto _ : state) {
    int64_t total = 0;
    for (const std::string &path : paths) {
      const FileHandle file = table->open(path.c_str(), 0, 1, 0);
      if (!file) {
        state.SkipWithError("open failed");
        return;
      }
      for (int n; (n = table->read(buffer.data(), 1, static_cast<int>(buffer.size()), file)) > 0;) {
        total += n;
      }
      table->close(file);
    }
    if (total != f.bytes) state.SkipWithError("bytes differ");
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * f.bytes);
  ResetArchiveCache();
}

BENCHMARK(OpenAndReadFiles)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);

}  // namespace
