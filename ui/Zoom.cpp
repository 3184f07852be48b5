#include "ui/Zoom.h"

#include <algorithm>
#include <array>
#include <numeric>

namespace {

struct Step {
  std::int64_t p;
  std::int64_t q;
};

constexpr std::array<Step, 16> kSteps{{{1, 16}, {1, 12}, {1, 8}, {1, 6}, {1, 4}, {1, 3}, {1, 2}, {2, 3},
                                       {1, 1}, {2, 1}, {3, 1}, {4, 1}, {6, 1}, {8, 1}, {12, 1}, {16, 1}}};

// a/b < c/d for positive denominators.
bool Less(std::int64_t a, std::int64_t b, std::int64_t c, std::int64_t d) { return a * d < c * b; }

}  // namespace

TZoom::TZoom(std::int64_t p, std::int64_t q) {
  if (p <= 0 || q <= 0) return;
  const std::int64_t g = std::gcd(p, q);
  p_ = p / g;
  q_ = q / g;
}

TZoom TZoom::Fit(std::int64_t width, std::int64_t height, std::int64_t viewWidth, std::int64_t viewHeight) {
  if (width <= 0 || height <= 0) return {};
  if (viewWidth <= 0 || viewHeight <= 0) return TZoom(kSteps.front().p, kSteps.front().q);
  TZoom z;
  if (Less(viewWidth, width, z.p_, z.q_)) z = TZoom(viewWidth, width);
  if (Less(viewHeight, height, z.p_, z.q_)) z = TZoom(viewHeight, height);
  return z;
}

TZoom TZoom::Larger(std::int64_t width, std::int64_t height) const {
  for (const Step& s : kSteps) {
    if (!Less(p_, q_, s.p, s.q)) continue;
    const TZoom next(s.p, s.q);
    if (next.Extent(width) > kMaxExtent || next.Extent(height) > kMaxExtent) return *this;
    return next;
  }
  return *this;
}

TZoom TZoom::Smaller() const {
  for (auto s = kSteps.rbegin(); s != kSteps.rend(); ++s) {
    if (Less(s->p, s->q, p_, q_)) return TZoom(s->p, s->q);
  }
  return *this;
}

std::int64_t TZoom::Extent(std::int64_t n) const {
  if (n <= 0) return 0;
  return std::max<std::int64_t>(1, (n * p_ + q_ - 1) / q_);
}
