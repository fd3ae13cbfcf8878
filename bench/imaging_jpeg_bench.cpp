// WriteJpegFile of a 320 x 240 camera-like frame at quality 90, against libjpeg-turbo called
// directly on the same pixels with the same settings and the same way of writing the file
// (target: the wrapper within 1.2 times the direct encoder). The direct baseline is also run
// writing with plain stdio, to show what the no-loss file replacement costs by itself.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include <jpeglib.h>

#include "imaging_frame.h"
#include "zentrik/imaging/mIntelJPEGLibrary.h"
#include "zentrik/platform/files.h"
#include "zentrik/platform/message_box.h"

namespace zentrik {
namespace {

std::string bench_file(const char* name) {
  const auto folder = std::filesystem::temp_directory_path() / "zentrik-imaging-bench";
  std::filesystem::create_directories(folder);
  return (folder / name).string();
}

// The frame's rows top first, as the encoder reads them.
std::vector<JSAMPROW> top_down_rows(const cDIBSection& frame) {
  const ByteView bits = frame.view();
  std::vector<JSAMPROW> rows;
  for (std::ptrdiff_t row = bits.rows() - 1; row >= 0; --row) rows.push_back(bits.row(row).data());
  return rows;
}

// libjpeg-turbo at the settings the stand-in uses, into the destination `attach` sets up.
template <typename Attach>
void encode_direct(const cDIBSection& frame, const std::vector<JSAMPROW>& rows, Attach attach) {
  jpeg_compress_struct cinfo;
  jpeg_error_mgr errors;
  cinfo.err = jpeg_std_error(&errors);
  jpeg_create_compress(&cinfo);
  attach(cinfo);
  cinfo.image_width = static_cast<JDIMENSION>(frame.Width());
  cinfo.image_height = static_cast<JDIMENSION>(frame.Height());
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_EXT_BGR;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, 90, TRUE);
  jpeg_start_compress(&cinfo, TRUE);
  jpeg_write_scanlines(&cinfo, const_cast<JSAMPARRAY>(rows.data()), cinfo.image_height);
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
}

// libjpeg-turbo straight into memory.
std::vector<unsigned char> encode_direct(const cDIBSection& frame,
                                         const std::vector<JSAMPROW>& rows) {
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  encode_direct(frame, rows,
                [&](jpeg_compress_struct& cinfo) { jpeg_mem_dest(&cinfo, &buffer, &size); });
  std::vector<unsigned char> bytes(buffer, buffer + size);
  std::free(buffer);
  return bytes;
}

void BM_WriteJpegFile(benchmark::State& state) {
  cDIBSection frame;
  if (!bench::make_camera_frame(state, frame)) return;
  const std::string file = bench_file("wrapper.jpg");
  for (auto _ : state) {
    if (!is_true(WriteJpegFile(frame, file, 90))) state.SkipWithError("write failed");
  }
}
BENCHMARK(BM_WriteJpegFile)->Unit(benchmark::kMicrosecond)->UseRealTime();

// The same encoding and the same temporary-file-then-rename writing, without the record.
void BM_DirectLibjpeg_ReplacingFile(benchmark::State& state) {
  cDIBSection frame;
  if (!bench::make_camera_frame(state, frame)) return;
  const auto rows = top_down_rows(frame);
  const std::string file = bench_file("direct.jpg");
  for (auto _ : state) {
    const auto bytes = encode_direct(frame, rows);
    ReplacingFileWriter writer;
    if (!writer.open(file) || writer.write(bytes) != bytes.size() || !writer.commit()) {
      state.SkipWithError("write failed");
    }
  }
}
BENCHMARK(BM_DirectLibjpeg_ReplacingFile)->Unit(benchmark::kMicrosecond)->UseRealTime();

// libjpeg-turbo with its own stdio destination: truncates the file in place.
void BM_DirectLibjpeg_Stdio(benchmark::State& state) {
  cDIBSection frame;
  if (!bench::make_camera_frame(state, frame)) return;
  const auto rows = top_down_rows(frame);
  const std::string file = bench_file("stdio.jpg");
  for (auto _ : state) {
    std::FILE* out = std::fopen(file.c_str(), "wb");
    encode_direct(frame, rows,
                  [out](jpeg_compress_struct& cinfo) { jpeg_stdio_dest(&cinfo, out); });
    std::fclose(out);
  }
}
BENCHMARK(BM_DirectLibjpeg_Stdio)->Unit(benchmark::kMicrosecond)->UseRealTime();

// Encoding alone, into memory: the floor under all three.
void BM_DirectLibjpeg_Memory(benchmark::State& state) {
  cDIBSection frame;
  if (!bench::make_camera_frame(state, frame)) return;
  const auto rows = top_down_rows(frame);
  for (auto _ : state) benchmark::DoNotOptimize(encode_direct(frame, rows).size());
}
BENCHMARK(BM_DirectLibjpeg_Memory)->Unit(benchmark::kMicrosecond)->UseRealTime();

}  // namespace
}  // namespace zentrik

BENCHMARK_MAIN();
