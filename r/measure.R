# Timings of the R package, in one R session: one vantor_power() call of
# 10,000 single-stage powers (best of 10) against stats::power.prop.test()
# looped over the same 10,000 sizes, measured three times in turn; a grid of
# 100 two-stage powers (method "joint") and one joint cheapest design. Run with
# the package installed: Rscript r/measure.R. Nothing here is asserted; the
# numbers are quoted in docs/speed.md and r/vantor/README.md.
library(vantor)
n <- 1:10000
control_rate <- 0.3
odds_ratio <- 1.3
case_rate <- odds_ratio * control_rate / (odds_ratio * control_rate + 1 - control_rate)
seconds <- function(f) {
    start <- Sys.time()
    f()
    as.numeric(Sys.time() - start, units = "secs")
}
ours <- function() {
    vantor_power(cases = n, controls = n, odds_ratio = odds_ratio, control_rate = control_rate,
                 alpha = 0.05, count = "alleles")
}
theirs <- function() {
    for (i in n) {
        stats::power.prop.test(n = i, p1 = case_rate, p2 = control_rate, sig.level = 0.05,
                               strict = TRUE)
    }
}
invisible(ours())
# Each timing starts from a collected heap, so that neither side pays for
# the garbage the other left.
timed <- function(f) {
    invisible(gc())
    seconds(f)
}
for (round in 1:3) {
    loop <- timed(theirs)
    best <- min(vapply(1:10, function(k) timed(ours), numeric(1L)))
    cat(sprintf("vantor_power of 10,000 sizes %.2f ms (best of 10), power.prop.test loop %.3f s: 1/%.0f\n",
                1000 * best, loop, loop / best))
}
g <- expand.grid(cases = seq(1000, 10000, 1000), odds_ratio = seq(1.1, 1.55, 0.05))
t_two <- seconds(function() {
    vantor_two_stage_power(g$cases / 2, g$cases / 2, g$cases, g$cases, g$odds_ratio, 0.3, 5e-8,
                           stage1_alpha = 1e-3, method = "joint")
})
cat(sprintf("100 joint two-stage powers: %.3f s\n", t_two))
cat(sprintf("one joint cheapest design: %.3f s\n", seconds(function() vantor_cheapest_design(1.3, 0.3))))
