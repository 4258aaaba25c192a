// The view's pen: MoveTo and LineTo in world coordinates, collected as
// polylines of one colour and pattern for the display list.
#pragma once

#include <vector>

#include "view/view.h"

namespace tibrel {

class Pen {
 public:
  Pen(const ViewState& v, std::vector<Stroke>& out) : projector_(v), out_(out) {}
  ~Pen() { Flush(); }
  Pen(const Pen&) = delete;
  Pen& operator=(const Pen&) = delete;
  // A change of style ends the polyline; the next one starts where it ended.
  void Style(int32_t colour, int pattern) {
    if (colour == colour_ && pattern == pattern_) return;
    const bool had = current_.Points.size() > 0;
    const ScreenPoint at = had ? current_.Points.back() : ScreenPoint{};
    Flush();
    colour_ = colour, pattern_ = pattern;
    if (had) current_.Points.push_back(at);
  }
  void MoveTo(double x, double y, double z) {
    Flush();
    current_.Points.push_back(Screen(x, y, z));
    wx_ = x, wy_ = y, wz_ = z;
  }
  void LineTo(double x, double y, double z) {
    if (current_.Points.empty()) current_.Points.push_back(Screen(wx_, wy_, wz_));
    current_.Points.push_back(Screen(x, y, z));
    wx_ = x, wy_ = y, wz_ = z;
  }
  // Ends the polyline being drawn (the destructor does it too).
  void Flush() {
    if (current_.Points.size() >= 2) {
      current_.Colour = colour_;
      current_.Pattern = pattern_;
      out_.push_back(std::move(current_));
    }
    current_ = Stroke();
  }

 private:
  ScreenPoint Screen(double x, double y, double z) const {
    const ViewPoint p = projector_.Point(x, y, z);
    return {p.X, p.Y};
  }
  Projector projector_;
  std::vector<Stroke>& out_;
  Stroke current_;
  int32_t colour_ = 0;
  int pattern_ = PatternSolid;
  double wx_ = 0, wy_ = 0, wz_ = 0;
};

}  // namespace tibrel
