// A smooth plant curve through three operating points.
//
// Between the operating points the state of the plant is described by
// curves y = A + B q^2 (quadratic pressure losses), one segment from point 1
// to point 2 and one from point 2 to point 3. The two segments meet at
// point 2 with a kink: their slopes dy/d(q^2) differ. An installed
// characteristic drawn through such a kink shows a corner that the plant
// does not have. tSmoothCurve replaces the two segments between the outer
// points by one monotone piecewise cubic Hermite curve in s = q^2:
//
//  - it passes through all three points exactly;
//  - at the outer points its slope equals the slope of the adjoining
//    segment, so it joins the extrapolated segments with a continuous
//    first derivative;
//  - at the middle point the slope is the harmonic mean of the two segment
//    slopes (Fritsch and Butland, SIAM J. Sci. Stat. Comput. 5 (1984)
//    300-304), which is zero when the segments rise and fall, and otherwise
//    keeps both cubic pieces inside the monotonicity region of Fritsch and
//    Carlson (SIAM J. Numer. Anal. 17 (1980) 238-246). A pressure that
//    rises (or falls) with the flow at all three points therefore keeps
//    doing so between them.
//
// GetOffset(q) gives the difference smooth minus segment curve; it is zero
// at the three points and outside the range of their flows, so adding it
// to the segment curves changes nothing where the plant is extrapolated.
#pragma once

#include "framework/basics.h"

namespace torvacalc {

class tSmoothCurve {
 public:
  // Builds the curve through (q1, y1), (q2, y2), (q3, y3). The points may be
  // given in any order of flow. With fewer than three distinct flows, or a
  // missing value, the curve is invalid and every offset is 0.
  void CalculateKoefficients(Extended q1, Extended y1, Extended q2, Extended y2, Extended q3,
                             Extended y3);
  bool GetValid() const { return FValid; }
  // The smooth curve value at flow q (undefined when invalid or q missing).
  Extended GetValue(Extended q) const;
  // Smooth value minus the quadratic segment through the neighbouring
  // points; 0 outside the flows of the points and when invalid.
  Extended GetOffset(Extended q) const;

  // The slope at the middle node of a monotone Hermite curve from the
  // slopes d0 and d1 of the neighbouring secants (Fritsch-Butland harmonic
  // mean); 0 when they differ in sign or one is 0.
  static Extended MiddleSlope(Extended d0, Extended d1);
  // Cubic Hermite interpolation on [sa, sb] with values ya, yb and slopes
  // ma, mb at s.
  static Extended Hermite(Extended s, Extended sa, Extended ya, Extended ma, Extended sb,
                          Extended yb, Extended mb);

 private:
  bool FValid = false;
  Extended FS[3] = {0, 0, 0}, FY[3] = {0, 0, 0}, FM[3] = {0, 0, 0};
};

}  // namespace torvacalc
