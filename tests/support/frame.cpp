// What the game must show, and the pixels it shows (frame.h).
#include "tests/support/frame.h"

#include <algorithm>
#include <cstdio>

namespace screen {

std::string Hex(Colour colour) {
  char text[16];
  std::snprintf(text, sizeof text, "#%06X", static_cast<unsigned>(colour));
  return text;
}

Geometry Geometry::For(int board, int width, int height) {
  Geometry g;
  g.width = width;
  g.height = height;
  g.columns = board / 2 + 2;
  g.rows = (board + 1) / 2 + 1;
  return g;
}

Box Geometry::Square(int square) const {
  const int c = square % columns, r = square / columns;
  const int w = BoardWidth(), h = height - 1;
  return Box{(c * w) / columns + 5, (r * h) / rows + 5, ((c + 1) * w) / columns - 5,
             ((r + 1) * h) / rows - 5};
}

Box Geometry::StatusPanel() const { return Box{BoardWidth() + 5, 0, width, height}; }

Box Geometry::StatusLine(int k) const {
  return Box{BoardWidth() + 5, ((k - 1) * height) / 8, width, (k * height) / 8};
}

int Frame::Count(const Box& box, Colour colour) const {
  int count = 0;
  for (int y = std::max(box.top, 0); y < std::min(box.bottom, height_); ++y)
    for (int x = std::max(box.left, 0); x < std::min(box.right, width_); ++x)
      if (At(x, y) == colour) ++count;
  return count;
}

bool Frame::All(const Box& box, Colour colour, std::string* firstOther) const {
  for (int y = std::max(box.top, 0); y < std::min(box.bottom, height_); ++y)
    for (int x = std::max(box.left, 0); x < std::min(box.right, width_); ++x)
      if (At(x, y) != colour) {
        if (firstOther) {
          *firstOther = "(" + std::to_string(x) + ", " + std::to_string(y) + ") is " +
                        Hex(At(x, y)) + ", not " + Hex(colour);
        }
        return false;
      }
  return !Empty();
}

int Frame::Differences(const Frame& expected, const Box& box, std::string* first) const {
  auto holds = [](const Frame& f, int x, int y) {
    return x >= 0 && y >= 0 && x < f.width_ && y < f.height_;
  };
  int differ = 0;
  for (int y = box.top; y < box.bottom; ++y)
    for (int x = box.left; x < box.right; ++x) {
      const bool both = holds(*this, x, y) && holds(expected, x, y);
      if (both && At(x, y) == expected.At(x, y)) continue;
      if (differ++ == 0 && first != nullptr)
        *first = "(" + std::to_string(x) + ", " + std::to_string(y) + ") is " +
                 (both ? Hex(At(x, y)) + ", expected " + Hex(expected.At(x, y)) : "missing");
    }
  return differ;
}

int Frame::LitSquare(const Geometry& g, const Colour* colours) const {
  int lit = -1;
  for (int s = 0; s < g.Squares(); ++s) {
    const int x = g.CentreX(s), y = g.CentreY(s);
    if (x < 0 || y < 0 || x >= width_ || y >= height_) continue;
    if (At(x, y) == colours[s]) lit = (lit == -1) ? s : -2;
  }
  return lit;
}

bool Frame::ShowsStatus(const Geometry& g, Colour colour) const {
  return Count(g.StatusLine(5), colour) >= 6;
}

std::string Frame::CheckGridOnly(const Geometry& g, const std::vector<Box>& allowed) const {
  if (width_ != g.width || height_ != g.height) {
    return "frame is " + std::to_string(width_) + " x " + std::to_string(height_) + ", expected " +
           std::to_string(g.width) + " x " + std::to_string(g.height);
  }
  const Colour background = background_, text = text_;
  std::vector<char> lineX(width_, 0), lineY(height_, 0);
  for (int i = 0; i <= g.columns; ++i)
    if (g.LineX(i) < width_) lineX[g.LineX(i)] = 1;
  for (int j = 0; j <= g.rows; ++j)
    if (g.LineY(j) < height_) lineY[g.LineY(j)] = 1;

  std::string problems;
  int reported = 0;
  auto report = [&](const std::string& what) {
    if (reported++ < 5) problems += what + "; ";
  };
  for (int y = 0; y < height_; ++y) {
    for (int x = 0; x < width_; ++x) {
      bool skip = false;
      for (const Box& box : allowed) skip = skip || box.Contains(x, y);
      if (skip) continue;
      const bool onLine = lineX[x] || (lineY[y] && x < g.BoardWidth());
      const Colour c = At(x, y);
      if (c == background || (onLine && c == text)) continue;
      report("(" + std::to_string(x) + ", " + std::to_string(y) + ") is " + Hex(c) +
             (onLine ? " on a grid line" : " off the grid"));
    }
  }
  // A dotted line: a fair share of its pixels are dots, but not all of them.
  auto dotted = [](int dots, int length) { return dots * 5 >= length && dots * 20 <= length * 19; };
  for (int i = 0; i <= g.columns; ++i) {
    const int x = g.LineX(i);
    if (x >= width_) continue;
    const int dots = Count(Box{x, 0, x + 1, height_}, text);
    if (!dotted(dots, height_))
      report("vertical line " + std::to_string(i) + " at x = " + std::to_string(x) + " has " +
             std::to_string(dots) + " dots over " + std::to_string(height_) + " pixels");
  }
  for (int j = 0; j <= g.rows; ++j) {
    const int y = g.LineY(j);
    const int dots = Count(Box{0, y, g.BoardWidth(), y + 1}, text);
    if (!dotted(dots, g.BoardWidth()))
      report("horizontal line " + std::to_string(j) + " at y = " + std::to_string(y) + " has " +
             std::to_string(dots) + " dots over " + std::to_string(g.BoardWidth()) + " pixels");
  }
  if (reported > 5) problems += std::to_string(reported - 5) + " more";
  return problems;
}

bool ShowsGrid(const Frame& frame, const Geometry& g) {
  if (frame.Width() != g.width || frame.Height() != g.height || g.width <= 0) return false;
  const Colour text = frame.Text();
  for (int i = 0; i <= g.columns; ++i) {
    const int x = std::min(g.LineX(i), g.width - 1);
    if (frame.Count(Box{x, 0, x + 1, g.height}, text) * 5 < g.height) return false;
  }
  for (int j = 0; j <= g.rows; ++j) {
    const int y = g.LineY(j);
    if (frame.Count(Box{0, y, g.BoardWidth(), y + 1}, text) * 5 < g.BoardWidth()) return false;
  }
  return true;
}

std::vector<int> WithoutRepeats(const std::vector<int>& squares) {
  std::vector<int> result;
  for (int s : squares)
    if (result.empty() || result.back() != s) result.push_back(s);
  return result;
}

void FlashTiming::Poll(double began, double ended, bool lit) {
  if (!over_) {
    if (lit && !seen_) {
      seen_ = true;
      darkBefore_ = previousBegan_;
      firstLitEnded_ = ended;
    }
    if (lit) lastLitBegan_ = began;
    if (!lit && seen_) {
      darkAgainEnded_ = ended;
      over_ = true;
    }
  }
  previousBegan_ = began;
}

}  // namespace screen
