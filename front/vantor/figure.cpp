#include "front/vantor/figure.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <sstream>

#include "front/vantor/messages.h"
#include "front/vantor/table_text.h"
#include "front/vantor/values.h"

namespace vantor_cli {

namespace {

// The plot's box in the SVG's units, the legend to its right and the
// caption below.
constexpr double kWidth = 760;
constexpr double kLeft = 72;
constexpr double kPlotWidth = 470;
constexpr double kTop = 20;
constexpr double kPlotHeight = 320;
constexpr double kLegendLeft = kLeft + kPlotWidth + 24;
constexpr double kLineHeight = 16;
constexpr std::size_t kCaptionWidth = 110;
constexpr int kFewestTicks = 4;

// Colours told apart by people with a colour vision deficiency (Okabe and
// Ito's), dark enough on white.
constexpr const char *kColours[kMostCurves] = {"#0072B2", "#D55E00", "#009E73", "#CC79A7",
                                               "#E69F00", "#56B4E9", "#000000", "#999933"};

double number_in(const Cell &cell) {
    switch (cell.type) {
        case Cell::Type::Integer:
            return static_cast<double>(cell.integer);
        case Cell::Type::Number:
            return cell.number;
        default:
            return NAN;
    }
}

// A step of 1, 2 or 5 times a power of ten that cuts `span` in at least
// kFewestTicks - 1 parts.
double tick_step(double span) {
    const double rough = span / (kFewestTicks - 1);
    const double decade = std::pow(10.0, std::floor(std::log10(rough)));
    for (const double multiple : {5.0, 2.0, 1.0}) {
        if (multiple * decade <= rough) {
            return multiple * decade;
        }
    }
    return decade;
}

std::string escaped(const std::string &text) {
    std::string out;
    for (const char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            case '\'':
                out += "&apos;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

std::string at(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", value);
    return text;
}

// A linear map from an axis's span onto the SVG's units.
struct Scale {
    double low;
    double high;
    double from;
    double to;
    [[nodiscard]] double operator()(double value) const {
        return from + (to - from) * (value - low) / (high - low);
    }
};

std::string x_axis(const std::vector<double> &ticks, const Scale &x, const std::string &title) {
    const double step = ticks[1] - ticks[0];
    const double bottom = kTop + kPlotHeight;
    std::ostringstream svg;
    svg << "<g class='x-axis'><line class='axis' x1='" << at(kLeft) << "' y1='" << at(bottom)
        << "' x2='" << at(kLeft + kPlotWidth) << "' y2='" << at(bottom) << "' stroke='#000'/>";
    for (const double tick : ticks) {
        svg << "<line class='tick' x1='" << at(x(tick)) << "' y1='" << at(bottom) << "' x2='"
            << at(x(tick)) << "' y2='" << at(bottom + 5) << "' stroke='#000'/>"
            << "<text class='tick-label' data-value='" << exact_text(tick) << "' x='" << at(x(tick))
            << "' y='" << at(bottom + 18) << "' text-anchor='middle'>" << tick_label(tick, step)
            << "</text>";
    }
    svg << "<text class='title' x='" << at(kLeft + kPlotWidth / 2) << "' y='" << at(bottom + 38)
        << "' text-anchor='middle'>" << escaped(title) << "</text></g>";
    return svg.str();
}

std::string y_axis(const std::vector<double> &ticks, const Scale &y, const std::string &title) {
    const double step = ticks[1] - ticks[0];
    std::ostringstream svg;
    svg << "<g class='y-axis'><line class='axis' x1='" << at(kLeft) << "' y1='" << at(kTop)
        << "' x2='" << at(kLeft) << "' y2='" << at(kTop + kPlotHeight) << "' stroke='#000'/>";
    for (const double tick : ticks) {
        svg << "<line class='tick' x1='" << at(kLeft - 5) << "' y1='" << at(y(tick)) << "' x2='"
            << at(kLeft) << "' y2='" << at(y(tick)) << "' stroke='#000'/>"
            << "<line class='grid' x1='" << at(kLeft) << "' y1='" << at(y(tick)) << "' x2='"
            << at(kLeft + kPlotWidth) << "' y2='" << at(y(tick)) << "' stroke='#e4e4e4'/>"
            << "<text class='tick-label' data-value='" << exact_text(tick) << "' x='"
            << at(kLeft - 8) << "' y='" << at(y(tick) + 4) << "' text-anchor='end'>"
            << tick_label(tick, step) << "</text>";
    }
    const double middle = kTop + kPlotHeight / 2;
    svg << "<text class='title' x='18' y='" << at(middle) << "' transform='rotate(-90 18 "
        << at(middle) << ")' text-anchor='middle'>" << escaped(title) << "</text></g>";
    return svg.str();
}

std::string caption_lines(const std::string &caption, double top) {
    std::ostringstream svg;
    std::istringstream lines(wrapped(caption, kCaptionWidth));
    std::string line;
    svg << "<text class='caption' x='" << at(kLeft) << "' y='" << at(top) << "'>";
    for (int number = 0; std::getline(lines, line); ++number) {
        svg << "<tspan x='" << at(kLeft) << "' dy='" << (number == 0 ? "0" : "1.3em") << "'>"
            << escaped(line) << "</tspan>";
    }
    svg << "</text>";
    return svg.str();
}

std::size_t caption_line_count(const std::string &caption) {
    const std::string lines = wrapped(caption, kCaptionWidth);
    return 1 + static_cast<std::size_t>(std::count(lines.begin(), lines.end(), '\n'));
}

}  // namespace

std::vector<double> axis_ticks(double low, double high) {
    if (!(high > low)) {
        const double half = low == 0 ? 1 : std::fabs(low) / 10;
        return axis_ticks(low - half, high + half);
    }
    const double step = tick_step(high - low);
    std::vector<double> ticks;
    const auto first = static_cast<long long>(std::floor(low / step));
    const auto last = static_cast<long long>(std::ceil(high / step));
    // Each tick is the number its label reads, without a floating-point
    // tail (0.6, not 3 times 0.2).
    for (long long k = first; k <= last; ++k) {
        ticks.push_back(
            std::strtod(tick_label(static_cast<double>(k) * step, step).c_str(), nullptr));
    }
    return ticks;
}

std::string tick_label(double value, double step) {
    const int decimals = std::max(0, -static_cast<int>(std::floor(std::log10(step) + 1e-9)));
    char text[48];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    const std::string label = text;
    return label == "-0" ? "0" : label;
}

void Figure::add(const Row &row) {
    const std::string label = plan_.curves ? shown_text(row[*plan_.curves]) : "";
    auto curve = std::find_if(curves_.begin(), curves_.end(),
                              [&label](const Curve &c) { return c.label == label; });
    if (curve == curves_.end()) {
        curves_.push_back({label, {}});
        curve = curves_.end() - 1;
    }
    const double x = number_in(row[plan_.x]);
    const double y = number_in(row[plan_.y]);
    if (std::isfinite(x) && std::isfinite(y)) {
        curve->points.emplace_back(x, y);
    }
}

std::vector<Figure::Curve> Figure::sorted_curves() const {
    std::vector<Curve> curves = curves_;
    for (Curve &curve : curves) {
        std::stable_sort(curve.points.begin(), curve.points.end(),
                         [](const auto &a, const auto &b) { return a.first < b.first; });
    }
    return curves;
}

std::string Figure::svg(const std::string &caption) const {
    const std::vector<Curve> curves = sorted_curves();
    constexpr double kNone = std::numeric_limits<double>::infinity();
    double x_low = kNone;
    double x_high = -kNone;
    double y_low = kNone;
    double y_high = -kNone;
    for (const Curve &curve : curves) {
        for (const auto &[x, y] : curve.points) {
            x_low = std::min(x_low, x);
            x_high = std::max(x_high, x);
            y_low = std::min(y_low, y);
            y_high = std::max(y_high, y);
        }
    }
    const bool power = plan_.y_title == "power";
    if (power || !std::isfinite(y_low)) {
        y_low = 0;
        y_high = 1;
    }
    if (!std::isfinite(x_low)) {
        x_low = 0;
        x_high = 1;
    }
    const std::vector<double> x_ticks = axis_ticks(x_low, x_high);
    const std::vector<double> y_ticks = axis_ticks(y_low, y_high);
    const Scale x{x_ticks.front(), x_ticks.back(), kLeft, kLeft + kPlotWidth};
    const Scale y{y_ticks.front(), y_ticks.back(), kTop + kPlotHeight, kTop};
    const double caption_top = kTop + kPlotHeight + 66;
    const double height =
        caption_top + kLineHeight * static_cast<double>(caption_line_count(caption));

    std::ostringstream svg;
    svg << "<?xml version='1.0' encoding='UTF-8'?>\n"
        << "<svg xmlns='http://www.w3.org/2000/svg' width='" << at(kWidth) << "' height='"
        << at(height) << "' viewBox='0 0 " << at(kWidth) << " " << at(height)
        << "' font-family='sans-serif' font-size='12'>\n"
        << "<title>" << escaped(plan_.y_title + " against " + plan_.x_title) << "</title>\n"
        << "<desc>" << escaped(caption) << "</desc>\n"
        << "<rect width='100%' height='100%' fill='#fff'/>\n"
        << y_axis(y_ticks, y, plan_.y_title) << "\n"
        << x_axis(x_ticks, x, plan_.x_title) << "\n";
    if (plan_.target && *plan_.target >= y.low && *plan_.target <= y.high) {
        svg << "<line class='target' data-value='" << exact_text(*plan_.target) << "' x1='"
            << at(kLeft) << "' y1='" << at(y(*plan_.target)) << "' x2='" << at(kLeft + kPlotWidth)
            << "' y2='" << at(y(*plan_.target)) << "' stroke='#555' stroke-dasharray='6 4'/>\n";
    }
    std::ostringstream legend;
    svg << "<g class='curves'>";
    legend << "<g class='legend'>";
    for (std::size_t k = 0; k < curves.size(); ++k) {
        const std::string name =
            plan_.curves ? plan_.curve_name + " " + curves[k].label : plan_.y_title;
        std::string xs;
        std::string ys;
        std::string points;
        for (const auto &[px, py] : curves[k].points) {
            xs += (xs.empty() ? "" : " ") + exact_text(px);
            ys += (ys.empty() ? "" : " ") + exact_text(py);
            points += (points.empty() ? "" : " ") + at(x(px)) + "," + at(y(py));
        }
        const char *colour = kColours[k % kMostCurves];
        // A curve of one point is that point, marked.
        if (curves[k].points.size() == 1) {
            svg << "\n<circle class='point' cx='" << at(x(curves[k].points[0].first)) << "' cy='"
                << at(y(curves[k].points[0].second)) << "' r='3' fill='" << colour << "'/>";
        }
        svg << "\n<polyline class='curve' data-label='" << escaped(name) << "' data-x='" << xs
            << "' data-y='" << ys << "' points='" << points << "' fill='none' stroke='" << colour
            << "' stroke-width='2'/>";
        const double row = kTop + 8 + kLineHeight * static_cast<double>(k);
        legend << "<g class='entry'><line x1='" << at(kLegendLeft) << "' y1='" << at(row)
               << "' x2='" << at(kLegendLeft + 24) << "' y2='" << at(row) << "' stroke='" << colour
               << "' stroke-width='2'/><text x='" << at(kLegendLeft + 30) << "' y='" << at(row + 4)
               << "'>" << escaped(name) << "</text></g>";
    }
    svg << "</g>\n" << legend.str() << "</g>\n";
    svg << caption_lines(caption, caption_top) << "\n</svg>\n";
    return svg.str();
}

}  // namespace vantor_cli
