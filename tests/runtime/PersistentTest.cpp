#include <gtest/gtest.h>

#include <string>

#include "runtime/Exceptions.h"
#include "runtime/Persistent.h"

namespace {

class TShape : public TPersistent {
  KIRITORI_CLASS(TShape, TPersistent)
  int size = 0;
};

class TSquare : public TShape {
  KIRITORI_CLASS(TSquare, TShape)
  // A square knows how to copy into a circle (as its diameter).
  void CopyTo(TPersistent* dest) override;
};

class TCircle : public TShape {
  KIRITORI_CLASS(TCircle, TShape)
  void CopyFrom(TPersistent* source) override {
    if (auto* c = dynamic_cast<TCircle*>(source)) {
      size = c->size;
      return;
    }
    TShape::CopyFrom(source);
  }
};

void TSquare::CopyTo(TPersistent* dest) {
  if (auto* c = dynamic_cast<TCircle*>(dest)) {
    c->size = size;
    return;
  }
  TShape::CopyTo(dest);
}

class TAbstractShape : public TShape {
  KIRITORI_CLASS(TAbstractShape, TShape)
  virtual void Draw() = 0;
};

TEST(ClassRef, NamesParentsAndDescent) {
  EXPECT_EQ(TSquare::ClassInfo()->Name, "TSquare");
  EXPECT_EQ(TSquare::ClassInfo()->Parent, TShape::ClassInfo());
  EXPECT_EQ(TObject::ClassInfo()->Parent, nullptr);
  EXPECT_TRUE(TSquare::ClassInfo()->InheritsFrom(TPersistent::ClassInfo()));
  EXPECT_TRUE(TSquare::ClassInfo()->InheritsFrom(TSquare::ClassInfo()));
  EXPECT_FALSE(TShape::ClassInfo()->InheritsFrom(TSquare::ClassInfo()));
  EXPECT_FALSE(TSquare::ClassInfo()->InheritsFrom(nullptr));

  TSquare square;
  TShape& shape = square;
  EXPECT_EQ(shape.ClassType(), TSquare::ClassInfo());
  EXPECT_EQ(shape.ClassName(), "TSquare");
  EXPECT_TRUE(shape.InheritsFrom(TShape::ClassInfo()));
}

TEST(ClassRef, CreateEmptyMakesTheClassOrRefuses) {
  auto made = runtime::CreateAs<TShape>(TCircle::ClassInfo());
  EXPECT_EQ(made->ClassType(), TCircle::ClassInfo());
  EXPECT_THROW(TAbstractShape::ClassInfo()->CreateEmpty(), EAbstractError);
  EXPECT_THROW(runtime::CreateAs<TCircle>(TSquare::ClassInfo()), EInvalidCast);
  EXPECT_THROW(runtime::CreateAs<TCircle>(nullptr), EInvalidCast);
}

TEST(Persistent, CopyFromAsksTheSourceToCopyItself) {
  TSquare square;
  square.size = 9;
  TCircle circle;
  circle.CopyFrom(&square);
  EXPECT_EQ(circle.size, 9);
}

TEST(Persistent, UnknownPartnerIsRefusedNamingBothClasses) {
  TCircle circle;
  TSquare square;
  try {
    square.CopyFrom(&circle);  // neither knows this direction
    FAIL();
  } catch (const ECopyError& e) {
    const std::string& m = e.Message();
    const auto source = m.find("TCircle");
    const auto target = m.find("TSquare");
    ASSERT_NE(source, std::string::npos);
    ASSERT_NE(target, std::string::npos);
    EXPECT_LT(source, target);  // source first, then the object asked to take it
  }
  EXPECT_THROW(circle.CopyFrom(nullptr), ECopyError);
  EXPECT_THROW(circle.CopyTo(&square), ECopyError);
}

}  // namespace
