// Picture files as the save dialog's preview reads them: any bytes, as a bitmap and as a JPEG,
// into a small and a large box. Nothing may crash, leak or read outside the input, and the
// pixels kept always match the size reported.

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "app/preview_decode.h"

namespace {
void Check(const std::optional<DecodedPicture>& picture) {
  if (!picture) return;
  if (picture->pixelWidth <= 0 || picture->pixelHeight <= 0 ||
      picture->pixelWidth > kPreviewMaxSide || picture->pixelHeight > kPreviewMaxSide ||
      picture->pixels.size() != static_cast<size_t>(picture->pixelWidth) * picture->pixelHeight)
    std::abort();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  for (int32_t box : {64, 2000}) {
    Check(DecodeBmp(data, size, box, box));
    Check(DecodeJpeg(data, size, box, box));
  }
  return 0;
}
