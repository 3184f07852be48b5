#include "jpeg/CodecGlue.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <string>

#include <jerror.h>

#include "graphics/DeclaredSize.h"
#include "jpeg/JpegImage.h"
#include "platform/MemoryBudget.h"
#include "runtime/Exceptions.h"
#include "runtime/Format.h"
#include "runtime/Stream.h"
#include "runtime/Strings.h"

namespace jpeg {
namespace {

constexpr std::size_t kBufferSize = 4096;
constexpr DWORD kProgressInterval = 500;

// Warnings and trace messages are dropped: the library carries on, and the
// system has no texts for them.
void IgnoreMessage(j_common_ptr, int) {}
void IgnoreOutput(j_common_ptr) {}
void IgnoreFormat(j_common_ptr, char* buffer) { buffer[0] = '\0'; }
void ResetErrorManager(j_common_ptr cinfo) {
  cinfo->err->msg_code = 0;
  cinfo->err->num_warnings = 0;
}

void InstallErrorManager(CodecContext& context) {
  std::memset(static_cast<void*>(&context), 0, sizeof context);
  context.err.error_exit = RaiseCodecError;
  context.err.emit_message = IgnoreMessage;
  context.err.output_message = IgnoreOutput;
  context.err.format_message = IgnoreFormat;
  context.err.reset_error_mgr = ResetErrorManager;
}

// ---- stream source ----------------------------------------------------------

struct StreamSource {
  jpeg_source_mgr pub;
  TStream* stream;
  JOCTET* buffer;
  boolean startOfFile;
};

void InitSource(j_decompress_ptr cinfo) { reinterpret_cast<StreamSource*>(cinfo->src)->startOfFile = TRUE; }

boolean FillInputBuffer(j_decompress_ptr cinfo) {
  auto* source = reinterpret_cast<StreamSource*>(cinfo->src);
  std::int64_t count = source->stream->Read(source->buffer, kBufferSize);
  if (count <= 0) {
    if (source->startOfFile) ERREXIT(cinfo, JERR_INPUT_EMPTY);
    WARNMS(cinfo, JWRN_JPEG_EOF);
    // A fake end-of-image marker lets the library finish what it has.
    source->buffer[0] = 0xFF;
    source->buffer[1] = JPEG_EOI;
    count = 2;
  }
  source->pub.next_input_byte = source->buffer;
  source->pub.bytes_in_buffer = static_cast<std::size_t>(count);
  source->startOfFile = FALSE;
  return TRUE;
}

void SkipInputData(j_decompress_ptr cinfo, long count) {
  if (count <= 0) return;
  jpeg_source_mgr* source = cinfo->src;
  auto remaining = static_cast<std::size_t>(count);
  while (remaining > source->bytes_in_buffer) {
    remaining -= source->bytes_in_buffer;
    FillInputBuffer(cinfo);
  }
  source->next_input_byte += remaining;
  source->bytes_in_buffer -= remaining;
}

void TermSource(j_decompress_ptr) {}

// ---- stream destination -------------------------------------------------------

struct StreamDestination {
  jpeg_destination_mgr pub;
  TStream* stream;
  JOCTET* buffer;
};

void InitDestination(j_compress_ptr cinfo) {
  auto* destination = reinterpret_cast<StreamDestination*>(cinfo->dest);
  destination->buffer = static_cast<JOCTET*>(
      (*cinfo->mem->alloc_small)(reinterpret_cast<j_common_ptr>(cinfo), JPOOL_IMAGE, kBufferSize));
  destination->pub.next_output_byte = destination->buffer;
  destination->pub.free_in_buffer = kBufferSize;
}

boolean EmptyOutputBuffer(j_compress_ptr cinfo) {
  auto* destination = reinterpret_cast<StreamDestination*>(cinfo->dest);
  if (destination->stream->Write(destination->buffer, kBufferSize) != static_cast<std::int64_t>(kBufferSize))
    ERREXIT(cinfo, JERR_FILE_WRITE);
  destination->pub.next_output_byte = destination->buffer;
  destination->pub.free_in_buffer = kBufferSize;
  return TRUE;
}

void TermDestination(j_compress_ptr cinfo) {
  auto* destination = reinterpret_cast<StreamDestination*>(cinfo->dest);
  const auto count = static_cast<std::int64_t>(kBufferSize - destination->pub.free_in_buffer);
  if (count > 0 && destination->stream->Write(destination->buffer, count) != count) ERREXIT(cinfo, JERR_FILE_WRITE);
}

// The error the library raises for code.
EJPEG CodecError(int code) { return EJPEG(Format(strings::JPEGError, code)); }

// The library's limit is the machine's available memory; 0 would mean none.
void LimitMemory(j_common_ptr cinfo) {
  if (!platform::HostileChecksEnabled()) return;
  const std::int64_t available = platform::AvailableMemoryBytes();
  cinfo->mem->max_memory_to_use = static_cast<long>(std::clamp<std::int64_t>(available, 1, LONG_MAX));
}

std::int64_t BlocksOf(const jpeg_component_info& component) {
  return std::int64_t{component.width_in_blocks} * component.height_in_blocks;
}

std::int64_t AllBlocks(j_decompress_ptr cinfo) {
  std::int64_t blocks = 0;
  for (int i = 0; i < cinfo->num_components; ++i) blocks += BlocksOf(cinfo->comp_info[i]);
  return blocks;
}

// Counts the scans started since the last call and refuses the decode when
// their work passes the bound.
void CountScanWork(j_decompress_ptr cinfo, CodecProgress& progress) {
  if (cinfo->input_scan_number <= progress.LastScan) return;
  const std::int64_t all = AllBlocks(cinfo);
  std::int64_t perScan = 0;
  if (cinfo->buffered_image) {
    perScan = all;
  } else {
    for (int i = 0; i < cinfo->comps_in_scan && i < MAX_COMPS_IN_SCAN; ++i)
      if (cinfo->cur_comp_info[i] != nullptr) perScan += BlocksOf(*cinfo->cur_comp_info[i]);
  }
  progress.ScanBlocks += perScan * (cinfo->input_scan_number - progress.LastScan);
  progress.LastScan = cinfo->input_scan_number;
  if (!platform::HostileChecksEnabled() || progress.ScanBlocks <= kMaxScanWork * all) return;
  throw WithReason(CodecError(JERR_BAD_PROGRESSION), TFailureKind::TooLargeForBytes,
                   "scans up to " + std::to_string(cinfo->input_scan_number) + " code " +
                       std::to_string(progress.ScanBlocks) + " blocks, more than " + std::to_string(kMaxScanWork) +
                       " x its " + std::to_string(all));
}

}  // namespace

void CreateDecompress(CodecContext& context) {
  InstallErrorManager(context);
  context.d.err = &context.err;
  jpeg_create_decompress(&context.d);
  LimitMemory(&context.common);
}

void CreateCompress(CodecContext& context) {
  InstallErrorManager(context);
  context.c.err = &context.err;
  jpeg_create_compress(&context.c);
  LimitMemory(&context.common);
}

void JudgeDeclaredSize(j_decompress_ptr cinfo, std::int64_t fileBytes) {
  const std::int64_t pixels = std::int64_t{cinfo->image_width} * cinfo->image_height;
  // A multi-scan file keeps every coefficient of the picture until its last
  // scan: 64 samples of 2 bytes per block.
  const double coefficients = jpeg_has_multiple_scans(cinfo) ? static_cast<double>(AllBlocks(cinfo)) * 64 * 2 : 0;
  const double judged = graphics::JudgedPictureBytes(cinfo->image_width, cinfo->image_height, coefficients);
  if (!graphics::SizeIsJudged(judged) || pixels <= kMaxPixelsPerByte * fileBytes) return;
  throw WithReason(CodecError(JERR_IMAGE_TOO_BIG), TFailureKind::TooLargeForBytes,
                   graphics::DeclaresText(cinfo->image_width, cinfo->image_height, judged, fileBytes));
}

void InstallProgress(CodecContext& context, TJPEGImage* owner) {
  context.progress.pub.progress_monitor = OnCodecProgress;
  context.progress.Owner = owner;
  context.common.progress = &context.progress.pub;
}

void ReleaseCodec(CodecContext& context) noexcept {
  if (context.common.err == nullptr) return;
  // A failed create leaves err set but no memory manager: nothing to destroy.
  if (context.common.mem != nullptr) jpeg_destroy(&context.common);
  context.common.err = nullptr;
}

void RaiseCodecError(j_common_ptr cinfo) {
  const int code = cinfo->err->msg_code;
  EJPEG error = CodecError(code);
  if (code == JERR_NO_BACKING_STORE || code == JERR_OUT_OF_MEMORY) {
    const long limit = cinfo->mem != nullptr ? cinfo->mem->max_memory_to_use : 0;
    error.SetReason({TFailureKind::OverAvailableMemory,
                     limit > 0 ? "the codec's buffers need more than the " +
                                     platform::FormatByteCount(static_cast<double>(limit)) + " available"
                               : "the codec's buffers could not be allocated"});
  }
  throw error;
}

void OnCodecProgress(j_common_ptr cinfo) {
  auto* progress = reinterpret_cast<CodecProgress*>(cinfo->progress);
  if (cinfo->is_decompressor) {
    auto* decompress = reinterpret_cast<j_decompress_ptr>(cinfo);
    if (decompress->input_scan_number > kMaxProgressiveScans) ERREXIT4(cinfo, JERR_BAD_PROGRESSION, 0, 0, 0, 0);
    if (progress != nullptr) CountScanWork(decompress, *progress);
  }
  if (progress == nullptr || progress->Owner == nullptr) return;
  const DWORD now = GetTickCount();
  if (now - progress->LastTick < kProgressInterval) return;
  const DWORD previous = progress->LastTick;
  progress->LastTick = now;
  if (previous == 0) return;

  TRect rect{0, 0, 0, 0};
  j_decompress_ptr decompress = nullptr;
  if (cinfo->is_decompressor) {
    decompress = reinterpret_cast<j_decompress_ptr>(cinfo);
    rect.Left = 0;
    rect.Top = progress->LastRow;
    rect.Right = static_cast<std::int32_t>(decompress->output_width);
    rect.Bottom = static_cast<std::int32_t>(decompress->output_scanline);
    if (rect.Bottom < rect.Top) rect.Bottom = static_cast<std::int32_t>(decompress->output_height);
  }

  const jpeg_progress_mgr& pub = progress->pub;
  // The library's counters can be 0 between passes; no percentage then.
  if (pub.pass_limit <= 0 || pub.total_passes <= 0) return;
  double fraction = (static_cast<double>(pub.pass_counter) / static_cast<double>(pub.pass_limit) +
                     static_cast<double>(pub.completed_passes)) *
                    100.0 / static_cast<double>(pub.total_passes);
  if (fraction < 0.0) fraction = 0.0;
  if (fraction > 100.0) fraction = 100.0;
  const auto percent = static_cast<std::int32_t>(fraction);
  if (percent == progress->LastPercent) return;
  progress->LastPercent = percent;
  if (decompress != nullptr) progress->LastRow = static_cast<std::int32_t>(decompress->output_scanline);

  progress->Owner->ReportProgress(progress->Owner, psRunning, static_cast<std::uint8_t>(percent),
                                  rect.Bottom - rect.Top >= 4, rect, std::string());
}

void AttachSource(j_decompress_ptr cinfo, TStream& stream) {
  if (cinfo->src == nullptr) {
    auto* source = static_cast<StreamSource*>(
        (*cinfo->mem->alloc_small)(reinterpret_cast<j_common_ptr>(cinfo), JPOOL_PERMANENT, sizeof(StreamSource)));
    source->buffer = static_cast<JOCTET*>(
        (*cinfo->mem->alloc_small)(reinterpret_cast<j_common_ptr>(cinfo), JPOOL_PERMANENT, kBufferSize));
    cinfo->src = &source->pub;
  }
  auto* source = reinterpret_cast<StreamSource*>(cinfo->src);
  source->pub.init_source = InitSource;
  source->pub.fill_input_buffer = FillInputBuffer;
  source->pub.skip_input_data = SkipInputData;
  source->pub.resync_to_restart = jpeg_resync_to_restart;
  source->pub.term_source = TermSource;
  source->stream = &stream;
  source->pub.bytes_in_buffer = 0;
  source->pub.next_input_byte = nullptr;
}

void AttachDestination(j_compress_ptr cinfo, TStream& stream) {
  if (cinfo->dest == nullptr) {
    cinfo->dest = static_cast<jpeg_destination_mgr*>((*cinfo->mem->alloc_small)(
        reinterpret_cast<j_common_ptr>(cinfo), JPOOL_PERMANENT, sizeof(StreamDestination)));
  }
  auto* destination = reinterpret_cast<StreamDestination*>(cinfo->dest);
  destination->pub.init_destination = InitDestination;
  destination->pub.empty_output_buffer = EmptyOutputBuffer;
  destination->pub.term_destination = TermDestination;
  destination->stream = &stream;
}

}  // namespace jpeg
