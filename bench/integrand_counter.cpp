// Every call of MTH_simple_num_integrate from the library arrives here (the
// benchmark is linked with --wrap) and integrates through a counting
// trampoline around the caller's function.
#include "bench/integrand_counter.h"

#include <cstdint>

#include "numeric/MTH_numerical_integrate.h"
#include "numeric/MTH_types.h"

// The names are fixed by the linker's --wrap convention.
extern "C" double
__real_MTH_simple_num_integrate(  // NOLINT(bugprone-reserved-identifier,cert-dcl37-c,cert-dcl51-cpp)
    MTH_function f, double lower, double upper, MTH_parameters params, double tolerance);

namespace {

MTH_function current_integrand = nullptr;
std::int64_t evaluation_count = 0;

double counting_integrand(double x, MTH_parameters params) {
    ++evaluation_count;
    return current_integrand(x, params);
}

}  // namespace

extern "C" double
__wrap_MTH_simple_num_integrate(  // NOLINT(bugprone-reserved-identifier,cert-dcl37-c,cert-dcl51-cpp)
    MTH_function f, double lower, double upper, MTH_parameters params, double tolerance) {
    // Saved and restored so that an integral inside an integrand still counts
    // against the right function.
    const MTH_function outer = current_integrand;
    current_integrand = f;
    const double integral =
        __real_MTH_simple_num_integrate(counting_integrand, lower, upper, params, tolerance);
    current_integrand = outer;
    return integral;
}

std::int64_t integrand_evaluations() { return evaluation_count; }
