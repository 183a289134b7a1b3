// Draws of counts: a binomial count, and the counts of three classes among
// n draws (a multinomial), from their distributions (the probabilities
// accurate to about 1e-11 relative) and the same on every platform.
//
// A binomial distribution's probabilities are formed from its mode outward
// by the ratio of neighbouring terms, P(k+1) / P(k) = (n - k) p / ((k + 1) q),
// in additions, multiplications and divisions only (no exp, log or lgamma,
// whose last bit may differ between libraries), normalised by their sum, and
// cut where a term falls below 2^-60 of the mode's: what is cut weighs less
// than 2^-53 of the whole, below the resolution of the uniform numbers
// drawn. A draw inverts the cumulative distribution with one uniform number
// and a guide table (H.-C. Chen and Y. Asau, "On generating random variates
// from an empirical distribution", AIIE Transactions 6, 163-166, 1974): about
// two comparisons a draw, whatever n.
//
// Three classes are drawn as the rarest class's count, binomial, then the
// split of the rest between the other two, binomial given the rest. The
// rest varies from draw to draw, so its binomial is drawn as a sum of
// binomials of the same probability and fixed sizes (exact: independent
// binomials of one probability add up to one): the smallest rest the first
// draw leaves, and 2^k for each bit k of the rest beyond it. Every table is
// built once per ClassDraw, about log2 of the first draw's range of them.
//
// Internal to the library (C++). An object belongs to one thread.
#ifndef VANTOR_NUMERIC_COUNT_DRAWS_H
#define VANTOR_NUMERIC_COUNT_DRAWS_H

#include <cstdint>
#include <vector>

#include "numeric/random.h"

namespace vantor {

// Binomial(trials, probability): trials >= 0, probability in [0, 1] (a
// probability outside, or not a number, is taken as 0).
class BinomialDraw {
public:
    BinomialDraw(std::int64_t trials, double probability);

    std::int64_t draw(Random &random) const {
        const double u = random.uniform();
        const std::size_t size = cumulative_.size();
        std::size_t slot = static_cast<std::size_t>(u * static_cast<double>(size));
        std::size_t i = guide_[slot < size ? slot : size - 1];
        while (cumulative_[i] <= u) {
            ++i;
        }
        // u * size may round up into the next slot: step back to the first.
        while (i > 0 && cumulative_[i - 1] > u) {
            --i;
        }
        return first_ + static_cast<std::int64_t>(i);
    }

    // The smallest and largest count a draw gives.
    [[nodiscard]] std::int64_t first() const { return first_; }
    [[nodiscard]] std::int64_t last() const {
        return first_ + static_cast<std::int64_t>(cumulative_.size()) - 1;
    }

private:
    std::int64_t first_ = 0;          // the count of cumulative_[0]
    std::vector<double> cumulative_;  // P(X <= first_ + i); the last exactly 1
    std::vector<std::uint32_t> guide_;
};

// The counts of three classes among `trials` draws of the class
// probabilities given (non-negative, summing to about 1; they are divided by
// their sum).
class ClassDraw {
public:
    ClassDraw(std::int64_t trials, const double probabilities[3]);

    void draw(Random &random, std::int64_t counts[3]);

private:
    // The count of the second class among `rest`.
    std::int64_t second_of(std::int64_t rest, Random &random);

    std::int64_t trials_;
    int rarest_ = 0;
    int second_ = 1;
    int third_ = 2;
    double second_share_ = 0;  // P(second | not rarest)
    BinomialDraw rarest_draw_;
    std::int64_t smallest_rest_ = 0;    // trials_ less the rarest's largest count
    BinomialDraw smallest_rest_draw_;   // the second class among smallest_rest_
    std::vector<BinomialDraw> powers_;  // ... among 2^k, k = 0, 1, ...
};

}  // namespace vantor

#endif
