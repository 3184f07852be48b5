// Decoding the compressed bytes of a TJPEGImage into its bitmap.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include <jerror.h>

#include "graphics/Bitmap.h"
#include "graphics/Orientation.h"
#include "graphics/PixelFormat.h"
#include "jpeg/CodecGlue.h"
#include "jpeg/JpegImage.h"
#include "platform/BitmapLayout.h"
#include "runtime/Exceptions.h"
#include "runtime/Strings.h"

namespace jpeg {

HPALETTE ColorMapToPalette(j_decompress_ptr cinfo) {
  struct {
    WORD palVersion;
    WORD palNumEntries;
    PALETTEENTRY palPalEntry[256];
  } block{};
  const int count = std::min(cinfo->actual_number_of_colors, 256);
  block.palVersion = 0x300;
  block.palNumEntries = static_cast<WORD>(std::max(count, 0));
  const bool gray = cinfo->out_color_space == JCS_GRAYSCALE;
  for (int i = 0; i < count; ++i) {
    PALETTEENTRY& entry = block.palPalEntry[i];
    if (gray) {
      entry.peRed = entry.peGreen = entry.peBlue = cinfo->colormap[0][i];
    } else {
      // The map's rows follow the blue, green, red order of the output pixels.
      entry.peBlue = cinfo->colormap[0][i];
      entry.peGreen = cinfo->colormap[1][i];
      entry.peRed = cinfo->colormap[2][i];
    }
  }
  return GraphicsCheck(CreatePalette(reinterpret_cast<const LOGPALETTE*>(&block)));
}

void PaletteToColorMap(j_decompress_ptr cinfo, HPALETTE palette) {
  PALETTEENTRY entries[256];
  const UINT count = GetPaletteEntries(palette, 0, 256, entries);
  if (count == 0) return;
  JSAMPARRAY map = (*cinfo->mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(cinfo), JPOOL_IMAGE, count, 3);
  for (UINT i = 0; i < count; ++i) {
    map[0][i] = entries[i].peBlue;
    map[1][i] = entries[i].peGreen;
    map[2][i] = entries[i].peRed;
  }
  cinfo->colormap = map;
  cinfo->actual_number_of_colors = static_cast<int>(count);
}

}  // namespace jpeg

namespace {

bool IsCmyk(j_decompress_ptr cinfo) { return cinfo->out_color_space == JCS_CMYK; }

// Four-component rows become blue, green, red. Adobe's files store the inks
// inverted (0 = full ink), which is what the library writes and most files
// carry; others store them as they are.
void CmykToBgr(const JSAMPLE* cmyk, std::uint8_t* bgr, JDIMENSION width, bool inverted) {
  for (JDIMENSION x = 0; x < width; ++x, cmyk += 4, bgr += 3) {
    unsigned c = cmyk[0], m = cmyk[1], y = cmyk[2], k = cmyk[3];
    if (!inverted) {
      c = 255 - c;
      m = 255 - m;
      y = 255 - y;
      k = 255 - k;
    }
    bgr[0] = static_cast<std::uint8_t>((y * k + 127) / 255);
    bgr[1] = static_cast<std::uint8_t>((m * k + 127) / 255);
    bgr[2] = static_cast<std::uint8_t>((c * k + 127) / 255);
  }
}

// Colour-map indices become blue, green, red through the library's map (one
// grey row, or rows in the output's blue, green, red order).
void ExpandIndices(j_decompress_ptr cinfo, const JSAMPLE* indices, std::uint8_t* bgr) {
  const JSAMPARRAY map = cinfo->colormap;
  const bool gray = cinfo->out_color_components == 1;
  const JSAMPLE* blue = map[0];
  const JSAMPLE* green = map[gray ? 0 : 1];
  const JSAMPLE* red = map[gray ? 0 : 2];
  const auto colors = static_cast<JSAMPLE>(std::max(cinfo->actual_number_of_colors, 1) - 1);
  for (JDIMENSION x = 0; x < cinfo->output_width; ++x, bgr += 3) {
    const JSAMPLE i = std::min(indices[x], colors);
    bgr[0] = blue[i];
    bgr[1] = green[i];
    bgr[2] = red[i];
  }
}

// Reads every row of the current output pass into target. Rows that need
// converting (CMYK, or indices to expand) pass through scratch, one at a time.
void ReadRows(j_decompress_ptr cinfo, graphics::UprightRows& target, bool expand, std::vector<JSAMPLE>& scratch) {
  const bool cmyk = IsCmyk(cinfo);
  const bool inverted = cinfo->saw_Adobe_marker != FALSE;
  const bool converted = cmyk || (expand && cinfo->colormap != nullptr);
  if (converted) scratch.resize(std::size_t{cinfo->output_width} * (cmyk ? 4 : 1));
  while (cinfo->output_scanline < cinfo->output_height) {
    const JDIMENSION index = cinfo->output_scanline;
    std::uint8_t* row = target.Row(index);
    JSAMPROW into = converted ? scratch.data() : row;
    const JDIMENSION read = jpeg_read_scanlines(cinfo, &into, 1);
    if (read == 0) break;  // only a suspending source returns no row; ours never does
    if (cmyk)
      CmykToBgr(scratch.data(), row, cinfo->output_width, inverted);
    else if (converted)
      ExpandIndices(cinfo, scratch.data(), row);
    target.Written(index);
  }
  target.Flush();
}

// A bottom-up 24-bit DIB section, as a sized TBitmap has; owned by the caller.
HBITMAP NewSection24(JDIMENSION width, JDIMENSION height) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = static_cast<LONG>(width);
  info.bmiHeader.biHeight = static_cast<LONG>(height);
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  return GraphicsCheck(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
}

}  // namespace

