#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "runtime/Exceptions.h"
#include "runtime/Filer.h"
#include "runtime/MemoryStream.h"
#include "runtime/Persistent.h"

namespace {

// Streams its text as a "Text" property, written unless the ancestor has the
// same text.
class TNote : public TPersistent {
  KIRITORI_CLASS(TNote, TPersistent)
  std::string text;
  void DefineProperties(TFiler& filer) override {
    const auto* ancestor = dynamic_cast<TNote*>(filer.Ancestor());
    const bool hasData = ancestor == nullptr ? !text.empty() : ancestor->text != text;
    filer.DefineBinaryProperty(
        "Text",
        [this](TStream& s) {
          text.assign(static_cast<std::size_t>(s.Size()), '\0');
          s.ReadBuffer(text.data(), s.Size());
        },
        [this](TStream& s) { s.WriteBuffer(text.data(), static_cast<std::int64_t>(text.size())); }, hasData);
  }
};

std::unique_ptr<TMemoryStream> WriteNote(TNote& note, TPersistent* ancestor = nullptr) {
  auto stream = std::make_unique<TMemoryStream>();
  TPropertyWriter(*stream, ancestor).WriteProperties(note);
  stream->SetPosition(0);
  return stream;
}

TEST(Filer, PropertiesRoundTripThroughAMemoryStream) {
  TNote written;
  written.text = "切り取り";
  auto stream = WriteNote(written);
  TNote read;
  TPropertyReader(*stream).ReadProperties(read);
  EXPECT_EQ(read.text, "切り取り");
  EXPECT_EQ(stream->Position(), stream->Size());  // the reader stops at the block's end
}

TEST(Filer, LayoutIsNameCountBytesThenEndMarker) {
  TNote note;
  note.text = "ab";
  auto stream = WriteNote(note);
  const std::uint8_t expected[] = {4, 'T', 'e', 'x', 't', 2, 0, 0, 0, 'a', 'b', 0};
  ASSERT_EQ(stream->Size(), static_cast<std::int64_t>(sizeof expected));
  EXPECT_EQ(std::memcmp(stream->Memory(), expected, sizeof expected), 0);
}

TEST(Filer, UnchangedFromAncestorIsNotWritten) {
  TNote ancestor, same, changed;
  ancestor.text = same.text = "x";
  changed.text = "y";
  EXPECT_EQ(WriteNote(same, &ancestor)->Size(), 1);  // only the end marker
  EXPECT_GT(WriteNote(changed, &ancestor)->Size(), 1);
}

TEST(Filer, DamagedBlocksFailCleanly) {
  TNote note;
  // Unknown property name.
  TMemoryStream unknown;
  const std::uint8_t unknownBytes[] = {3, 'F', 'o', 'o', 0, 0, 0, 0, 0};
  unknown.WriteBuffer(unknownBytes, sizeof unknownBytes);
  unknown.SetPosition(0);
  EXPECT_THROW(TPropertyReader(unknown).ReadProperties(note), EPropertyError);
  // A byte count far beyond the data must not be allocated.
  TMemoryStream huge;
  const std::uint8_t hugeBytes[] = {4, 'T', 'e', 'x', 't', 0xFF, 0xFF, 0xFF, 0x7F, 'a'};
  huge.WriteBuffer(hugeBytes, sizeof hugeBytes);
  huge.SetPosition(0);
  EXPECT_THROW(TPropertyReader(huge).ReadProperties(note), EPropertyError);
  // Cut short inside the name.
  TMemoryStream cut;
  const std::uint8_t cutBytes[] = {4, 'T', 'e'};
  cut.WriteBuffer(cutBytes, sizeof cutBytes);
  cut.SetPosition(0);
  EXPECT_THROW(TPropertyReader(cut).ReadProperties(note), EReadError);
  EXPECT_TRUE(note.text.empty());
}

}  // namespace
