// Compressing the bitmap of a TJPEGImage into new file bytes.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <utility>

#include "graphics/Bitmap.h"
#include "graphics/PixelFormat.h"
#include "jpeg/CodecGlue.h"
#include "jpeg/JpegImage.h"
#include "platform/BitmapLayout.h"
#include "runtime/Exceptions.h"

namespace {

// Row addresses of a 24-bit bitmap for reading only. Going through
// ScanLineAddress would give the temporary copy a private image, copying every
// pixel of a picture it shares and never changes.
class SourceRows {
 public:
  explicit SourceRows(TBitmap& bitmap) {
    bitmap.EnsureHandle();
    const DIBSECTION& d = bitmap.Image().DIB;
    height_ = bitmap.Height();
    const auto stride = static_cast<std::ptrdiff_t>(platform::DibStride(d.dsBmih.biWidth, 24));
    if (d.dsBm.bmBits != nullptr && d.dsBmih.biBitCount == 24 && d.dsBmih.biWidth == bitmap.Width() && stride > 0) {
      const bool bottomUp = d.dsBmih.biHeight > 0;
      base_ = static_cast<std::uint8_t*>(d.dsBm.bmBits) + (bottomUp ? (height_ - 1) * stride : 0);
      step_ = bottomUp ? -stride : stride;
    } else {
      // Not a plain section: let the bitmap hand out its rows.
      base_ = bitmap.ScanLineAddress(0);
      step_ = height_ > 1 ? bitmap.ScanLineAddress(1) - base_ : 0;
    }
  }
  JSAMPROW Row(JDIMENSION index) const {
    if (static_cast<std::int64_t>(index) >= height_) throw EInvalidGraphicOperation(strings::ScanLine);
    return base_ + static_cast<std::ptrdiff_t>(index) * step_;
  }

 private:
  std::uint8_t* base_ = nullptr;
  std::ptrdiff_t step_ = 0;
  std::int64_t height_ = 0;
};

}  // namespace

void TJPEGImage::EncodeBitmap() {
  // The bytes are made apart and handed to the holder only once they are a whole
  // file: other images may share the holder (a CopyFrom made before any bytes
  // existed), and a failed encode must leave them nothing to save. The stream
  // outlives the codec state, whose destination points into it.
  auto bytes = std::make_unique<TMemoryStream>();
  jpeg::CodecContext context;
  jpeg::CodecGuard guard(context);
  jpeg::CreateCompress(context);
  jpeg::InstallProgress(context, this);
  j_compress_ptr cinfo = &context.c;
  try {
    // Other images may share a holder that has bytes: it is never refilled.
    if (SharedData().FileBytes != nullptr) ResetData();
    jpeg::AttachDestination(cinfo, *bytes);
    TBitmap* source = cachedBitmap_.get();
    if (source == nullptr || source->Width() == 0 || source->Height() == 0) {
      SharedData().FileBytes = std::move(bytes);
      return;
    }

    cinfo->image_width = static_cast<JDIMENSION>(source->Width());
    cinfo->image_height = static_cast<JDIMENSION>(source->Height());
    // The bitmap's rows are blue, green, red; the library reads them so.
    cinfo->input_components = 3;
    cinfo->in_color_space = JCS_EXT_BGR;

    TBitmap rows24;
    rows24.CopyFrom(source);
    rows24.SetBitDepth(bd24Bit);

    jpeg_set_defaults(cinfo);
    cinfo->dct_method = JDCT_FLOAT;
    jpeg_set_quality(cinfo, quality_, TRUE);
    if (grayscale_) jpeg_set_colorspace(cinfo, JCS_GRAYSCALE);
    if (encodeProgressive_) jpeg_simple_progression(cinfo);
    const SourceRows rows(rows24);

    ReportProgress(this, psStarting, 0, false, TRect{}, std::string());
    try {
      jpeg_start_compress(cinfo, TRUE);
      while (cinfo->next_scanline < cinfo->image_height) {
        JSAMPROW row = rows.Row(cinfo->next_scanline);
        if (jpeg_write_scanlines(cinfo, &row, 1) == 0) break;  // only a suspending destination takes no row
      }
      jpeg_finish_compress(cinfo);
    } catch (...) {
      ReportProgress(this, psEnding, 0, false, TRect{}, std::string());
      throw;
    }
    TJPEGData& data = SharedData();
    data.FileBytes = std::move(bytes);
    data.width = source->Width();
    data.height = source->Height();
    if (grayscale_) data.Grayscale = true;
    ReportProgress(this, psEnding, 100, false, TRect{}, std::string());
  } catch (const EAbort&) {
    ResetData();
  } catch (...) {
    // The holder got none of the bytes written so far; this image starts afresh
    // so that a later save compresses again.
    ResetData();
    throw;
  }
}
