# Timings of the R package, in one R session: a 10,000-element single-stage
# call against stats::power.prop.test() looped over the same 10,000 sizes, a
# grid of 100 two-stage powers (method "joint") and one joint cheapest
# design. Run with the package installed: Rscript r/measure.R. Nothing here is
# asserted; the numbers are quoted in r/vantor/README.md.
library(vantor)
sizes <- seq(100, by = 10, length.out = 10000)
p <- 0.3; or <- 1.3; p1 <- or * p / (or * p + 1 - p)
invisible(vantor_power(sizes, sizes, or, p, 5e-8, count = "alleles"))
t_ours <- system.time(for (k in 1:200) vantor_power(sizes, sizes, or, p, 5e-8, count = "alleles"))[["elapsed"]] / 200
t_theirs <- system.time(for (n in sizes) power.prop.test(n = n, p1 = p1, p2 = p, sig.level = 5e-8, strict = TRUE))[["elapsed"]]
cat(sprintf("vantor_power, 10000 elements: %.2f ms per call (mean of 200)\n", 1000 * t_ours))
cat(sprintf("power.prop.test looped over 10000 sizes: %.3f s\n", t_theirs))
g <- expand.grid(cases = seq(1000, 10000, 1000), odds_ratio = seq(1.1, 1.55, 0.05))
t_two <- system.time(r <- vantor_two_stage_power(g$cases / 2, g$cases / 2, g$cases, g$cases, g$odds_ratio, 0.3, 5e-8, stage1_alpha = 1e-3, method = "joint"))[["elapsed"]]
cat(sprintf("100 joint two-stage powers: %.3f s (%d rows, all found: %s)\n", t_two, nrow(r), all(r$status == "found")))
t_cheap <- system.time(vantor_cheapest_design(1.3, 0.3))[["elapsed"]]
cat(sprintf("one joint cheapest design: %.3f s\n", t_cheap))
