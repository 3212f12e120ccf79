// The picture side of the tray driver: the clipboard, saved files, pictures made from the
// screen and the overlay text, and the ticker window.

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>

#include "app/bitmap_file.h"
#include "support/tray_driver.h"

namespace tray_driver {

using e2e::Image;
using e2e::WaitFor;

// ---- Clipboard ----------------------------------------------------------------------------

namespace {
// One program at a time holds the clipboard open: retry for a while.
bool OpenClipboardSoon() {
  return WaitFor([] { return OpenClipboard(nullptr) != FALSE; }, 2000);
}
}  // namespace

std::optional<Image> ReadClipboardPicture() {
  if (!OpenClipboardSoon()) return std::nullopt;
  std::optional<Image> result;
  HANDLE data = GetClipboardData(CF_DIB);
  const void* locked = data ? GlobalLock(data) : nullptr;
  if (locked) {
    const SIZE_T size = GlobalSize(data);
    const auto* info = static_cast<const BITMAPINFOHEADER*>(locked);
    const int w = info->biWidth;
    const int h = info->biHeight < 0 ? -info->biHeight : info->biHeight;
    const int bpp = info->biBitCount;
    size_t offset = info->biSize;
    if (info->biCompression == BI_BITFIELDS) offset += 12;
    const size_t stride = ((static_cast<size_t>(w) * bpp + 31) / 32) * 4;
    if (size >= sizeof(BITMAPINFOHEADER) && w > 0 && h > 0 && (bpp == 32 || bpp == 24) &&
        offset + stride * h <= size) {
      Image p;
      p.width = w;
      p.height = h;
      p.pixels.resize(static_cast<size_t>(w) * h);
      const auto* bytes = static_cast<const uint8_t*>(locked) + offset;
      for (int y = 0; y < h; ++y) {
        const int row = info->biHeight < 0 ? y : h - 1 - y;
        const uint8_t* src = bytes + stride * row;
        for (int x = 0; x < w; ++x) {
          const uint8_t* px = src + x * (bpp / 8);
          p.At(x, y) = (uint32_t{px[2]} << 16) | (uint32_t{px[1]} << 8) | px[0];
        }
      }
      result = std::move(p);
    }
    GlobalUnlock(data);
  }
  CloseClipboard();
  return result;
}

std::optional<Image> WaitForClipboardPicture(DWORD timeoutMs) {
  if (!WaitFor(
          [] {
            return IsClipboardFormatAvailable(CF_BITMAP) && GetOpenClipboardWindow() == nullptr;
          },
          timeoutMs))
    return std::nullopt;
  return ReadClipboardPicture();
}

std::vector<UINT> ClipboardFormats() {
  std::vector<UINT> formats;
  if (!OpenClipboardSoon()) return formats;
  for (UINT f = EnumClipboardFormats(0); f; f = EnumClipboardFormats(f)) formats.push_back(f);
  CloseClipboard();
  return formats;
}

bool EmptyTheClipboard() {
  if (!OpenClipboardSoon()) return false;
  const bool ok = EmptyClipboard() != FALSE;
  CloseClipboard();
  return ok;
}

// ---- Files --------------------------------------------------------------------------------

std::optional<std::vector<uint8_t>> ReadWholeFile(const std::string& path) {
  HANDLE h = CreateFileA(path.c_str(), GENERIC_READ,
                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return std::nullopt;
  std::optional<std::vector<uint8_t>> result;
  LARGE_INTEGER size{};
  if (GetFileSizeEx(h, &size) && size.QuadPart < (1 << 28)) {
    std::vector<uint8_t> bytes(static_cast<size_t>(size.QuadPart));
    DWORD got = 0;
    if (bytes.empty() ||
        (ReadFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr) &&
         got == bytes.size()))
      result = std::move(bytes);
  }
  CloseHandle(h);
  return result;
}

std::optional<std::vector<uint8_t>> WaitForWholeBitmapFile(const std::string& path, DWORD timeoutMs) {
  std::optional<std::vector<uint8_t>> bytes;
  const bool whole = e2e::WaitFor(
      [&] {
        bytes = ReadWholeFile(path);
        if (!bytes || bytes->size() < 6 || (*bytes)[0] != 'B' || (*bytes)[1] != 'M') return false;
        const uint32_t declared = (*bytes)[2] | (*bytes)[3] << 8 | (*bytes)[4] << 16 |
                                  static_cast<uint32_t>((*bytes)[5]) << 24;
        return bytes->size() == declared;
      },
      timeoutMs);
  if (!whole) return std::nullopt;
  return bytes;
}

bool PathExists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::optional<Image> PictureOfBitmapFile(const std::vector<uint8_t>& bytes) {
  const std::optional<ParsedBitmap> parsed = ParseBitmapFile(bytes.data(), bytes.size());
  if (!parsed) return std::nullopt;
  Image image;
  image.width = parsed->width;
  image.height = parsed->height;
  image.pixels.resize(static_cast<size_t>(image.width) * image.height);
  for (int y = 0; y < image.height; ++y)
    for (int x = 0; x < image.width; ++x) {
      const std::optional<uint32_t> colour = parsed->PixelAt(x, y);
      if (!colour) return std::nullopt;
      image.At(x, y) = *colour;
    }
  return image;
}

ScratchFolder::ScratchFolder() {
  char temp[MAX_PATH] = {};
  GetTempPathA(sizeof temp, temp);
  char name[MAX_PATH + 64];
  std::snprintf(name, sizeof name, "%slumeview-e2e-%lu-%llu\\", temp, GetCurrentProcessId(),
                static_cast<unsigned long long>(GetTickCount64()));
  CreateDirectoryA(name, nullptr);
  char full[MAX_PATH * 2] = {};
  GetFullPathNameA(name, sizeof full, full, nullptr);
  path_ = full;
}

std::vector<std::string> ScratchFolder::FileNames() const {
  std::vector<std::string> names;
  WIN32_FIND_DATAA found{};
  HANDLE h = FindFirstFileA((path_ + "*").c_str(), &found);
  if (h == INVALID_HANDLE_VALUE) return names;
  do {
    if (std::strcmp(found.cFileName, ".") != 0 && std::strcmp(found.cFileName, "..") != 0)
      names.push_back(found.cFileName);
  } while (FindNextFileA(h, &found));
  FindClose(h);
  std::sort(names.begin(), names.end());
  return names;
}

ScratchFolder::~ScratchFolder() {
  for (const std::string& name : FileNames()) {
    const std::string full = path_ + name;
    if (GetFileAttributesA(full.c_str()) & FILE_ATTRIBUTE_DIRECTORY)
      RemoveDirectoryA(full.c_str());
    else
      DeleteFileA(full.c_str());
  }
  RemoveDirectoryA(path_.c_str());
}

// ---- Pictures judged from the screen ------------------------------------------------------

Image ExpectedFromScreen(const e2e::LensView& view) {
  const RECT source = e2e::SourceRect(view);
  const Image seen = e2e::CaptureScreen(source);
  e2e::DibCanvas from(seen.width, seen.height);
  e2e::DibCanvas to(view.width, view.height);
  if (!from.ok() || !to.ok()) return Image{};
  from.Fill(seen);
  SetStretchBltMode(to.dc, COLORONCOLOR);
  StretchBlt(to.dc, 0, 0, to.width, to.height, from.dc, 0, 0, from.width, from.height, SRCCOPY);
  return to.ToImage();
}

void DrawInfoOverlay(Image& picture, const std::string& text, POINT clientOrigin) {
  e2e::DibCanvas canvas(picture.width, picture.height);
  if (!canvas.ok()) return;
  canvas.Fill(picture);
  HDC dc = canvas.dc;

  LOGFONTA lf{};
  lf.lfHeight = -16;
  lf.lfWeight = FW_BOLD;
  lf.lfCharSet = DEFAULT_CHARSET;
  lf.lfQuality = DEFAULT_QUALITY;
  lstrcpynA(lf.lfFaceName, "Tahoma", LF_FACESIZE);
  HFONT font = CreateFontIndirectA(&lf);
  HGDIOBJ oldFont = SelectObject(dc, font);
  SetBkMode(dc, TRANSPARENT);

  // The label sizes itself to text and shadow plus a pixel on each side, at (3, 3); the text
  // sits one pixel in, the shadow 2 pixels to the lower right of it.
  const int length = static_cast<int>(text.size());
  RECT calc{0, 0, 0, 0};
  DrawTextA(dc, text.c_str(), length, &calc, DT_EXPANDTABS | DT_CALCRECT);
  const int shadow = 2;
  const int lx = clientOrigin.x + 3, ly = clientOrigin.y + 3;
  const RECT label{lx, ly, lx + calc.right + shadow + 2, ly + calc.bottom + shadow};
  IntersectClipRect(dc, label.left, label.top, label.right, label.bottom);
  RECT textRect{label.left + 1, label.top, label.right - 1, label.bottom};
  RECT shadowRect = textRect;
  OffsetRect(&shadowRect, shadow, shadow);
  SetTextColor(dc, GetSysColor(COLOR_BTNHIGHLIGHT));
  DrawTextA(dc, text.c_str(), length, &shadowRect, DT_EXPANDTABS);
  SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
  DrawTextA(dc, text.c_str(), length, &textRect, DT_EXPANDTABS);

  picture = canvas.ToImage();
  SelectObject(dc, oldFont);
  DeleteObject(font);
}

// ---- Ticker -------------------------------------------------------------------------------

struct Ticker::State {
  std::atomic<int> changes{0};
  std::optional<e2e::ThreadWindow> window;  // last: it goes first, while the rest still stands

