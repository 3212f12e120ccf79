#include "app/picture_output.h"

#include <cstdio>
#include <vector>

#include "app/bitmap_file.h"
#include "app/picture_image.h"
#include "toolkit/errors.h"
#include "toolkit/handles.h"

// ---- Clipboard ------------------------------------------------------------------------------

TClipboardService::~TClipboardService() {
  if (open_count_ > 0) CloseClipboard();
}

void TClipboardService::Open() {
  if (open_count_ == 0) {
    if (!OpenClipboard(owner_)) throw EClipboardException("Cannot open clipboard");
  }
  ++open_count_;
}

void TClipboardService::Close() {
  if (open_count_ == 0) return;
  if (--open_count_ == 0) CloseClipboard();
}

void TClipboardService::Clear() {
  Open();
  EmptyClipboard();
  Close();
}

namespace {
struct ClipboardOpening {
  TClipboardService& clipboard;
  explicit ClipboardOpening(TClipboardService& c) : clipboard(c) { clipboard.Open(); }
  ~ClipboardOpening() { clipboard.Close(); }
};
}  // namespace

void CopyPictureToClipboard(TPictureImage& image, TClipboardService& clipboard) {
  if (!image.HasSurface() || image.SurfaceWidth() <= 0 || image.SurfaceHeight() <= 0) return;
  const int w = image.SurfaceWidth(), h = image.SurfaceHeight();
  ClipboardOpening opening(clipboard);
  clipboard.Clear();

  UniqueBitmap copy;
  {
    WindowDC screen(nullptr);
    SetLastError(0);
    copy.reset(CreateCompatibleBitmap(screen.get(), w, h));
  }
  if (!copy) throw EOutOfResources(OutOfResourcesText());
  {
    UniqueDC dc(CreateCompatibleDC(nullptr));
    if (!dc) throw EOutOfResources(OutOfResourcesText());
    SelectGuard select(dc.get(), copy.get());
    RECT all{0, 0, w, h};
    FillRect(dc.get(), &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    BitBlt(dc.get(), 0, 0, w, h, image.Canvas(), 0, 0, SRCCOPY);
  }
  if (!SetClipboardData(CF_BITMAP, copy.get())) throw EOutOfResources(OutOfResourcesText());
  copy.release();  // the clipboard owns it now
}

// ---- Bitmap file ----------------------------------------------------------------------------

namespace {

std::string FullPathOf(const std::string& name) {
  char buffer[MAX_PATH * 4];
  DWORD n = GetFullPathNameA(name.c_str(), sizeof buffer, buffer, nullptr);
  if (n == 0 || n >= sizeof buffer) return name;
  return std::string(buffer, n);
}

[[noreturn]] void ThrowCreateError(const std::string& fullPath, DWORD code) {
  throw EFCreateError("Cannot create file \"" + fullPath + "\". " + SysErrorMessage(code));
}

void WriteAll(HANDLE file, const void* data, size_t size) {
  const auto* bytes = static_cast<const uint8_t*>(data);
  while (size > 0) {
    DWORD chunk = size > 0x10000000 ? 0x10000000 : static_cast<DWORD>(size);
    DWORD written = 0;
    if (!WriteFile(file, bytes, chunk, &written, nullptr) || written != chunk)
      throw EWriteError("Stream write error");
    bytes += chunk;
    size -= chunk;
  }
}

// The surface as a device-independent picture: the file's headers, colour table and rows.
struct DibCopy {
  std::array<uint8_t, kBitmapHeadersSize> headers{};
  std::vector<RGBQUAD> colours;
  std::vector<uint8_t> rows;
};

DibCopy MakeDibCopy(TPictureImage& image) {
  const int w = image.SurfaceWidth(), h = image.SurfaceHeight();
  const int bpp = image.SurfaceBitsPerPixel();
  const uint32_t entries = bpp <= 8 ? (1u << bpp) : 0;
  auto headers = BitmapFileHeader(w, h, static_cast<uint32_t>(bpp), entries);
  if (!headers) throw EOutOfResources("Out of system resources");

  std::vector<uint8_t> info(sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD));
  auto* bmi = reinterpret_cast<BITMAPINFO*>(info.data());
  bmi->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  bmi->bmiHeader.biWidth = w;
  bmi->bmiHeader.biHeight = h;
  bmi->bmiHeader.biPlanes = 1;
  bmi->bmiHeader.biBitCount = static_cast<WORD>(bpp);
  bmi->bmiHeader.biCompression = BI_RGB;

  WindowDC screen(nullptr);
  void* bits = nullptr;
  SetLastError(0);
  UniqueBitmap dib(CreateDIBSection(screen.get(), bmi, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!dib || !bits) throw EOutOfResources(OutOfResourcesText());
  image.ReleaseCanvas();  // the surface may not be selected into a context for GetDIBits
  if (GetDIBits(screen.get(), image.Surface(), 0, static_cast<UINT>(h), bits, bmi,
                DIB_RGB_COLORS) == 0)
    throw EOutOfResources(OutOfResourcesText());

  DibCopy copy;
  copy.headers = *headers;
  copy.colours.assign(bmi->bmiColors, bmi->bmiColors + entries);
  const auto* first = static_cast<const uint8_t*>(bits);
  copy.rows.assign(first, first + BitmapImageSize(static_cast<uint32_t>(w), static_cast<uint32_t>(h),
                                                  static_cast<uint32_t>(bpp)));
  return copy;
}

}  // namespace

void SavePictureToFile(TPictureImage& image, const std::string& fileName) {
  if (!image.HasSurface()) return;
  const std::string target = FullPathOf(fileName);

  // The picture is made before anything touches the disk.
  const bool empty = image.SurfaceWidth() <= 0 || image.SurfaceHeight() <= 0;
  DibCopy copy;
  if (!empty) copy = MakeDibCopy(image);

  // A new file beside the target, put in the target's place once it is complete. Its
  // creation fails for the same reasons as the target's would (missing folder, no access).
  std::string temp;
  UniqueFile file;
  for (unsigned attempt = 0; !file; ++attempt) {
    char suffix[40];
    std::snprintf(suffix, sizeof suffix, ".%lx-%u.tmp", GetCurrentProcessId(), attempt);
    temp = target + suffix;
    file.reset(CreateFileA(temp.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                           FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file && (GetLastError() != ERROR_FILE_EXISTS || attempt >= 16))
      ThrowCreateError(target, GetLastError());
  }
  try {
    if (!empty) {
      WriteAll(file.get(), copy.headers.data(), copy.headers.size());
      if (!copy.colours.empty())
        WriteAll(file.get(), copy.colours.data(), copy.colours.size() * sizeof(RGBQUAD));
      WriteAll(file.get(), copy.rows.data(), copy.rows.size());
    }
    if (!FlushFileBuffers(file.get())) throw EWriteError("Stream write error");
  } catch (...) {
    file.reset();
    DeleteFileA(temp.c_str());
    throw;
  }
  file.reset();
  if (!MoveFileExA(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    DWORD code = GetLastError();
    DeleteFileA(temp.c_str());
    ThrowCreateError(target, code);
  }
}