void TJPEGImage::PrepareDecoder(jpeg::CodecContext& context) {
  jpeg::CreateDecompress(context);
  jpeg::InstallProgress(context, this);
  j_decompress_ptr cinfo = &context.d;
  try {
    TMemoryStream* bytes = SharedData().FileBytes.get();
    // An image that never had data decodes like an empty file.
    if (bytes == nullptr) ERREXIT(cinfo, JERR_INPUT_EMPTY);
    bytes->SetPosition(0);
    jpeg::AttachSource(cinfo, *bytes);
    jpeg_read_header(cinfo, TRUE);
    jpeg::JudgeDeclaredSize(cinfo, bytes->Size());

    cinfo->scale_num = 1;
    cinfo->scale_denom = 1u << scaleDown_;
    cinfo->do_block_smoothing = smoothing_ ? TRUE : FALSE;
    if (!IsCmyk(cinfo)) {
      if (grayscale_) cinfo->out_color_space = JCS_GRAYSCALE;
      // The bitmap's rows are blue, green, red.
      if (cinfo->out_color_space == JCS_RGB) cinfo->out_color_space = JCS_EXT_BGR;
      if (decodeDepth_ == jd8Bit || cinfo->out_color_space == JCS_GRAYSCALE) {
        cinfo->quantize_colors = TRUE;
        cinfo->desired_number_of_colors = 236;
      }
    }
    if (decodeSpeed_ == spBestSpeed) {
      cinfo->dct_method = JDCT_IFAST;
      cinfo->two_pass_quantize = FALSE;
      cinfo->dither_mode = JDITHER_ORDERED;
    } else {
      cinfo->dct_method = JDCT_FLOAT;
    }
    context.FinalDctMethod = cinfo->dct_method;
    context.FinalTwoPass = cinfo->two_pass_quantize != FALSE;
    context.FinalDither = cinfo->dither_mode;
    if (showProgressively_ && jpeg_has_multiple_scans(cinfo)) {
      cinfo->enable_2pass_quant = cinfo->two_pass_quantize;
      cinfo->dct_method = JDCT_IFAST;
      cinfo->two_pass_quantize = FALSE;
      cinfo->dither_mode = JDITHER_ORDERED;
      cinfo->buffered_image = TRUE;
    }

    // Only rows that fit the bitmap's three bytes (or one palette index) per
    // pixel, or CMYK that is converted to them, may reach it.
    jpeg_calc_output_dimensions(cinfo);
    if (cinfo->quantize_colors == FALSE && cinfo->out_color_space != JCS_EXT_BGR && !IsCmyk(cinfo))
      ERREXIT(cinfo, JERR_CONVERSION_NOTIMPL);
    // The library allocates its buffers in jpeg_start_decompress, before any
    // bitmap is sized: a header claiming more than a bitmap may hold stops here.
    platform::BitmapLayout layout;
    if (!platform::ComputeBitmapLayout(cinfo->output_width, cinfo->output_height, KeepsIndices(*cinfo) ? 8 : 24,
                                       platform::kDibAlignment, layout))
      ERREXIT1(cinfo, JERR_IMAGE_TOO_BIG, static_cast<unsigned>(platform::kMaxBitmapDimension));
  } catch (...) {
    jpeg::ReleaseCodec(context);
    throw;
  }
}

bool TJPEGImage::KeepsIndices(const jpeg_decompress_struct& d) const noexcept {
  return d.quantize_colors != FALSE && !expandPalette_;
}

TBitmap* TJPEGImage::DecodeBitmap() {
  if (cachedBitmap_ != nullptr) return cachedBitmap_.get();
  cachedBitmap_ = std::make_unique<TBitmap>();
  DecodeInto(*cachedBitmap_, 1);
  return cachedBitmap_.get();
}