  std::optional<LRESULT> Answer(HWND wnd, UINT msg) {
    switch (msg) {
      case WM_TIMER:
        ++changes;
        InvalidateRect(wnd, nullptr, FALSE);
        return 0;
      case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(wnd, &ps);
        const int n = changes;
        // A colour far from the one before: every channel moves.
        HBRUSH brush =
            CreateSolidBrush(RGB((n * 67) & 0xFF, (n * 131 + 40) & 0xFF, (n * 29 + 90) & 0xFF));
        FillRect(dc, &ps.rcPaint, brush);
        DeleteObject(brush);
        EndPaint(wnd, &ps);
        return 0;
      }
      default:
        return std::nullopt;
    }
  }
};

Ticker::Ticker(RECT area) : state_(std::make_shared<State>()) {
  State* state = state_.get();
  state_->window.emplace(
      area, "Lumeview test ticker",
      [state](HWND wnd, UINT msg, WPARAM, LPARAM) { return state->Answer(wnd, msg); }, 15);
}

Ticker::~Ticker() = default;

HWND Ticker::Handle() const { return state_->window->Handle(); }

int Ticker::Changes() const { return state_->changes; }

int ChangesSeen(const RECT& area, DWORD durationMs) {
  int changes = 0;
  Image previous = e2e::CaptureScreen(area);
  const ULONGLONG end = GetTickCount64() + durationMs;
  while (GetTickCount64() < end) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    Image now = e2e::CaptureScreen(area);
    if (now.pixels != previous.pixels) ++changes;
    previous = std::move(now);
  }
  return changes;
}

}  // namespace tray_driver
