// What the sound benchmarks share: ten seconds of Vorbis encoded once in
// memory, a CD-format WAV header, and the floor every Ogg decode is
// measured against, a bare vorbisfile ov_read loop over the file image.
#ifndef VELVANE_BENCH_SOUND_BENCH_COMMON_H
#define VELVANE_BENCH_SOUND_BENCH_COMMON_H

#include <math.h>
#include <stdint.h>
#include <string.h>
#include <vorbis/vorbisenc.h>
#include <vorbis/vorbisfile.h>

#include <vector>

#include "core/debug/memory.h"

namespace sound_bench {

typedef std::vector<unsigned char> Bytes;

inline void Append(Bytes *out, const ogg_page &page) {
  out->insert(out->end(), page.header, page.header + page.header_len);
  out->insert(out->end(), page.body, page.body + page.body_len);
}

// Ten seconds of a stereo chord at 44.1 kHz, Vorbis quality 0.3.
inline Bytes EncodeOgg(void) {
  const int rate = 44100, seconds = 10;
  vorbis_info vi;
  vorbis_info_init(&vi);
  vorbis_encode_init_vbr(&vi, 2, rate, 0.3f);
  vorbis_comment vc;
  vorbis_comment_init(&vc);
  vorbis_dsp_state vd;
  vorbis_analysis_init(&vd, &vi);
  vorbis_block vb;
  vorbis_block_init(&vd, &vb);
  ogg_stream_state os;
  ogg_stream_init(&os, 42);
  ogg_packet header, comment, code;
  vorbis_analysis_headerout(&vd, &vc, &header, &comment, &code);
  ogg_stream_packetin(&os, &header);
  ogg_stream_packetin(&os, &comment);
  ogg_stream_packetin(&os, &code);
  Bytes out;
  ogg_page page;
  while (ogg_stream_flush(&os, &page)) Append(&out, page);
  const int chunk = 1024;
  for (int done = 0; done <= rate * seconds; done += chunk) {
    const int n = done < rate * seconds ? chunk : 0;
    float **buffer = vorbis_analysis_buffer(&vd, chunk);
    for (int i = 0; i < n; i++) {
      const double t = static_cast<double>(done + i) / rate;
      buffer[0][i] = static_cast<float>(0.3 * sin(2 * M_PI * 220 * t) + 0.2 * sin(2 * M_PI * 331 * t));
      buffer[1][i] = static_cast<float>(0.3 * sin(2 * M_PI * 277 * t) + 0.2 * sin(2 * M_PI * 440 * t));
    }
    vorbis_analysis_wrote(&vd, n);
    while (vorbis_analysis_blockout(&vd, &vb) == 1) {
      vorbis_analysis(&vb, nullptr);
      vorbis_bitrate_addblock(&vb);
      ogg_packet packet;
      while (vorbis_bitrate_flushpacket(&vd, &packet)) {
        ogg_stream_packetin(&os, &packet);
        while (ogg_stream_pageout(&os, &page)) Append(&out, page);
      }
    }
  }
  while (ogg_stream_flush(&os, &page)) Append(&out, page);
  ogg_stream_clear(&os);
  vorbis_block_clear(&vb);
  vorbis_dsp_clear(&vd);
  vorbis_comment_clear(&vc);
  vorbis_info_clear(&vi);
  return out;
}

inline const Bytes &OggFile(void) {
  static const Bytes file = EncodeOgg();
  return file;
}

// A plain in-memory reader for the bare vorbisfile loop.
struct MemoryReader {
  const Bytes *data;
  size_t at;
};

inline size_t ReadMemory(void *ptr, size_t size, size_t count, void *source) {
  MemoryReader *r = static_cast<MemoryReader *>(source);
  size_t n = size * count;
  if (n > r->data->size() - r->at) n = r->data->size() - r->at;
  memcpy(ptr, r->data->data() + r->at, n);
  r->at += n;
  return n / size;
}

inline int SeekMemory(void *source, ogg_int64_t offset, int whence) {
  MemoryReader *r = static_cast<MemoryReader *>(source);
  const ogg_int64_t base = whence == 0 ? 0 : whence == 1 ? static_cast<ogg_int64_t>(r->at)
                                                         : static_cast<ogg_int64_t>(r->data->size());
  r->at = static_cast<size_t>(base + offset);
  return 0;
}

inline long TellMemory(void *source) { return static_cast<long>(static_cast<MemoryReader *>(source)->at); }

// The 44-byte header of a 44.1 kHz 16-bit stereo PCM WAV of dataBytes.
inline Bytes CdWavHeader(uint32_t dataBytes) {
  const unsigned char header[44] = {
      'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' ', 16, 0, 0, 0,
      1, 0, 2, 0, 0x44, 0xAC, 0, 0, 0x10, 0xB1, 2, 0, 4, 0, 16, 0, 'd', 'a', 't', 'a', 0, 0, 0, 0};
  Bytes h(header, header + 44);
  const uint32_t riffSize = dataBytes + 36;
  memcpy(&h[4], &riffSize, 4);
  memcpy(&h[40], &dataBytes, 4);
  return h;
}

// Decodes the whole file with ov_read into one block; the bytes decoded.
inline int64_t DecodeWithBareOvRead(const Bytes &file) {
  const ov_callbacks callbacks = {ReadMemory, SeekMemory, nullptr, TellMemory};
  MemoryReader reader = {&file, 0};
  OggVorbis_File vf;
  ov_open_callbacks(&reader, &vf, nullptr, 0, callbacks);
  const int64_t total = ov_pcm_total(&vf, -1) * ov_info(&vf, -1)->channels * 2;
  char *pcm = static_cast<char *>(AllocMemory(static_cast<int>(total), "", 0));
  int64_t got = 0;
  int link;
  long n;
  while (got < total && (n = ov_read(&vf, pcm + got, static_cast<int>(total - got > 4096 ? 4096 : total - got), 0, 2, 1, &link)) > 0) {
    got += n;
  }
  FreeMemory(pcm);
  ov_clear(&vf);
  return got;
}

}  // namespace sound_bench

#endif  // VELVANE_BENCH_SOUND_BENCH_COMMON_H
