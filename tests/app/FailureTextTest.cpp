// The reasons Open and Save give, for each kind of failure.
#include "app/FailureText.h"

#include <gtest/gtest.h>

#include <new>

#include "runtime/Exceptions.h"

namespace {

TEST(FailureText, NamesTheTroubleOrGivesTheFailuresMessage) {
  const struct {
    std::exception_ptr failure;
    const char* reason;
  } rows[] = {
      {std::make_exception_ptr(EJPEG("JPEG エラー #53")), "JPEG エラー #53"},
      {std::make_exception_ptr(std::bad_alloc()), "メモリが足りません"},
      {std::make_exception_ptr(WithReason(EInvalidGraphic("ビットマップイメージが不正です"),
                                          TFailureKind::TooLargeForBytes, "declares 26754 x 26754")),
       "画像が大きすぎます"},
      {std::make_exception_ptr(WithReason(EOutOfResources("システム リソースが足りません"),
                                          TFailureKind::OverAvailableMemory, "needs 2.1 GB")),
       "メモリが足りません"},
      {nullptr, "ビットマップイメージが不正です"},  // a picture that turned out empty
      {std::make_exception_ptr(Exception("")), "ビットマップイメージが不正です"},
  };
  for (const auto& row : rows) EXPECT_EQ(app::ReasonText(row.failure), row.reason);
  EXPECT_EQ(app::OpenFailedText("/pics/a.b/photo.JPG", "画像フォーマットが不正です"),
            "「photo.JPG」を開けませんでした（画像フォーマットが不正です）");
  EXPECT_EQ(app::SaveFailedText("/out/piece.bmp", "画像フォーマットが不正です"),
            "「piece.bmp」に保存できませんでした（画像フォーマットが不正です）");
}

}  // namespace
