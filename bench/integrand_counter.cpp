// Every call of the integrator from the library arrives here (the program is
// linked with --wrap for both entry points) and integrates through a counting
// trampoline around the caller's function.
#include "bench/integrand_counter.h"

#include <cstdint>

#include "numeric/MTH_numerical_integrate.h"
#include "numeric/MTH_types.h"

// The names are fixed by the linker's --wrap convention.
// NOLINTBEGIN(bugprone-reserved-identifier,cert-dcl37-c,cert-dcl51-cpp)
extern "C" double __real_MTH_simple_num_integrate(MTH_function f, double lower, double upper,
                                                  MTH_parameters params, double tolerance);
extern "C" double __real_MTH_num_integrate(MTH_function f, double lower, double upper,
                                           MTH_parameters params, double relative_tolerance,
                                           double absolute_tolerance);
// NOLINTEND(bugprone-reserved-identifier,cert-dcl37-c,cert-dcl51-cpp)

namespace {

thread_local MTH_function current_integrand = nullptr;
thread_local std::int64_t evaluation_count = 0;

double counting_integrand(double x, MTH_parameters params) {
    ++evaluation_count;
    return current_integrand(x, params);
}

// Counts the evaluations of one integral. The outer integrand is saved and
// restored so that an integral inside an integrand still counts against the
// right function.
template <typename Integrate>
double counted(MTH_function f, Integrate integrate) {
    const MTH_function outer = current_integrand;
    current_integrand = f;
    const double integral = integrate(counting_integrand);
    current_integrand = outer;
    return integral;
}

}  // namespace

// NOLINTBEGIN(bugprone-reserved-identifier,cert-dcl37-c,cert-dcl51-cpp)
extern "C" double __wrap_MTH_simple_num_integrate(MTH_function f, double lower, double upper,
                                                  MTH_parameters params, double tolerance) {
    return counted(f, [=](MTH_function counting) {
        return __real_MTH_simple_num_integrate(counting, lower, upper, params, tolerance);
    });
}

extern "C" double __wrap_MTH_num_integrate(MTH_function f, double lower, double upper,
                                           MTH_parameters params, double relative_tolerance,
                                           double absolute_tolerance) {
    return counted(f, [=](MTH_function counting) {
        return __real_MTH_num_integrate(counting, lower, upper, params, relative_tolerance,
                                        absolute_tolerance);
    });
}
// NOLINTEND(bugprone-reserved-identifier,cert-dcl37-c,cert-dcl51-cpp)

std::int64_t integrand_evaluations() { return evaluation_count; }
