#include "app/picture_output.h"

#include <optional>
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

// Writes the picture from the start of the open file and cuts off whatever followed.
void WritePicture(HANDLE file, const std::optional<DibCopy>& picture) {
  if (picture) {
    WriteAll(file, picture->headers.data(), picture->headers.size());
    if (!picture->colours.empty())
      WriteAll(file, picture->colours.data(), picture->colours.size() * sizeof(RGBQUAD));
    WriteAll(file, picture->rows.data(), picture->rows.size());
  }
  if (!SetEndOfFile(file) || !FlushFileBuffers(file)) throw EWriteError("Stream write error");
}

// Writes the picture into a file this save has just made; when that fails the file is
// closed and removed again, so nothing half-written stays behind.
void WriteMadeFile(UniqueFile file, const std::string& name,
                   const std::optional<DibCopy>& picture) {
  try {
    WritePicture(file.get(), picture);
  } catch (...) {
    file.reset();
    DeleteFileA(name.c_str());
    throw;
  }
}

DWORD LinkCount(HANDLE file) {
  BY_HANDLE_FILE_INFORMATION info{};
  return GetFileInformationByHandle(file, &info) ? info.nNumberOfLinks : 1;
}

struct MadeFile {
  std::string name;
  UniqueFile file;
};

// A new file with a short unique name ("lvXXXX.tmp") in the target's folder, open for
// writing; none when the folder takes no new files. The opening also checks the making: Wine's
// GetTempFileName gives a name even when it could not make the file.
MadeFile NewFileBeside(const std::string& target) {
  const std::string folder = target.substr(0, target.find_last_of('\\') + 1);
  char name[MAX_PATH];
  if (GetTempFileNameA(folder.c_str(), "lv", 0, name) == 0) return {};
  UniqueFile file(CreateFileA(name, GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) {
    DeleteFileA(name);
    return {};
  }
  return {name, std::move(file)};
}

UniqueFile OpenTarget(const std::string& target) {
  return UniqueFile(CreateFileA(target.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
}

}  // namespace

void SavePictureToFile(TPictureImage& image, const std::string& fileName) {
  if (!image.HasSurface()) return;
  const std::string target = FullPathOf(fileName);

  // The picture is made before anything touches the disk.
  std::optional<DibCopy> picture;
  if (image.SurfaceWidth() > 0 && image.SurfaceHeight() > 0) picture = MakeDibCopy(image);

  // 1. The target is opened for writing as its creation would open it, but an earlier file is
  //    not emptied. When this fails (held by another program, missing folder, no access), its
  //    reason is the one reported.
  UniqueFile file = OpenTarget(target);
  if (!file) ThrowCreateError(target, GetLastError());
  if (GetLastError() != ERROR_ALREADY_EXISTS) {  // a new file: nothing earlier to keep
    WriteMadeFile(std::move(file), target, picture);
    return;
  }

  // 2. An earlier file with a single name is replaced by a complete new one written beside
  //    it, so a failed write (a full disk) leaves it as it was. ReplaceFile keeps its
  //    attributes and permissions.
  if (LinkCount(file.get()) == 1) {
    if (MadeFile temp = NewFileBeside(target); temp.file) {
      file.reset();
      WriteMadeFile(std::move(temp.file), temp.name, picture);
      if (ReplaceFileA(target.c_str(), temp.name.c_str(), nullptr,
                       REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr))
        return;
      DeleteFileA(temp.name.c_str());
      file = OpenTarget(target);  // the folder would not let it be replaced: write it in place
      if (!file) ThrowCreateError(target, GetLastError());
    }
  }

  // 3. Otherwise the earlier file is written in place: it has other names that are to see
  //    the new picture too, or its folder takes no new files.
  WritePicture(file.get(), picture);
}
