// The search the solvers share: the smallest point of a line from which the
// power reaches a target at every point up to the line's top, for a power
// that need not be monotone along the line (search/solve.h says why and how
// it is used). Written once for whole sizes and for log-odds.
//
// A line is a class with
//   using Point = ...;                 int32_t sizes or double log-odds
//   Point first() const;               the grid's first point
//   bool first_may_be_valley() const;  whether a rising power there starts a valley
//   Point grid_point(int i) const;     i = 1..kGridIntervals, up to the top
//   bool wider(Point a, Point b) const;  (a, b) can still be split
//   Valley<Point> floor(Point a, Point b) const;  a narrowed valley
//   double slope(Point x) const;       of the sign of the power's slope at x
//
// The slope's sign is sampled at the grid points; each change from falling to
// rising is narrowed to a valley. The valleys are then checked from the top
// down: the first floor falling short starts a rising stretch, on which
// bisection finds the answer. Internal to the library (C++).
#ifndef VANTOR_SEARCH_VALLEY_SEARCH_H
#define VANTOR_SEARCH_VALLEY_SEARCH_H

#include <array>
#include <cstddef>
#include <limits>

namespace vantor {

constexpr int kGridIntervals = 64;
constexpr int kMostValleys = 15;
// A narrowing ends when its interval cannot be split, or after this many
// halvings (a double interval stops long before).
constexpr int kMostHalvings = 200;

inline bool is_rising(double slope) { return !(slope < 0); }

inline bool reaches(double power, double target) { return power >= target; }

// The power's lowest value on one valley lies at `low` or `high` (the same
// point where a valley is narrowed to one).
template <typename Point>
struct Valley {
    Point low;
    Point high;
};

template <typename Point>
struct Valleys {
    std::array<Valley<Point>, kMostValleys> at{};
    int count = 0;
    bool too_many = false;

    void add(Valley<Point> valley) {
        if (count == kMostValleys) {
            too_many = true;
            return;
        }
        at[static_cast<std::size_t>(count++)] = valley;
    }
};

template <typename Point>
struct Crossing {
    bool reached = false;
    Point at{};
    double power = std::numeric_limits<double>::quiet_NaN();
};

template <typename Point>
Point middle_of(Point a, Point b) {
    return a + (b - a) / 2;
}

// Narrows a change from falling (at a) to rising (at b).
template <typename Line, typename Point = typename Line::Point>
Valley<Point> narrow_valley(const Line &line, Point a, Point b) {
    for (int i = 0; i < kMostHalvings && line.wider(a, b); ++i) {
        const Point middle = middle_of(a, b);
        (is_rising(line.slope(middle)) ? b : a) = middle;
    }
    return line.floor(a, b);
}

// The valleys of the power along the line, left to right. Stops at the
// first valley beyond kMostValleys, marked too_many.
template <typename Line, typename Point = typename Line::Point>
Valleys<Point> find_valleys(const Line &line) {
    Valleys<Point> valleys;
    Point previous = line.first();
    bool previous_rising = is_rising(line.slope(previous));
    if (previous_rising && line.first_may_be_valley()) {
        valleys.add({previous, previous});
    }
    for (int i = 1; i <= kGridIntervals; ++i) {
        const Point point = line.grid_point(i);
        if (!(previous < point)) {
            continue;
        }
        const bool rising = is_rising(line.slope(point));
        if (rising && !previous_rising) {
            valleys.add(narrow_valley(line, previous, point));
            if (valleys.too_many) {
                return valleys;
            }
        }
        previous = point;
        previous_rising = rising;
    }
    return valleys;
}

// The smallest point in (failing, passing] that reaches the target, where
// every point from the first one that does up to `passing` does; ends early
// when the prober's budget of power evaluations is spent.
template <typename Line, typename Prober, typename Point = typename Line::Point>
Crossing<Point> bisect(const Line &line, Point failing, Point passing, double passing_power,
                       double target, Prober &probe) {
    while (line.wider(failing, passing) && probe.has_budget()) {
        const Point middle = middle_of(failing, passing);
        const double power = probe(middle);
        if (reaches(power, target)) {
            passing = middle;
            passing_power = power;
        } else {
            failing = middle;
        }
    }
    return {true, passing, passing_power};
}

// Walks the valleys from the top down, `passing` (with its power) being the
// lowest point known to start a passing stretch up to the top. Returns true
// with the crossing when a valley's floor falls short; otherwise every
// valley passes and `passing` is the leftmost floor.
template <typename Line, typename Prober, typename Point = typename Line::Point>
bool cross_valleys(const Line &line, const Valleys<Point> &valleys, double target, Prober &probe,
                   Point *passing, double *passing_power, Crossing<Point> *crossing) {
    for (int v = valleys.count - 1; v >= 0; --v) {
        const Valley<Point> valley = valleys.at[static_cast<std::size_t>(v)];
        for (const Point point : {valley.high, valley.low}) {
            if (!(point < *passing)) {
                continue;
            }
            const double power = probe(point);
            if (!reaches(power, target)) {
                *crossing = bisect(line, point, *passing, *passing_power, target, probe);
                return true;
            }
            *passing = point;
            *passing_power = power;
        }
    }
    return false;
}

}  // namespace vantor

#endif
