/* The arithmetic rule of the vantor library, stated in its sources.
 *
 * Every result is defined to the last bit: the order and rounding of each
 * floating-point operation are part of the interface. A compiler that
 * contracts a*b+c into one fused multiply-add (GCC does by default in GNU
 * modes wherever the target has one, e.g. with -march=x86-64-v3) or that
 * reorders under fast-math gives other bits. The build flags say
 * -ffp-contract=off, but the R package compiles with R's flags and anyone may
 * compile the sources with their own, so each library source includes this
 * header first and the rule holds whatever the flags:
 *
 *  - GCC: #pragma GCC optimize("fp-contract=off") applies to every function
 *    defined after it, and wins over -ffp-contract=fast on the command line.
 *  - Clang: #pragma STDC FP_CONTRACT OFF, honoured under -ffp-contract=on (its
 *    default) and off; -ffp-contract=fast makes Clang ignore it, so do not
 *    give Clang that flag.
 *  - -ffast-math (__FAST_MATH__) stops the build.
 *
 * Library-internal: not installed, included by library sources only. */
#ifndef MTH_ARITHMETIC_RULE_H
#define MTH_ARITHMETIC_RULE_H

#ifdef __FAST_MATH__
#error "the vantor library is defined to the last bit: build it without -ffast-math"
#endif

#if defined(__clang__)
#pragma STDC FP_CONTRACT OFF
#elif defined(__GNUC__)
#pragma GCC optimize("fp-contract=off")
#endif

#endif
