// Counts how often the library evaluates the functions it integrates.
#ifndef VANTOR_BENCH_INTEGRAND_COUNTER_H
#define VANTOR_BENCH_INTEGRAND_COUNTER_H

#include <cstdint>

// Evaluations of integrands on the calling thread since it started.
std::int64_t integrand_evaluations();

#endif
