#include <gtest/gtest.h>

#include <jpeglib.h>
#include <jerror.h>

#include "JpegTestSupport.h"
#include "jpeg/CodecGlue.h"
#include "jpeg/JpegImage.h"
#include "runtime/Format.h"
#include "runtime/Strings.h"

using namespace jpegtest;

TEST(CodecGlue, ReleaseAfterAHeaderErrorDestroysOnceAndAgainDoesNothing) {
  jpeg::CodecContext context;
  jpeg::CreateDecompress(context);
  TMemoryStream empty;
  jpeg::AttachSource(&context.d, empty);
  try {
    jpeg_read_header(&context.d, TRUE);
    FAIL() << "no exception";
  } catch (const EJPEG& e) {
    EXPECT_EQ(e.Message(), Format(strings::JPEGError, static_cast<int>(JERR_INPUT_EMPTY)));
  }
  jpeg::ReleaseCodec(context);
  EXPECT_EQ(context.common.err, nullptr);
  jpeg::ReleaseCodec(context);
}

namespace {

// A decompression run of 100 rows, part-way through its only pass.
struct FakeRun {
  jpeg::CodecContext context;
  TJPEGImage owner;
  std::vector<Note> notes;
  FakeRun() {
    jpeg::CreateDecompress(context);
    jpeg::InstallProgress(context, &owner);
    Record(owner, notes);
    context.d.output_width = 50;
    context.d.output_height = 100;
    context.progress.pub.pass_limit = 100;
    context.progress.pub.total_passes = 1;
  }
  ~FakeRun() { jpeg::ReleaseCodec(context); }
  // A callback as if `ms` milliseconds had passed since the last accepted one.
  void Call(JDIMENSION row, long counter, DWORD ms = 600) {
    if (context.progress.LastTick != 0) context.progress.LastTick = GetTickCount() - ms;
    context.d.output_scanline = row;
    context.progress.pub.pass_counter = counter;
    jpeg::OnCodecProgress(&context.common);
  }
};

}  // namespace

TEST(CodecGlue, ProgressIsThrottledAndCarriesConsecutiveRowBands) {
  FakeRun run;
  run.Call(10, 10);  // the first call of a run only starts the clock
  EXPECT_TRUE(run.notes.empty());
  run.Call(20, 20, 100);  // too soon
  EXPECT_TRUE(run.notes.empty());
  run.Call(30, 30);
  run.Call(32, 30);  // same percentage
  run.Call(33, 33);
  ASSERT_EQ(run.notes.size(), 2u);
  EXPECT_EQ(run.notes[0].stage, psRunning);
  EXPECT_EQ(run.notes[0].percent, 30);
  EXPECT_EQ(run.notes[0].rect.Top, 0);
  EXPECT_EQ(run.notes[0].rect.Bottom, 30);
  EXPECT_EQ(run.notes[0].rect.Right, 50);
  EXPECT_TRUE(run.notes[0].redraw);
  EXPECT_EQ(run.notes[1].percent, 33);
  EXPECT_EQ(run.notes[1].rect.Top, 30);
  EXPECT_EQ(run.notes[1].rect.Bottom, 33);
  EXPECT_FALSE(run.notes[1].redraw);  // fewer than 4 rows
  // A new pass began: the band runs to the bottom.
  run.Call(5, 60);
  ASSERT_EQ(run.notes.size(), 3u);
  EXPECT_EQ(run.notes[2].rect.Top, 33);
  EXPECT_EQ(run.notes[2].rect.Bottom, 100);
}

TEST(CodecGlue, ProgressWithoutAnOwnerOrCountersSendsNothing) {
  FakeRun run;
  run.context.progress.Owner = nullptr;
  run.Call(10, 10);
  run.Call(20, 20);
  EXPECT_TRUE(run.notes.empty());
  run.context.progress.Owner = &run.owner;
  run.context.progress.pub.pass_limit = 0;
  run.Call(30, 30);
  run.Call(40, 40);
  EXPECT_TRUE(run.notes.empty());
}
