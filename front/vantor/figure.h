// A figure of a grid's answers as a grant shows it: one value (power, by
// default) against one input, one curve per value of a second input, the
// target line, axes with round ticks and their labels, a legend and a
// caption naming the study, written as a standalone SVG.
#ifndef VANTOR_FRONT_VANTOR_FIGURE_H
#define VANTOR_FRONT_VANTOR_FIGURE_H

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "front/vantor/cell.h"

namespace vantor_cli {

// The most points a figure draws, and the most curves (each its own colour).
constexpr std::size_t kLargestFigure = 100000;
constexpr std::size_t kMostCurves = 8;

// Round ticks over [low, high]: multiples of 1, 2 or 5 times a power of ten,
// four to ten of them, the first at or below `low` and the last at or above
// `high` (the axis spans them). `low` equal to `high` is widened around it.
std::vector<double> axis_ticks(double low, double high);

// A tick's label: the value in as many decimals as the ticks' step needs
// ("0.25", "3000"), without a floating-point tail.
std::string tick_label(double value, double step);

// Where the figure's values are in a full row, and its words.
struct FigurePlan {
    std::size_t x = 0;                  // the horizontal axis's column
    std::optional<std::size_t> curves;  // the column whose values make the curves
    std::size_t y = 0;                  // the vertical axis's column
    std::string x_title;                // "cases (people)"
    std::string y_title;                // "power"
    std::string curve_name;             // "relative risk": a legend entry is "relative risk 1.2"
    std::optional<double> target;       // the dashed line's height, if drawn
};

class Figure {
public:
    explicit Figure(FigurePlan plan) : plan_(std::move(plan)) {}

    // Keeps a row's point on its curve; a row without a number in y (a
    // refused or unreachable answer) leaves a gap.
    void add(const Row &row);

    // The SVG: the plot, the legend, and `caption` below, wrapped.
    [[nodiscard]] std::string svg(const std::string &caption) const;

private:
    struct Curve {
        std::string label;
        std::vector<std::pair<double, double>> points;
    };
    [[nodiscard]] std::vector<Curve> sorted_curves() const;

    FigurePlan plan_;
    std::vector<Curve> curves_;
};

}  // namespace vantor_cli

#endif
