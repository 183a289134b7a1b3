// The program's subcommands: the library's inputs each takes, in the order
// its help and rows list them, and what it says of itself.
//
//   vantor power      a single-stage study: the one of cases, controls,
//                     effect and power left open is solved;
//   vantor two-stage  the power and cost of a two-stage design, or the
//                     smallest total for a power;
//   vantor design     the cheapest two-stage design for a power, or the most
//                     powerful within a budget.
#include <cstdint>
#include <string>

#include "front/vantor/command.h"
#include "question/ask.h"
#include "question/records.h"

namespace vantor_cli {

namespace {

// The program answers every analysis unless told one: its default, said
// once, in place of the library's.
void answer_every_method(Command &command) {
    Parameter &method = command.parameters.front();
    method.default_text = "replication,product,joint";
    method.help = ASK_input_at(method.input)->meaning;
}

Command make_power_command() {
    const std::string summary =
        "single-stage study: solve the one of cases, controls, effect and "
        "power left open";
    const std::string description =
        "Single-stage study. The effect is an allelic odds ratio with the risk-allele rate among "
        "controls (--odds-ratio, --control-rate), or a disease model: the risk allele's "
        "--frequency, the disease's --prevalence, the genetic --model and its --relative-risk "
        "(the free model: --heterozygote-risk and --homozygote-risk), the --controls-kind, and a "
        "marker in linkage disequilibrium with the risk allele (--marker-frequency with --d-prime "
        "or --r-squared; neither: the marker is the causal variant). --test chooses the "
        "association test (allelic; with a disease model also trend, dominant, recessive or "
        "genotypic, which count people).\n\n"
        "Leave exactly one of --cases, --controls (or --controls-per-case), the effect "
        "(--odds-ratio or --relative-risk) and --target-power open: it is solved; with "
        "--cases-per-control and --cases open, the cases and controls are solved together. With "
        "the effect open, the detectable odds ratio (or relative risk) above 1 and the one below "
        "1 are found, one row each (--direction above or below chooses one). A solved size is "
        "the smallest from which every larger size reaches the target power. The level --alpha "
        "is 5e-8 (genome-wide significance) unless given; with --markers M above 1 it is 0.05, "
        "the study-wide level, and each marker is tested at alpha / M (marker-alpha). Every row "
        "shows the level, and what the test sees at the marker: the risk-allele rates among "
        "cases and controls and the allelic odds ratio they imply.\n\n"
        "Examples:\n"
        "  vantor power --cases 2000 --controls 2000 --odds-ratio 1.3 --control-rate 0.3\n"
        "  vantor power --controls-per-case 1 -o 1.2 -r 0.3 --target-power 0.8\n"
        "  vantor power -n 2000 -m 2000 -r 0.3 -a 5e-8 -p 0.8 --direction above --format csv\n"
        "  vantor power --frequency 0.2 --prevalence 0.1 --relative-risk 1.5 --model additive \\\n"
        "      --test trend --markers 1e6 --cases 1000 --controls 2000";
    return make_command("power", summary, description, 1, nullptr,
                        {REC_POWER_RESULT, REC_SIZE_RESULT, REC_EFFECT_RESULT, REC_RISK_RESULT});
}

Command make_two_stage_command() {
    const std::string summary =
        "two-stage study: the power and cost of a design, or the smallest total for a power";
    const std::string description =
        "Two-stage study: stage 1 types every marker, stage 2 only the markers passing the stage "
        "1 level --stage1-alpha. The final level final-alpha is derived from it and the overall "
        "level --alpha (5e-8 unless given; 0.05, study-wide, with --markers above 1: the stages "
        "then test each marker at alpha / markers), and shown. The effect is an odds ratio and "
        "control rate or a disease model (as vantor power takes it): the allelic test's analyses "
        "take the odds ratio and control rate at the marker, the trend, dominant and recessive "
        "tests' the model's genotypes (--test; the genotypic test is single-stage). Give the four "
        "counts of the stages "
        "(--stage1-cases, --stage1-controls, --stage2-cases, --stage2-controls) or --total and "
        "--stage1-share to get the design's power and genotyping cost per marker (stage 1's "
        "total + cost ratio x stage 1 level x stage 2's total), or --target-power and "
        "--stage1-share to get the smallest total reaching it, with its cost at --cost-ratio and "
        "the one-stage study of the same power (one-stage-total, relative-cost); the smallest "
        "total keeps within the people available (--cases-available, --controls-available, "
        "--stage1-controls-available, --stage2-controls-available) and the --panel. A total "
        "splits into "
        "stages by --stage1-share and each stage into cases and controls by --case-fraction "
        "(halves rounded up). Costs in money instead of a cost ratio: --stage1-cost-per-person "
        "(the array), --stage2-cost-per-person, --stage2-cost-per-genotype (an assay per person "
        "and marker, with --markers), --stage1-fixed-cost, --stage2-fixed-cost give "
        "cost-in-money and one-stage-cost-in-money. Every method named in --method is "
        "answered.\n\n"
        "Examples:\n"
        "  vantor two-stage --total 6000 --stage1-share 0.4 --stage1-alpha 1e-3 -o 1.3 -r 0.3\n"
        "  vantor two-stage --stage1-cases 1200 --stage1-controls 1200 --stage2-cases 1800 \\\n"
        "      --stage2-controls 1800 --stage1-alpha 1e-3 -o 1.3 -r 0.3\n"
        "  vantor two-stage --method joint -s 0.4 --stage1-alpha 1e-3 -o 1.3 -r 0.3 -p 0.8\n"
        "  vantor two-stage --total 6000 -s 0.4 --stage1-alpha 1e-3 --frequency 0.2 \\\n"
        "      --prevalence 0.1 --relative-risk 1.3\n"
        "  vantor two-stage --method joint -s 0.4 --stage1-alpha 1e-3 -o 1.3 -r 0.3 -p 0.8 \\\n"
        "      --cost-ratio 3";
    Command command =
        make_command("two-stage", summary, description, 2, nullptr, {REC_DESIGN_RESULT});
    answer_every_method(command);
    return command;
}

Command make_design_command() {
    const std::string summary =
        "two-stage study: the cheapest design for a power, or the most powerful "
        "for a budget";
    const std::string description =
        "Chooses stage 1's share and the stage 1 level. The genotyping cost per marker is n1 + c "
        "stage1-alpha n2 (n1, n2 the stages' people or alleles, c the --cost-ratio of a stage 2 "
        "genotype to a stage 1 one); relative-cost compares it with one-stage-total, the "
        "one-stage study of the same power at --alpha (5e-8 unless given; 0.05, study-wide, with "
        "--markers above 1, each marker then judged at alpha / markers). The effect is an odds "
        "ratio and control rate or a disease model (as vantor power takes it), tested by the "
        "allelic test or, with a model, the trend, dominant or recessive test. stage1-weight is "
        "stage 1's share of the joint statistic's information. With --target-power the cheapest "
        "design reaching it, with --budget the most powerful design within it.\n\n"
        "Limits: --cases-available and --controls-available (both stages together), "
        "--stage1-controls-available and --stage2-controls-available, and --panel, the most "
        "markers stage 2 can type (with --markers M: M x stage1-alpha, the markers without "
        "effect expected to pass stage 1, stays within it; stage2-markers shows it). "
        "--stage1-alpha or --stage1-share given is kept, not searched. With cases or controls "
        "limited and no --case-fraction, each stage's case fraction is chosen too "
        "(stage1-case-fraction, stage2-case-fraction). binding-limit names the limit the design "
        "reaches (to within 1 %); when none can be kept the answer is not reachable, with the "
        "reason. Costs in money (--stage1-cost-per-person, the array; --stage2-cost-per-person; "
        "--stage2-cost-per-genotype, an assay per person and marker; fixed costs per stage) "
        "replace the cost ratio: the search then minimises, or keeps within --budget, money "
        "(cost-in-money, and one-stage-cost-in-money for the one-stage study).\n\n"
        "Examples:\n"
        "  vantor design --method joint -o 1.3 -r 0.3 -p 0.8\n"
        "  vantor design --method replication --budget 5000 -o 1.3 -r 0.3\n"
        "  vantor design --method joint --frequency 0.2 --prevalence 0.1 --relative-risk 1.3 \\\n"
        "      --markers 3e5 -p 0.8\n"
        "  vantor design --method joint --frequency 0.25 --prevalence 0.01 --relative-risk 1.3 \\\n"
        "      --markers 1e6 -p 0.8 --cost-ratio 3 --panel 2000\n"
        "  vantor design --method joint -o 1.3 -r 0.3 --budget 400000 --cases-available 3000 \\\n"
        "      --controls-available 6000 --markers 1e6 --stage1-cost-per-person 60 \\\n"
        "      --stage2-cost-per-genotype 0.1";
    // A stage 1 level or share kept fixed shows in the design's own columns
    // (its level, its stages' counts), where the searched ones show.
    Command command = make_command("design", summary, description, 2, "design", {REC_DESIGN_RESULT},
                                   {"stage1-alpha", "stage1-share"});
    answer_every_method(command);
    return command;
}

}  // namespace

const Command &power_command() {
    static const Command command = make_power_command();
    return command;
}

const Command &two_stage_command() {
    static const Command command = make_two_stage_command();
    return command;
}

const Command &design_command() {
    static const Command command = make_design_command();
    return command;
}

}  // namespace vantor_cli