void TJPEGImage::DecodeUpright(TBitmap& into, int orientation) {
  if (orientation < 2 || orientation > 8 || cachedBitmap_ != nullptr) {
    into.CopyFrom(DecodeBitmap());
    TurnUpright(into, orientation);
    return;
  }
  DecodeInto(into, orientation);
}

void TJPEGImage::DecodeInto(TBitmap& bitmap, int orientation) {
  bool doPalette = true;

  jpeg::CodecContext context;
  jpeg::CodecGuard guard(context);
  PrepareDecoder(context);
  j_decompress_ptr cinfo = &context.d;
  try {
    bitmap.SetBitmapHandle(nullptr);
    // Quantised rows either stay indices into the bitmap's palette or, when
    // the image expands them, become 24-bit rows as they come.
    const bool expand = cinfo->quantize_colors != FALSE && expandPalette_;
    const bool indexed = KeepsIndices(*cinfo);
    bitmap.SetBitDepth(indexed ? bd8Bit : bd24Bit);
    ReportProgress(this, psStarting, 0, false, TRect{}, std::string());

    // The closing notification goes out on every path from here.
    auto finish = [this](std::uint8_t percent) {
      ReportProgress(this, psEnding, percent, PaletteDirty(), TRect{}, std::string());
      if (PaletteDirty()) NotifyChanged(this);
    };
    try {
      if (heldPalette_ != nullptr) {
        if (decodeDepth_ == jd8Bit) {
          jpeg::PaletteToColorMap(cinfo, heldPalette_);
          if (indexed) bitmap.SetColorPalette(DuplicatePalette(heldPalette_));
          doPalette = false;
        } else {
          DeleteHeldPalette();
        }
      }

      jpeg_start_decompress(cinfo);
      bitmap.SetBitmapHandle(nullptr);
      // The bitmap takes the upright picture's size; rows are turned on their
      // way into it.
      const bool swaps = orientation >= 5;
      const JDIMENSION width = swaps ? cinfo->output_height : cinfo->output_width;
      const JDIMENSION height = swaps ? cinfo->output_width : cinfo->output_height;
      if (indexed) {
        bitmap.SetWidth(static_cast<std::int32_t>(width));
        bitmap.SetHeight(static_cast<std::int32_t>(height));
      } else {
        // Every row is about to be written: a section of fresh memory spares
        // the white fill that sizing the bitmap would make first.
        HBITMAP section = NewSection24(width, height);
        try {
          bitmap.SetBitmapHandle(section);
        } catch (...) {
          DeleteObject(section);  // not adopted
          throw;
        }
      }
      // Rows are written straight into the bitmap's memory: it must be exactly
      // the size and depth the rows are made for.
      if (bitmap.Width() != static_cast<std::int32_t>(width) || bitmap.Height() != static_cast<std::int32_t>(height) ||
          bitmap.BitDepth() != (indexed ? bd8Bit : bd24Bit))
        throw EInvalidGraphic(strings::InvalidBitmap);

      graphics::UprightRows target(bitmap, orientation, indexed ? 1 : 3);
      std::vector<JSAMPLE> scratch;
      auto takePalette = [&] {
        bitmap.SetColorPalette(jpeg::ColorMapToPalette(cinfo));
        SetPaletteDirty(true);
        target.Refresh();
      };

      if (cinfo->buffered_image) {
        while (jpeg_consume_input(cinfo) != JPEG_REACHED_EOI) {
          jpeg_start_output(cinfo, cinfo->input_scan_number);
          if (context.progress.pub.completed_passes == 0 && cinfo->colormap != nullptr && indexed && doPalette)
            takePalette();
          target.Refresh();
          ReadRows(cinfo, target, expand, scratch);
          jpeg_finish_output(cinfo);
        }
        cinfo->dct_method = context.FinalDctMethod;
        cinfo->dither_mode = context.FinalDither;
        if (context.FinalTwoPass) {
          cinfo->two_pass_quantize = TRUE;
          cinfo->colormap = nullptr;
        }
        jpeg_start_output(cinfo, cinfo->input_scan_number);
        target.Refresh();
      }
      if ((!cinfo->buffered_image || context.FinalTwoPass) && cinfo->colormap != nullptr && indexed && doPalette)
        takePalette();

      ReadRows(cinfo, target, expand, scratch);
      if (cinfo->buffered_image) jpeg_finish_output(cinfo);
      jpeg_finish_decompress(cinfo);
    } catch (...) {
      finish(0);
      throw;
    }
    finish(100);
  } catch (const EAbort&) {
    // A silent abort (a progress handler's) keeps the picture as far as it got.
  }
}
