// The association tests as they run on a study's counts: the statistics a
// simulated study is judged by.
//
// - allelic: the risk-allele rates of cases and controls, p1 = a1 / n1 and
//   p0 = a0 / n0 (allele counts), and z = (p1 - p0) / sqrt(V) with V from
//   the pooled rate p, p (1 - p) (1/n1 + 1/n0) (the allelic chi-square
//   test), or unpooled, p1 (1 - p1) / n1 + p0 (1 - p0) / n0 (the Wald test);
// - trend, dominant, recessive: the difference of the groups' mean genotype
//   scores (0, 1, 2), (0, 1, 1), (0, 0, 1) over its standard error, from the
//   score's variance in both groups together (pooled: the Cochran-Armitage
//   statistic) or in each group (unpooled);
// - genotypic: Pearson's chi-square of the 2 x 3 table of genotype counts; a
//   genotype absent from both groups adds nothing.
// A 1-df statistic is not a number where its variance is 0 with no
// difference (every allele or score alike: nothing to test), and infinite
// where an unpooled variance is 0 with a difference (complete separation).
// Sums are formed in a fixed order of doubles (counts below 2^53 are
// exact), so a statistic has the same bits on every platform.
//
// Internal to the library (C++). Pure functions.
#ifndef VANTOR_SIMULATION_COUNT_STATISTICS_H
#define VANTOR_SIMULATION_COUNT_STATISTICS_H

#include <cstdint>

namespace vantor {

// The allelic z of a1 risk alleles among n1 case alleles and a0 among n0
// control alleles.
double allelic_statistic(std::int64_t a1, std::int64_t n1, std::int64_t a0, std::int64_t n0,
                         bool pooled);

// The allelic z of genotype counts (0, 1, 2 risk alleles), two alleles a
// person.
double allelic_statistic_of_genotypes(const std::int64_t cases[3], const std::int64_t controls[3],
                                      bool pooled);

// The z of a genotype test of one degree of freedom (GEN_TREND, GEN_DOMINANT,
// GEN_RECESSIVE).
double score_statistic(std::int32_t test, const std::int64_t cases[3],
                       const std::int64_t controls[3], bool pooled);

// Pearson's chi-square of the 2 x 3 table.
double genotypic_statistic(const std::int64_t cases[3], const std::int64_t controls[3]);

}  // namespace vantor

#endif
