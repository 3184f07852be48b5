// Pens, brushes and fonts, and the caches that share their platform objects.
#include <gtest/gtest.h>

#include <array>
#include <cstddef>
#include <cstring>
#include <string>
#include <vector>

#include "CanvasTestSupport.h"
#include "graphics/Brush.h"
#include "graphics/Font.h"
#include "graphics/Pen.h"
#include "graphics/ResourceManager.h"
#include "runtime/Exceptions.h"

using graphicstest::LeakCheckedTest;

namespace {

template <class T>
std::vector<std::byte> Bytes(const T& value) {
  std::vector<std::byte> out(sizeof(T));
  std::memcpy(out.data(), &value, sizeof(T));
  return out;
}

template <class T>
std::vector<std::byte> RecordBytes(const ToolResource* record) {
  return std::vector<std::byte>(record->Data, record->Data + sizeof(T));
}

std::size_t LivePens() { return platform::LiveObjectCount(platform::ObjectKind::Pen); }

using ToolCacheTest = LeakCheckedTest;
using PenTest = LeakCheckedTest;
using BrushTest = LeakCheckedTest;
using FontTest = LeakCheckedTest;

TEST(ToolHashTest, RotatesLeftByFiveWithinSixteenBitsThenXorsEachByte) {
  EXPECT_EQ(ToolHash({}), 0);
  const std::array<std::byte, 2> two{std::byte{1}, std::byte{2}};
  EXPECT_EQ(ToolHash(two), 0x22);
  // Bits rotated out of the top come back at the bottom.
  std::array<std::byte, 4> ones;
  ones.fill(std::byte{0xFF});
  EXPECT_EQ(ToolHash(ones), 0x6363);
  std::array<std::byte, 16> counting;
  for (int i = 0; i < 16; ++i) counting[i] = std::byte(i + 1);
  EXPECT_EQ(ToolHash(counting), 0x8D62);
}

TEST_F(ToolCacheTest, RecordsAreFoundByContentCountedAndFreedWithTheLastUser) {
  TResourceManager cache(sizeof(TPenData));
  TPenData a = TPen::DefaultData();
  TPenData b = a;
  b.Color = clRed;
  ToolResource* first = cache.FindOrAddResource(&a);
  ToolResource* second = cache.FindOrAddResource(&b);
  ToolResource* again = cache.FindOrAddResource(&a);
  EXPECT_EQ(first, again);
  EXPECT_NE(first, second);
  EXPECT_EQ(first->RefCount, 2);
  EXPECT_EQ(cache.RecordCount(), 2u);

  const std::size_t pens = LivePens();
  HGDIOBJ handle = cache.Realize(*first, [](const ToolResource&) -> HGDIOBJ {
    return CreatePen(PS_SOLID, 1, 0);
  });
  ASSERT_NE(handle, nullptr);
  EXPECT_EQ(cache.Realize(*first, [](const ToolResource&) -> HGDIOBJ {
    ADD_FAILURE() << "a realised record is made again";
    return nullptr;
  }), handle);

  cache.ReleaseResource(first);
  EXPECT_EQ(LivePens(), pens + 1);
  cache.ReleaseResource(first);
  EXPECT_EQ(LivePens(), pens) << "the last user's release deletes the platform object";
  EXPECT_EQ(cache.RecordCount(), 1u);
  cache.ReleaseResource(nullptr);
  cache.ReleaseResource(second);
  EXPECT_EQ(cache.RecordCount(), 0u);
}

TEST_F(ToolCacheTest, ForgettingSystemColourHandlesDropsOnlyThoseObjects) {
  TPen system;
  system.SetColor(clWindowText);
  TPen plain;
  plain.SetColor(clRed);
  HPEN systemPen = system.Handle();
  HPEN plainPen = plain.Handle();
  ASSERT_NE(systemPen, nullptr);

  PenCache().ForgetSystemColorHandles();
  EXPECT_EQ(GetObjectType(systemPen), 0u) << "deleted";
  EXPECT_EQ(system.Resource->Handle.load(), nullptr);
  EXPECT_EQ(plain.Handle(), plainPen);
  HPEN remade = system.Handle();
  ASSERT_NE(remade, nullptr);
  LOGPEN pen{};
  ASSERT_NE(GetObject(remade, sizeof pen, &pen), 0);
  EXPECT_EQ(pen.lopnColor, GetSysColor(COLOR_WINDOWTEXT));
}

TEST_F(PenTest, DefaultRecordIsDeterminedByteForByte) {
  TPen pen;
  TPenData expected{};
  expected.Color = clBlack;
  expected.Width = 1;
  expected.Style = psSolid;
  EXPECT_EQ(RecordBytes<TPenData>(pen.Resource), Bytes(expected));
  EXPECT_EQ(pen.Mode(), pmCopy);
}

TEST_F(PenTest, EqualAttributesShareOnePlatformPenFreedWithTheLastUser) {
  const std::size_t pens = LivePens();
  {
    TPen a;
    TPen b;
    a.SetColor(0x123456);
    a.SetWidth(3);
    b.SetWidth(3);
    b.SetColor(0x123456);  // same attributes reached in another order
    EXPECT_EQ(a.Resource, b.Resource);
    HPEN shared = a.Handle();
    ASSERT_NE(shared, nullptr);
    EXPECT_EQ(b.Handle(), shared);
    EXPECT_EQ(LivePens(), pens + 1);

    LOGPEN made{};
    ASSERT_NE(GetObject(shared, sizeof made, &made), 0);
    EXPECT_EQ(made.lopnStyle, PS_SOLID);
    EXPECT_EQ(made.lopnWidth.x, 3);
    EXPECT_EQ(made.lopnColor, 0x123456u);

    b.SetStyle(psDot);
    EXPECT_NE(a.Resource, b.Resource);
    EXPECT_EQ(a.Handle(), shared) << "the other pen's object is untouched";
    EXPECT_NE(b.Handle(), shared);
    EXPECT_EQ(LivePens(), pens + 2);
  }
  EXPECT_EQ(LivePens(), pens);
}

TEST_F(PenTest, NegativeWidthIsIgnoredAndZeroAccepted) {
  TPen pen;
  int changes = 0;
  pen.OnChange = [&](TObject*) { ++changes; };
  pen.SetWidth(-1);
  EXPECT_EQ(pen.Width(), 1);
  EXPECT_EQ(changes, 0);
  pen.SetWidth(0);
  EXPECT_EQ(pen.Width(), 0);
  EXPECT_EQ(changes, 1);
  pen.SetWidth(0);
  EXPECT_EQ(changes, 1) << "an unchanged record notifies nothing";
}

TEST_F(PenTest, ModeStaysOutOfTheSharedRecord) {
  TPen a;
  TPen b;
  int changes = 0;
  b.OnChange = [&](TObject*) { ++changes; };
  b.SetMode(pmXor);
  EXPECT_EQ(changes, 1);
  b.SetMode(pmXor);
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(a.Resource, b.Resource);
  EXPECT_EQ(a.Handle(), b.Handle());
  EXPECT_EQ(PenModeToROP2(pmXor), R2_XORPEN);
  EXPECT_EQ(PenModeToROP2(pmCopy), R2_COPYPEN);
  EXPECT_EQ(PenModeToROP2(pmNop), R2_NOP);
  EXPECT_EQ(PenModeToROP2(pmNotXor), R2_NOTXORPEN);
}

TEST_F(PenTest, ChangeIsReportedWhileTheOldObjectStillExists) {
  TPen pen;
  pen.SetColor(0x010203);  // a record no other pen uses
  HPEN old = pen.Handle();
  ASSERT_NE(old, nullptr);
  bool aliveDuringNotification = false;
  pen.OnChange = [&](TObject* sender) {
    EXPECT_EQ(sender, &pen);
    aliveDuringNotification = GetObjectType(old) == OBJ_PEN;
  };
  pen.SetColor(clRed);
  EXPECT_TRUE(aliveDuringNotification);
  EXPECT_EQ(GetObjectType(old), 0u) << "released after the notification";
}

TEST_F(PenTest, CopyFromSharesTheRecordAndTheMode) {
  TPen source;
  source.SetColor(clBlue);
  source.SetMode(pmNotXor);
  TPen copy;
  copy.CopyFrom(&source);
  EXPECT_EQ(copy.Resource, source.Resource);
  EXPECT_EQ(copy.Mode(), pmNotXor);
  EXPECT_EQ(copy.Color(), clBlue);
  EXPECT_EQ(source.Resource->RefCount, 2);

  TBrush brush;
  EXPECT_THROW(copy.CopyFrom(&brush), ECopyError);
  EXPECT_EQ(copy.Resource, source.Resource);
}

TEST_F(BrushTest, ClearReportsWhiteAndAColourMakesItSolidAgain) {
  TBrush brush;
  EXPECT_EQ(brush.Color(), clWhite);
  EXPECT_EQ(brush.Style(), bsSolid);
  brush.SetColor(clRed);
  brush.SetStyle(bsClear);
  EXPECT_EQ(brush.Color(), clWhite);
  EXPECT_EQ(brush.Style(), bsClear);
  brush.SetColor(clGreen);
  EXPECT_EQ(brush.Style(), bsSolid);
  EXPECT_EQ(brush.Color(), clGreen);
}

TEST_F(BrushTest, StylesBecomeThePlatformsBrushStylesAndHatches) {
  TBrush brush;
  brush.SetColor(0x00FF8040);
  brush.SetStyle(bsDiagCross);
  LOGBRUSH made{};
  ASSERT_NE(GetObject(brush.Handle(), sizeof made, &made), 0);
  EXPECT_EQ(made.lbStyle, BS_HATCHED);
  EXPECT_EQ(made.lbHatch, static_cast<std::uintptr_t>(HS_DIAGCROSS));
  EXPECT_EQ(made.lbColor, 0x00FF8040u);

  brush.SetStyle(bsClear);
  ASSERT_NE(GetObject(brush.Handle(), sizeof made, &made), 0);
  EXPECT_EQ(made.lbStyle, BS_NULL);
}

// The bitmap layer fills this hook; the tests stand in for it with a bitmap of
// their own and never look behind the TBitmap pointer.
HBITMAP patternForTest = nullptr;
HBITMAP TestPatternHook(TBitmap&) { return patternForTest; }

TEST_F(BrushTest, PatternBitmapPaintsWithItUntilColourOrStyleDropsIt) {
  patternForTest = CreateBitmap(8, 8, 1, 1, nullptr);
  ASSERT_NE(patternForTest, nullptr);
  SetBrushPatternHook(&TestPatternHook);
  alignas(8) static std::byte fakeBitmap[64];
  auto* pattern = reinterpret_cast<TBitmap*>(fakeBitmap);
  {
    TBrush brush;
    brush.SetColor(clRed);
    brush.SetStyle(bsCross);
    brush.SetPatternBitmap(pattern);
    EXPECT_EQ(brush.PatternBitmap(), pattern);
    EXPECT_EQ(brush.Color(), clWhite) << "the pattern setter starts from the defaults";
    EXPECT_EQ(brush.Style(), bsSolid);
    LOGBRUSH made{};
    ASSERT_NE(GetObject(brush.Handle(), sizeof made, &made), 0);
    EXPECT_EQ(made.lbStyle, BS_PATTERN);

    brush.SetColor(clBlue);
    EXPECT_EQ(brush.PatternBitmap(), nullptr);
    ASSERT_NE(GetObject(brush.Handle(), sizeof made, &made), 0);
    EXPECT_EQ(made.lbStyle, BS_SOLID);

    brush.SetPatternBitmap(pattern);
    brush.SetStyle(bsHorizontal);
    EXPECT_EQ(brush.PatternBitmap(), nullptr);
  }
  SetBrushPatternHook(nullptr);
  DeleteObject(patternForTest);
}

TEST_F(FontTest, DefaultIsTheJapaneseGothicAtNinePoints) {
  TFont font;
  EXPECT_EQ(font.PixelsPerInch(), 96);
  EXPECT_EQ(font.Height(), -12);
  EXPECT_EQ(font.Size(), 9);
  EXPECT_EQ(font.Charset(), SHIFTJIS_CHARSET);
  EXPECT_EQ(font.Name(), "ＭＳ Ｐゴシック");
  EXPECT_EQ(font.Color(), clWindowText);
  EXPECT_EQ(font.Pitch(), fpDefault);
  EXPECT_EQ(font.Style(), 0);

  TFontData expected{};
  expected.Height = -12;
  expected.Charset = SHIFTJIS_CHARSET;
  const std::string name = "ＭＳ Ｐゴシック";
  expected.NameLength = static_cast<std::uint8_t>(name.size());
  std::memcpy(expected.Name, name.data(), name.size());
  EXPECT_EQ(RecordBytes<TFontData>(font.Resource), Bytes(expected));
}

TEST_F(FontTest, NameSetterLeavesNoTraceOfALongerFormerName) {
  TFont a;
  TFont b;
  a.SetName("A rather long face name of thirty");
  a.SetName("Arial");
  b.SetName("Arial");
  EXPECT_EQ(a.Resource, b.Resource);

  a.SetName("");
  EXPECT_EQ(a.Name(), "Arial") << "an empty name is ignored";
  a.SetName("0123456789012345678901234567890123456789");
  EXPECT_EQ(a.Name(), "0123456789012345678901234567890");
  // 11 three-byte characters: only 10 fit whole in 31 bytes.
  a.SetName("あいうえおかきくけこさ");
  EXPECT_EQ(a.Name(), "あいうえおかきくけこ");
}

TEST_F(FontTest, SizeAndHeightFollowPixelsPerInch) {
  TFont font;
  font.SetSize(12);
  EXPECT_EQ(font.Height(), -16);
  EXPECT_EQ(font.Size(), 12);
  font.SetHeight(-13);
  EXPECT_EQ(font.Size(), 10) << "rounded to the nearest point";

  TFont printer;
  printer.SetPixelsPerInch(300);
  printer.CopyFrom(&font);
  EXPECT_EQ(printer.Size(), 10) << "copying across resolutions keeps the point size";
  EXPECT_EQ(printer.Height(), -42);
  EXPECT_NE(printer.Resource, font.Resource);

  TFont same;
  same.SetColor(clRed);
  font.SetColor(clBlue);
  same.CopyFrom(&font);
  EXPECT_EQ(same.Resource, font.Resource);
  EXPECT_EQ(same.Color(), clBlue);
}

TEST_F(FontTest, StylesPitchAndCharsetReachThePlatformFont) {
  TFont font;
  font.SetStyle(fsBold | fsItalic | fsStrikeOut);
  font.SetPitch(fpFixed);
  font.SetCharset(ANSI_CHARSET);
  font.SetName("Default");
  LOGFONTA made{};
  ASSERT_NE(GetObject(font.Handle(), sizeof made, &made), 0);
  EXPECT_EQ(made.lfWeight, FW_BOLD);
  EXPECT_TRUE(made.lfItalic);
  EXPECT_FALSE(made.lfUnderline);
  EXPECT_TRUE(made.lfStrikeOut);
  EXPECT_EQ(made.lfPitchAndFamily & 3, FIXED_PITCH);
  EXPECT_EQ(made.lfCharSet, ANSI_CHARSET);
  EXPECT_EQ(made.lfHeight, -12);
  EXPECT_STREQ(made.lfFaceName, "ＭＳ Ｐゴシック") << "\"Default\" names the default font";
}

TEST_F(FontTest, AWrittenPlatformFontIsAdoptedAndDeletedWithItsRecord) {
  const std::size_t fonts = platform::LiveObjectCount(platform::ObjectKind::Font);
  LOGFONTA description{};
  description.lfHeight = -20;
  description.lfWeight = FW_BOLD;
  description.lfUnderline = 1;
  description.lfCharSet = ANSI_CHARSET;
  description.lfPitchAndFamily = VARIABLE_PITCH;
  std::strcpy(description.lfFaceName, "IPAPGothic");
  HFONT written = CreateFontIndirect(&description);
  ASSERT_NE(written, nullptr);
  {
    TFont font;
    int changes = 0;
    font.OnChange = [&](TObject*) { ++changes; };
    font.SetHandle(written);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(font.Handle(), written);
    EXPECT_EQ(font.Height(), -20);
    EXPECT_EQ(font.Style(), fsBold | fsUnderline);
    EXPECT_EQ(font.Pitch(), fpVariable);
    EXPECT_EQ(font.Charset(), ANSI_CHARSET);
    EXPECT_EQ(font.Name(), "IPAPGothic");

    TFont other;
    other.SetHandle(written);  // already owned: shared, not adopted twice
    EXPECT_EQ(other.Resource, font.Resource);
    font.SetHandle(font.Handle());
    EXPECT_EQ(font.Resource, other.Resource);

    TPen notAFont;
    font.SetHandle(reinterpret_cast<HFONT>(notAFont.Handle()));
    EXPECT_EQ(font.Handle(), written) << "a handle that is no font is ignored";
  }
  EXPECT_EQ(platform::LiveObjectCount(platform::ObjectKind::Font), fonts);
  EXPECT_EQ(GetObjectType(written), 0u);
}

}  // namespace
