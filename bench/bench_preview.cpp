// The save dialog's preview: time from a selected photo to its preview shown (the file read,
// decoded at the pane's size and painted), for a 4000 x 3000 and a 640 x 480 JPEG, beside the
// time of decoding the large photo at full size, so the gain of decoding reduced shows.
//
//   bench_preview [runs-per-case]

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "app/preview_decode.h"
#include "app/save_preview_pane.h"
#include "shared/test_pictures.h"
#include "toolkit/application.h"
#include "toolkit/form.h"
#include "toolkit/std_controls.h"

namespace {

double Milliseconds(LARGE_INTEGER from, LARGE_INTEGER to) {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  return double(to.QuadPart - from.QuadPart) * 1e3 / double(frequency.QuadPart);
}

template <class F>
double MedianMs(int runs, F&& run) {
  std::vector<double> times;
  for (int i = 0; i < runs; ++i) {
    LARGE_INTEGER a, b;
    QueryPerformanceCounter(&a);
    run();
    QueryPerformanceCounter(&b);
    times.push_back(Milliseconds(a, b));
  }
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

uint32_t Photo(int x, int y) { return static_cast<uint32_t>(((x * 7) & 0xFF) << 16 | ((y * 3) & 0xFF) << 8 | ((x ^ y) & 0xFF)); }

std::vector<uint8_t> ReadAll(const std::string& path) {
  std::vector<uint8_t> bytes;
  if (FILE* f = std::fopen(path.c_str(), "rb")) {
    std::fseek(f, 0, SEEK_END);
    bytes.resize(static_cast<size_t>(std::ftell(f)));
    std::fseek(f, 0, SEEK_SET);
    bytes.resize(std::fread(bytes.data(), 1, bytes.size(), f));
    std::fclose(f);
  }
  return bytes;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  const int runs = __argc > 1 ? std::max(1, std::atoi(__argv[1])) : 15;
  TApplication application;
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  const std::string large = std::string(temp) + "lumeview-bench-4000x3000.jpg";
  const std::string small = std::string(temp) + "lumeview-bench-640x480.jpg";
  if (!test_pictures::WriteJpeg(large, 4000, 3000, Photo, 90) ||
      !test_pictures::WriteJpeg(small, 640, 480, Photo, 90)) {
    std::printf("cannot write the photos to %s\n", temp);
    return 1;
  }

  // The pane in a window of the save dialog's size, shown, as in a run of the dialog.
  std::unique_ptr<TForm> host(CreateForm<TForm>(nullptr));
  host->SetClientSize(640, 300);
  host->Show();
  TSavePreviewPane pane(nullptr);
  pane.Place(host->Handle(), RECT{0, 0, 408, 300});
  auto shown = [&](const std::string& path) {
    return MedianMs(runs, [&] {
      pane.StartRun();
      pane.SelectionChanged(path);
      RedrawWindow(pane.PaintPanel->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    });
  };
  const double large_shown = shown(large), small_shown = shown(small);
  const std::vector<uint8_t> bytes = ReadAll(large);
  const double full = MedianMs(runs, [&] {
    const auto picture = DecodeJpeg(bytes.data(), bytes.size(), 4000, 3000);
    if (!picture || picture->pixelWidth != 4000) std::printf("full decode failed\n");
  });
  std::printf("preview of a selected JPEG, median of %d runs (pane %ld x %ld)\n", runs,
              static_cast<long>(pane.PaintBox->Width()), static_cast<long>(pane.PaintBox->Height()));
  std::printf("  4000 x 3000: %8.1f ms to the preview shown (reduced 1/%d in the decoder)\n",
              large_shown, JpegScaleDenominator(4000, 3000, pane.PaintBox->Width(), pane.PaintBox->Height()));
  std::printf("   640 x  480: %8.1f ms to the preview shown\n", small_shown);
  std::printf("  4000 x 3000: %8.1f ms to decode at full size (from memory)\n", full);
  pane.Remove();
  DeleteFileA(large.c_str());
  DeleteFileA(small.c_str());
  return 0;
}
