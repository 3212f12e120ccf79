#include "app/preview_picture.h"

#include <cstdint>
#include <cstring>
#include <optional>
#include <vector>

#include "app/geometry.h"

namespace {

// Larger files are no pictures the preview shows.
constexpr LONGLONG kLargestFile = 256LL << 20;

// The whole file, or nothing when it cannot be read or is too large.
std::optional<std::vector<uint8_t>> ReadFileBytes(const std::string& fileName) {
  UniqueFile file(CreateFileA(fileName.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  LARGE_INTEGER size{};
  if (!file || !GetFileSizeEx(file.get(), &size) || size.QuadPart > kLargestFile) return std::nullopt;
  std::vector<uint8_t> bytes(static_cast<size_t>(size.QuadPart));
  size_t done = 0;
  while (done < bytes.size()) {
    DWORD got = 0;
    if (!ReadFile(file.get(), bytes.data() + done, static_cast<DWORD>(bytes.size() - done), &got,
                  nullptr) ||
        got == 0)
      return std::nullopt;
    done += got;
  }
  return bytes;
}

// A placeable metafile starts with this key and a 22-byte header: the bounding box in its own
// units and how many of them make an inch.
constexpr uint32_t kPlaceableKey = 0x9AC6CDD7;
constexpr size_t kPlaceableHeaderSize = 22;

int16_t Int16At(const std::vector<uint8_t>& b, size_t at) {
  return static_cast<int16_t>(b[at] | (b[at + 1] << 8));
}

RECT ToRect(const GRect& r) { return RECT{r.left, r.top, r.right, r.bottom}; }

}  // namespace

void TPreviewPicture::Clear() {
  width_ = height_ = 0;
  pixels_ = DecodedPicture{};
  icon_.reset();
  metafile_.reset();
}

bool TPreviewPicture::LoadFromFile(const std::string& fileName, int fitWidth, int fitHeight) {
  Clear();
  const DWORD attributes = GetFileAttributesA(fileName.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) return false;
  const PictureKind kind = PictureKindOf(fileName);
  bool loaded = false;
  switch (kind) {
    case PictureKind::Bmp:
    case PictureKind::Jpeg:
      loaded = LoadPixels(fileName, kind, fitWidth, fitHeight);
      break;
    case PictureKind::Icon:
      loaded = LoadIcon(fileName);
      break;
    case PictureKind::EnhMetafile:
      loaded = LoadEnhMetaFile(fileName);
      break;
    case PictureKind::Metafile:
      loaded = LoadMetaFile(fileName);
      break;
    default:
      break;
  }
  if (!loaded || width_ <= 0 || height_ <= 0) {
    Clear();
    return false;
  }
  return true;
}

bool TPreviewPicture::LoadPixels(const std::string& fileName, PictureKind kind, int fitWidth,
                                 int fitHeight) {
  const auto bytes = ReadFileBytes(fileName);
  if (!bytes) return false;
  std::optional<DecodedPicture> decoded =
      kind == PictureKind::Bmp ? DecodeBmp(bytes->data(), bytes->size(), fitWidth, fitHeight)
                               : DecodeJpeg(bytes->data(), bytes->size(), fitWidth, fitHeight);
  if (!decoded || decoded->pixelWidth <= 0 || decoded->pixelHeight <= 0) return false;
  pixels_ = std::move(*decoded);
  width_ = pixels_.width;
  height_ = pixels_.height;
  return true;
}

bool TPreviewPicture::LoadIcon(const std::string& fileName) {
  // Width and height 0 without LR_DEFAULTSIZE: the icon's own size.
  icon_.reset(static_cast<HICON>(
      LoadImageA(nullptr, fileName.c_str(), IMAGE_ICON, 0, 0, LR_LOADFROMFILE)));
  if (!icon_) return false;
  ICONINFO info{};
  if (!GetIconInfo(icon_.get(), &info)) return false;
  UniqueBitmap mask(info.hbmMask), colour(info.hbmColor);
  BITMAP bm{};
  if (colour && GetObjectA(colour.get(), sizeof bm, &bm)) {
    width_ = bm.bmWidth;
    height_ = bm.bmHeight;
  } else if (mask && GetObjectA(mask.get(), sizeof bm, &bm)) {
    width_ = bm.bmWidth;
    height_ = bm.bmHeight / 2;  // a monochrome icon's mask holds both halves
  }
  return true;
}

bool TPreviewPicture::LoadEnhMetaFile(const std::string& fileName) {
  metafile_.reset(GetEnhMetaFileA(fileName.c_str()));
  return TakeMetaFileBounds();
}

// The size of the metafile: the bounds of what it draws, inclusive, in the pixels of its
// recording device.
bool TPreviewPicture::TakeMetaFileBounds() {
  ENHMETAHEADER header{};
  if (!metafile_ || !GetEnhMetaFileHeader(metafile_.get(), sizeof header, &header)) return false;
  width_ = header.rclBounds.right - header.rclBounds.left + 1;
  height_ = header.rclBounds.bottom - header.rclBounds.top + 1;
  return true;
}

bool TPreviewPicture::LoadMetaFile(const std::string& fileName) {
  const auto bytes = ReadFileBytes(fileName);
  if (!bytes || bytes->size() < kPlaceableHeaderSize) return false;
  uint32_t key = 0;
  std::memcpy(&key, bytes->data(), sizeof key);
  if (key != kPlaceableKey) {
    // A plain metafile says nothing of its size; the system plays it to find its bounds.
    metafile_.reset(SetWinMetaFileBits(static_cast<UINT>(bytes->size()), bytes->data(), nullptr,
                                       nullptr));
    return TakeMetaFileBounds();
  }
  const int inch = static_cast<uint16_t>(Int16At(*bytes, 14));
  const int box_width = Int16At(*bytes, 10) - Int16At(*bytes, 6);
  const int box_height = Int16At(*bytes, 12) - Int16At(*bytes, 8);
  if (inch <= 0 || box_width <= 0 || box_height <= 0) return false;
  METAFILEPICT picture{MM_ANISOTROPIC, MulDiv(box_width, 2540, inch), MulDiv(box_height, 2540, inch),
                       nullptr};
  metafile_.reset(SetWinMetaFileBits(static_cast<UINT>(bytes->size() - kPlaceableHeaderSize),
                                     bytes->data() + kPlaceableHeaderSize, nullptr, &picture));
  if (!metafile_) return false;
  // The box at the screen's resolution.
  WindowDC screen(nullptr);
  const int dpi = GetDeviceCaps(screen.get(), LOGPIXELSX);
  width_ = MulDiv(box_width, dpi, inch);
  height_ = MulDiv(box_height, dpi, inch);
  return true;
}

void TPreviewPicture::Draw(HDC dc, const RECT& area) const {
  if (Empty()) return;
  const RECT to = ToRect(FitInside(width_, height_, GRect{area.left, area.top, area.right, area.bottom}));
  if (IsRectEmpty(&to)) return;
  if (!pixels_.pixels.empty()) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = pixels_.pixelWidth;
    info.bmiHeader.biHeight = -pixels_.pixelHeight;  // rows top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    const int old_mode = SetStretchBltMode(dc, HALFTONE);
    SetBrushOrgEx(dc, 0, 0, nullptr);
    StretchDIBits(dc, to.left, to.top, to.right - to.left, to.bottom - to.top, 0, 0,
                  pixels_.pixelWidth, pixels_.pixelHeight, pixels_.pixels.data(), &info,
                  DIB_RGB_COLORS, SRCCOPY);
    SetStretchBltMode(dc, old_mode);
  } else if (icon_) {
    DrawIconEx(dc, to.left, to.top, icon_.get(), to.right - to.left, to.bottom - to.top, 0, nullptr,
               DI_NORMAL);
  } else if (metafile_) {
    PlayEnhMetaFile(dc, metafile_.get(), &to);
  }
}

// ---- TPictureBox ----------------------------------------------------------------------------

void TPictureBox::SetPicture(const TPreviewPicture* picture) {
  picture_ = picture;
  Invalidate();
}

void TPictureBox::Paint(HDC dc) {
  const int w = Width(), h = Height();
  if (w <= 0 || h <= 0) return;
  // The background and the picture go to an off-screen copy first, then to the screen at once.
  UniqueDC memory(CreateCompatibleDC(dc));
  UniqueBitmap bitmap(CreateCompatibleBitmap(dc, w, h));
  if (!memory || !bitmap) return;
  SelectGuard select(memory.get(), bitmap.get());
  const RECT all{0, 0, w, h};
  UniqueBrush background(CreateSolidBrush(ColorToRGB(Parent() ? Parent()->Color() : Color())));
  FillRect(memory.get(), &all, background.get());
  if (picture_) picture_->Draw(memory.get(), all);
  BitBlt(dc, 0, 0, w, h, memory.get(), 0, 0, SRCCOPY);
}
