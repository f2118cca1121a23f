#pragma once
// Left-axis limits of the graphs: the increment and maximum chosen from the
// largest value drawn, and the minimum from the smallest. Each band's bounds
// are inclusive and the bands are tried from the top, so a value that falls
// between two bands (0.995, 1.995) takes the catch-all row.
namespace rv::calc {

struct AxisBand {
    double increment = 0;
    double maximum = 0;
};

// The two time graphs (load and displacement against time), by the largest
// value of the shown lines, temperature included.
AxisBand timeAxisBand(double hi);

// The two length graphs (load and displacement along the cable), by the
// largest value of the drawn readings.
AxisBand lengthAxisBand(double m);

// 0 when the smallest value is not negative, otherwise that value rounded to
// two decimals (a half to the even neighbour).
double axisMinimum(double lo);

// The distance axis of the length graphs ends at the next whole metre at or
// beyond the farthest point (x + 0.999, whole part), but never below 1.
double distanceAxisMaximum(double largestX);

} // namespace rv::calc
