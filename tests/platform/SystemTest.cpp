#include <gtest/gtest.h>

#include "LeakCheck.h"
#include "platform/Platform.h"
#include "platform/Windows.h"

namespace {

TEST(CompareString, IgnoresAsciiCaseOnRequest) {
  EXPECT_EQ(CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, ".JPG", -1, ".jpg", -1), CSTR_EQUAL);
  EXPECT_EQ(CompareStringA(LOCALE_USER_DEFAULT, 0, ".JPG", -1, ".jpg", -1), CSTR_LESS_THAN);
  EXPECT_EQ(CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, ".bmp", -1, ".jpg", -1), CSTR_LESS_THAN);
  EXPECT_EQ(CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, ".jpeg", -1, ".jpg", -1), CSTR_LESS_THAN);
  EXPECT_EQ(CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, ".jpgx", -1, ".JPG", -1), CSTR_GREATER_THAN);
  // Explicit lengths: only that many bytes count.
  EXPECT_EQ(CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, ".JPGxyz", 4, ".jpg", 4), CSTR_EQUAL);
  EXPECT_EQ(CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, "", 0, "", -1), CSTR_EQUAL);
  // Multi-byte text compares by code point.
  EXPECT_EQ(CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, "画像", -1, "z", -1), CSTR_GREATER_THAN);
  EXPECT_EQ(CompareStringA(LOCALE_USER_DEFAULT, 0, nullptr, -1, "a", -1), 0);
  EXPECT_EQ(CompareStringA(LOCALE_USER_DEFAULT, 0, "a", -2, "a", -1), 0);
}

TEST(SystemColours, AreTheClassicOnes) {
  EXPECT_EQ(GetSysColor(COLOR_BTNFACE), RGB(192, 192, 192));
  EXPECT_EQ(GetSysColor(COLOR_WINDOWTEXT), RGB(0, 0, 0));
  EXPECT_EQ(GetSysColor(COLOR_WINDOW), RGB(255, 255, 255));
  EXPECT_EQ(GetSysColor(COLOR_BTNTEXT), RGB(0, 0, 0));
  EXPECT_EQ(GetSysColor(-1), 0u);
  EXPECT_EQ(GetSysColor(1000), 0u);
}

TEST(TickCount, NeverRunsBackwards) {
  const DWORD a = GetTickCount();
  const DWORD b = GetTickCount();
  EXPECT_LE(static_cast<DWORD>(b - a), 1000u);
}

TEST(Shutdown, FreesEverythingAndStartupBringsTheStockObjectsBack) {
  HPEN leaked = CreatePen(PS_SOLID, 1, 0);
  HDC dc = CreateCompatibleDC(nullptr);
  ASSERT_NE(leaked, nullptr);
  platform::Shutdown();
  for (auto kind : {platform::ObjectKind::Pen, platform::ObjectKind::DeviceContext, platform::ObjectKind::Bitmap})
    EXPECT_EQ(platform::LiveObjectCount(kind), 0u);
  EXPECT_FALSE(DeleteObject(leaked));
  EXPECT_EQ(GetStockObject(BLACK_PEN), nullptr);
  EXPECT_EQ(CreatePen(PS_SOLID, 1, 0), nullptr) << "no objects before start-up";
  platform::Startup();
  EXPECT_NE(GetStockObject(BLACK_PEN), nullptr);
  EXPECT_FALSE(DeleteDC(dc));
  EXPECT_EQ(platform::LiveObjectCount(platform::ObjectKind::Pen), 0u);
}

}  // namespace
