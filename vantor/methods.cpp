// The methods paragraph and the figure caption of an answer: sentences built
// from the request's inputs as the library takes them and from the answer's
// fields, so that every front end gives the same words.
// The arithmetic rule holds for all that follows, so it comes first.
// clang-format off
#include "numeric/MTH_arithmetic_rule.h"
#include "vantor/methods.h"
// clang-format on

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "disease/disease_model.h"
#include "question/records.h"
#include "vantor/version.h"

namespace {

// ---- Numbers in words -------------------------------------------------------

// "1e+06" as "1e6", "5e-08" as "5e-8": the exponent without its padding.
std::string plain_exponent(const std::string &text) {
    const std::size_t e = text.find('e');
    if (e == std::string::npos) {
        return text;
    }
    std::string exponent = text.substr(e + 1);
    const bool negative = !exponent.empty() && exponent[0] == '-';
    if (!exponent.empty() && (exponent[0] == '-' || exponent[0] == '+')) {
        exponent.erase(0, 1);
    }
    exponent.erase(0, std::min(exponent.find_first_not_of('0'), exponent.size() - 1));
    return text.substr(0, e + 1) + (negative ? "-" : "") + exponent;
}

std::string digits_text(double value, int digits) {
    char text[40];
    std::snprintf(text, sizeof text, "%.*g", digits, value);
    return text;
}

std::string count_text(double value);

// The largest value a whole number is written out in full (1e15 markers).
constexpr double kLargestWritten = 1e15;

// A value given: a whole one in full with its thousands separated ("5,000",
// "10"), any other in the fewest digits that read back to it ("5e-8").
std::string given_text(double value) {
    if (!std::isfinite(value)) {
        return digits_text(value, 6);
    }
    if (value == std::floor(value) && std::fabs(value) < kLargestWritten) {
        return count_text(value);
    }
    for (int digits = 1; digits < 17; ++digits) {
        const std::string text = digits_text(value, digits);
        if (std::strtod(text.c_str(), nullptr) == value) {
            return plain_exponent(text);
        }
    }
    return plain_exponent(digits_text(value, 17));
}

// A whole count with its thousands separated: "12,008".
std::string count_text(double value) {
    if (!std::isfinite(value)) {
        return digits_text(value, 6);
    }
    char digits[32];
    std::snprintf(digits, sizeof digits, "%.0f", std::fabs(value));
    std::string text = digits;
    for (int at = static_cast<int>(text.size()) - 3; at > 0; at -= 3) {
        text.insert(at, ",");
    }
    return value < 0 ? "-" + text : text;
}

constexpr int kComputedDigits = 4;

// The relative distance from a round number within which a computed value
// is taken as that number when rounded in a direction.
constexpr double kRoundingNoise = 1e-12;

// The four significant digits of a computed value, as a mantissa 1000..9999
// and a decimal exponent, moved one unit towards `up` (true) or down (false)
// when the nearest ones lie on the wrong side of the value.
std::string directed_digits(double value, bool up) {
    char text[40];
    std::snprintf(text, sizeof text, "%.*e", kComputedDigits - 1, value);
    const double nearest = std::strtod(text, nullptr);
    // A level within rounding noise of a round number is that number
    // (1e-4, not 9.999e-5, for 9.9999999999999991e-5).
    if ((up ? nearest >= value : nearest <= value) ||
        std::fabs(nearest - value) <= kRoundingNoise * value) {
        return text;
    }
    int mantissa = (text[0] - '0') * 1000 + static_cast<int>(std::strtol(text + 2, nullptr, 10));
    int exponent = static_cast<int>(std::strtol(std::strchr(text, 'e') + 1, nullptr, 10));
    mantissa += up ? 1 : -1;
    if (mantissa > 9999) {
        mantissa = 1000;
        ++exponent;
    } else if (mantissa < 1000) {
        mantissa = 9999;
        --exponent;
    }
    std::snprintf(text, sizeof text, "%d.%03de%d", mantissa / 1000, mantissa % 1000, exponent);
    return text;
}

// A computed value to four significant digits, rounded as a table for people
// rounds the field (REC_field_rounding), so a value read from the paragraph
// and used again still reaches what it was solved for; from 1,000 on in full
// with its thousands ("52,700 markers").
std::string computed_text(double value, std::int32_t rounding) {
    if (!std::isfinite(value) || value <= 0) {
        return given_text(value);
    }
    if (value >= 1e3 && value < kLargestWritten && rounding == REC_ROUND_NEAREST) {
        return count_text(std::strtod(digits_text(value, kComputedDigits).c_str(), nullptr));
    }
    std::string digits;
    if (rounding == REC_ROUND_DOWN) {
        digits = directed_digits(value, false);
    } else if (rounding == REC_ROUND_AWAY_FROM_ONE) {
        digits = directed_digits(value, value > 1);
    } else {
        digits = digits_text(value, kComputedDigits);
    }
    return plain_exponent(digits_text(std::strtod(digits.c_str(), nullptr), kComputedDigits));
}

// ---- What the request took and the answer found --------------------------

class Answered {
public:
    Answered(const ASK_request *request, const ASK_answer *answer, std::int32_t skip_a,
             std::int32_t skip_b)
        : request_(request), answer_(answer), skip_a_(skip_a), skip_b_(skip_b) {}

    [[nodiscard]] bool given(const char *name) const {
        const std::int32_t index = ASK_input_index(name);
        return ASK_is_given(request_, index) != 0 && index != skip_a_ && index != skip_b_;
    }
    [[nodiscard]] bool shown(const char *name) const {
        const std::int32_t index = ASK_input_index(name);
        return index != skip_a_ && index != skip_b_;
    }
    [[nodiscard]] double taken(const char *name) const {
        return ASK_input_taken(request_, ASK_input_index(name));
    }
    // The word the request took for a choice input ("" when it has none).
    [[nodiscard]] std::string word(const char *name) const {
        const ASK_input *input = ASK_input_at(ASK_input_index(name));
        const double code = taken(name);
        if (input == nullptr || !std::isfinite(code)) {
            return "";
        }
        const char *word = REC_choice_name(input->choice, static_cast<std::int32_t>(code));
        return word != nullptr ? word : "";
    }
    [[nodiscard]] double result(const char *name) const { return ASK_result_number(answer_, name); }
    [[nodiscard]] std::string result_text(const char *name) const {
        return computed_text(result(name), REC_field_rounding(answer_->record, name));
    }
    [[nodiscard]] std::string question() const {
        const REC_question *question = REC_question_at(answer_->question);
        return question != nullptr ? question->name : "";
    }
    [[nodiscard]] bool disease_described() const {
        return ASK_is_given(request_, ASK_input_index("frequency")) != 0 ||
               ASK_is_given(request_, ASK_input_index("prevalence")) != 0;
    }
    [[nodiscard]] bool two_stages() const { return answer_->record == REC_DESIGN_RESULT; }
    [[nodiscard]] const ASK_answer &answer() const { return *answer_; }

private:
    const ASK_request *request_;
    const ASK_answer *answer_;
    std::int32_t skip_a_;
    std::int32_t skip_b_;
};

// ---- References -----------------------------------------------------------

enum Reference {
    kFleiss,
    kSasieni,
    kArmitage,
    kPurcell,
    kPritchard,
    kDunn,
    kSatagopan,
    kSkol,
    kBauer,
    kReferences
};

constexpr const char *kReferenceText[kReferences] = {
    "Fleiss JL, Levin B, Paik MC. Statistical Methods for Rates and Proportions, 3rd edition. "
    "Wiley, 2003.",
    "Sasieni PD. From genotypes to genes: doubling the sample size. Biometrics 1997;53:1253-1261.",
    "Armitage P. Tests for linear trends in proportions and frequencies. Biometrics "
    "1955;11:375-386.",
    "Purcell S, Cherny SS, Sham PC. Genetic Power Calculator: design of linkage and association "
    "genetic mapping studies of complex traits. Bioinformatics 2003;19:149-150.",
    "Pritchard JK, Przeworski M. Linkage disequilibrium in humans: models and data. Am J Hum "
    "Genet 2001;69:1-14.",
    "Dunn OJ. Multiple comparisons among means. J Am Stat Assoc 1961;56:52-64.",
    "Satagopan JM, Verbel DA, Venkatraman ES, Offit KE, Begg CB. Two-stage designs for "
    "gene-disease association studies. Biometrics 2002;58:163-170.",
    "Skol AD, Scott LJ, Abecasis GR, Boehnke M. Joint analysis is more efficient than "
    "replication-based analysis for two-stage genome-wide association studies. Nat Genet "
    "2006;38:209-213.",
    "Bauer P, K\xc3\xb6hne K. Evaluation of experiments with adaptive interim analyses. "
    "Biometrics 1994;50:1029-1041.",
};

constexpr const char *kCitation[kReferences] = {
    "Fleiss et al. 2003",
    "Sasieni 1997",
    "Armitage 1955",
    "Purcell et al. 2003",
    "Pritchard and Przeworski 2001",
    "Dunn 1961",
    "Satagopan et al. 2002",
    "Skol et al. 2006",
    "Bauer and K\xc3\xb6hne 1994",
};

// The paragraph's sentences and the references they cite, in citing order.
class Paragraph {
public:
    void say(const std::string &sentence) { text_ += (text_.empty() ? "" : " ") + sentence; }
    // "Dunn 1961", the reference kept for the list.
    std::string cite(Reference reference) {
        bool known = false;
        for (Reference cited : cited_) {
            known = known || cited == reference;
        }
        if (!known) {
            cited_.push_back(reference);
        }
        return kCitation[reference];
    }
    // " (Dunn 1961)".
    std::string cited(Reference reference) { return " (" + cite(reference) + ")"; }
    [[nodiscard]] std::string text() const {
        std::string whole = text_ + "\nCalculated with vantor " + vantor_version() + ".";
        if (cited_.empty()) {
            return whole;
        }
        whole += "\nReferences:";
        for (Reference reference : cited_) {
            whole += std::string("\n") + kReferenceText[reference];
        }
        return whole;
    }

private:
    std::string text_;
    std::vector<Reference> cited_;
};

// ---- The sentences ----------------------------------------------------------

// "2,000 cases", or "2,000 case alleles" when the study counts alleles.
std::string group_text(const Answered &a, double count, const char *group) {
    const bool alleles = a.answer().count == VANTOR_COUNT_ALLELES;
    return count_text(count) + " " + group + (alleles ? " alleles" : "s");
}

std::string groups_text(const Answered &a, double cases, double controls) {
    return group_text(a, cases, "case") + " and " + group_text(a, controls, "control");
}

std::string everyone_text(const Answered &a) {
    return count_text(a.result("total")) +
           (a.answer().count == VANTOR_COUNT_ALLELES ? " alleles in all" : " people in all");
}

std::string stages_text(const Answered &a) {
    const double markers = a.taken("markers");
    const std::string expected =
        markers > 1 ? " (" + computed_text(a.result("stage2_markers"), REC_ROUND_NEAREST) +
                          " markers expected)"
                    : "";
    return "stage 1 genotypes " +
           groups_text(a, a.result("stage1_cases"), a.result("stage1_controls")) +
           " at every marker, and stage 2 genotypes " +
           groups_text(a, a.result("stage2_cases"), a.result("stage2_controls")) +
           " at the markers whose stage 1 p-value is below " + a.result_text("stage1_alpha") +
           expected;
}

std::string effect_name(const Answered &a) {
    return a.disease_described() ? "genotype relative risk" : "allelic odds ratio";
}

std::string target_text(const Answered &a) { return given_text(a.taken("target_power")); }

std::string power_text(const Answered &a) { return a.result_text("power"); }

// The counts a power or an effect was asked of: the controls given, or those
// of the controls per case.
std::string asked_groups(const Answered &a) {
    const double controls =
        a.given("controls") ? a.taken("controls") : static_cast<double>(a.answer().controls);
    return groups_text(a, a.taken("cases"), controls);
}

// What a size question held and what it solved, by its question.
std::string size_sentence(const Answered &a) {
    const std::string q = a.question();
    const std::string power = " for a power of " + target_text(a) + " was solved for: ";
    if (q == "cases_for_controls") {
        return "The number of cases a single-stage case-control study needs beside " +
               group_text(a, a.taken("controls"), "control") + power +
               group_text(a, a.result("cases"), "case") + ".";
    }
    if (q == "controls_for_cases") {
        return "The number of controls a single-stage case-control study needs beside " +
               group_text(a, a.taken("cases"), "case") + power +
               group_text(a, a.result("controls"), "control") + ".";
    }
    const std::string ratio = q == "cases_for_ratio"
                                  ? given_text(a.taken("controls_per_case")) + " controls per case"
                                  : given_text(a.taken("cases_per_control")) + " cases per control";
    return "The smallest single-stage case-control study of " + ratio + " with a power of " +
           target_text(a) +
           " was solved for: " + groups_text(a, a.result("cases"), a.result("controls")) + ".";
}

std::string single_stage_sentence(const Answered &a) {
    const std::string q = a.question();
    if (q == "power") {
        return "Power was computed for a single-stage case-control study of " + asked_groups(a) +
               ": " + power_text(a) + ".";
    }
    if (q == "odds_ratio" || q == "relative_risk") {
        const char *side = a.answer().direction == STU_BELOW_ONE ? "below" : "above";
        return "The " + effect_name(a) + " " + side + " 1 nearest to 1 that a single-stage " +
               "case-control study of " + asked_groups(a) + " detects with a power of " +
               target_text(a) + " was solved for: " + a.result_text(q.c_str()) + ".";
    }
    return size_sentence(a);
}

// The people available and the panel a design keeps within, after `lead`.
std::string limits_text(const Answered &a, const char *lead) {
    static const char *const kLimits[][2] = {
        {"cases_available", "cases available"},
        {"controls_available", "controls available"},
        {"stage1_controls_available", "stage 1 controls available"},
        {"stage2_controls_available", "stage 2 controls available"},
        {"panel", "markers at most in the stage 2 panel"}};
    std::string limits;
    for (const auto &limit : kLimits) {
        if (!a.given(limit[0])) {
            continue;
        }
        limits += (limits.empty() ? "" : ", ") + count_text(a.taken(limit[0])) + " " + limit[1];
    }
    return limits.empty() ? "" : lead + limits;
}

bool costs_in_money(const Answered &a) { return a.given("stage1_cost_per_person"); }

// What a design's genotypes cost: each cost in money given, or the ratio.
std::string cost_text(const Answered &a) {
    if (costs_in_money(a)) {
        // A cost not given is none.
        const auto money = [&a](const char *name) {
            return given_text(a.given(name) ? a.taken(name) : 0.0);
        };
        return " (stage 1 costing " + money("stage1_cost_per_person") + " a person, stage 2 " +
               money("stage2_cost_per_person") + " a person and " +
               money("stage2_cost_per_genotype") + " a genotype, fixed costs " +
               money("stage1_fixed_cost") + " and " + money("stage2_fixed_cost") + ")";
    }
    if (a.given("cost_ratio")) {
        return " (a stage 2 genotype costing " + given_text(a.taken("cost_ratio")) +
               " times a stage 1 one)";
    }
    return "";
}

// What a design costs against the single-stage study of the same power.
std::string design_cost_text(const Answered &a) {
    if (costs_in_money(a)) {
        return ", costing " + computed_text(a.result("cost_in_money"), REC_ROUND_NEAREST) +
               " against " + computed_text(a.result("one_stage_cost_in_money"), REC_ROUND_NEAREST) +
               " for a single-stage study";
    }
    return ", a genotyping cost " + a.result_text("relative_cost") +
           " times a single-stage study's";
}

std::string two_stage_sentence(const Answered &a, Paragraph &paragraph) {
    const std::string q = a.question();
    const std::string stages = stages_text(a);
    if (q == "cheapest_design") {
        return "The two-stage case-control design of the lowest cost with a power of " +
               target_text(a) + cost_text(a) + limits_text(a, ", within ") + " was searched for" +
               paragraph.cited(kSatagopan) + ": " + stages + "; " + everyone_text(a) +
               design_cost_text(a) + ".";
    }
    if (q == "most_powerful_design") {
        const std::string budget = given_text(a.taken("budget")) +
                                   (costs_in_money(a) ? " in money" : " genotypes per marker");
        return "The most powerful two-stage case-control design within a budget of " + budget +
               cost_text(a) + limits_text(a, " and ") + " was searched for" +
               paragraph.cited(kSatagopan) + ": " + stages + "; " + everyone_text(a) + ", power " +
               power_text(a) + ".";
    }
    if (q == "smallest_total") {
        return "The smallest two-stage case-control study with a power of " + target_text(a) +
               ", stage 1 taking " + given_text(a.taken("stage1_share")) + " of everyone" +
               limits_text(a, ", within ") + ", was solved for" + paragraph.cited(kSatagopan) +
               ": " + stages + "; " + everyone_text(a) + ".";
    }
    return "Power was computed for a two-stage case-control study" + paragraph.cited(kSatagopan) +
           ": " + stages + "; power " + power_text(a) + ".";
}

std::string analysis_sentence(const Answered &a, Paragraph &paragraph) {
    const std::string method = a.word("method");
    const std::string final_level = a.result_text("final_alpha");
    if (method == "replication") {
        return "A marker is declared associated when stage 2 alone passes the final level " +
               final_level + " in stage 1's direction (replication analysis; " +
               paragraph.cite(kSkol) + ").";
    }
    if (method == "product") {
        return "A marker is declared associated when the product of the two stages' p-values is "
               "below the final level " +
               final_level + paragraph.cited(kBauer) + ".";
    }
    return "A marker is declared associated when the joint statistic of both stages, stage 1 "
           "weighted by its share of the information (" +
           a.result_text("stage1_weight") + "), passes the final level " + final_level +
           " (joint analysis; " + paragraph.cite(kSkol) + ").";
}

std::string variance_text(const Answered &a) {
    return a.word("variance") == "unpooled"
               ? "its variance under no association from each group's own risk-allele rate"
               : "its variance under no association from the pooled risk-allele rate";
}

std::string test_sentence(const Answered &a, Paragraph &paragraph) {
    const std::string test = a.word("test");
    if (test == "trend") {
        return "Each marker is tested with the Cochran-Armitage trend test on genotype counts (1 "
               "degree of freedom; " +
               paragraph.cite(kArmitage) + ").";
    }
    if (test == "dominant" || test == "recessive") {
        const std::string coding = test == "dominant" ? "carriers of the risk allele against "
                                                        "non-carriers"
                                                      : "people with two copies of the risk "
                                                        "allele against the others";
        return "Each marker is tested with the Cochran-Armitage test of " + coding + " (" + test +
               " coding, 1 degree of freedom; " + paragraph.cite(kArmitage) + ").";
    }
    if (test == "genotypic") {
        return "Each marker is tested with the genotypic chi-square test on genotype counts (2 "
               "degrees of freedom; " +
               paragraph.cite(kFleiss) + ").";
    }
    return "Each marker is tested with the allelic chi-square test on allele counts (1 degree of "
           "freedom), " +
           variance_text(a) + paragraph.cited(kFleiss) + ".";
}

std::string risks_text(const Answered &a, double risk) {
    DIS_model model;
    DIS_model_init(&model);
    model.model = static_cast<std::int32_t>(a.taken("model"));
    model.relative_risk = risk;
    model.heterozygote_risk = a.taken("heterozygote_risk");
    model.homozygote_risk = a.taken("homozygote_risk");
    double risks[3];
    DIS_relative_risks(&model, risks);
    const bool one_value = a.word("model") != "free";
    // A risk solved for is rounded away from 1, as the risk it follows from.
    const std::int32_t rounding =
        a.question() == "relative_risk" ? REC_ROUND_AWAY_FROM_ONE : REC_ROUND_NEAREST;
    const auto text = [&](double value, bool given) {
        return given || value == 1 ? given_text(value) : computed_text(value, rounding);
    };
    return "genotype relative risks " + text(risks[1], one_value && a.given("relative_risk")) +
           " for one copy and " + text(risks[2], !one_value) + " for two";
}

std::string effect_sentence(const Answered &a, Paragraph &paragraph) {
    if (!a.disease_described()) {
        const std::string rate =
            "the risk allele's rate among controls is " + given_text(a.taken("control_rate"));
        if (a.question() == "odds_ratio") {
            return "The r" + rate.substr(5) + ".";
        }
        return "The effect is an allelic odds ratio of " + given_text(a.taken("odds_ratio")) +
               "; " + rate + ".";
    }
    const double risk =
        a.question() == "relative_risk" ? a.result("relative_risk") : a.taken("relative_risk");
    const std::string controls = a.word("controls_kind") == "population"
                                     ? "controls are drawn from the population"
                                     : "controls are unaffected";
    return "The disease model is " + a.word("model") + ": risk-allele frequency " +
           given_text(a.taken("frequency")) +
           " in the population (Hardy-Weinberg proportions), "
           "prevalence " +
           given_text(a.taken("prevalence")) + ", " + risks_text(a, risk) + "; " + controls +
           paragraph.cited(kPurcell) + ".";
}

std::string marker_sentence(const Answered &a, Paragraph &paragraph) {
    const bool d_prime = a.given("d_prime");
    if (!d_prime && !a.given("r_squared")) {
        return "The marker is the causal variant.";
    }
    const std::string frequency = a.given("marker_frequency")
                                      ? given_text(a.taken("marker_frequency"))
                                      : given_text(a.taken("frequency"));
    const std::string ld = d_prime ? "D\xe2\x80\xb2 = " + given_text(a.taken("d_prime"))
                                   : "r\xc2\xb2 = " + given_text(a.taken("r_squared"));
    return "The marker, of allele frequency " + frequency +
           ", is in linkage disequilibrium with the causal variant (" + ld + "; " +
           paragraph.cite(kPritchard) + ").";
}

std::string level_sentence(const Answered &a, Paragraph &paragraph) {
    const double markers = a.taken("markers");
    const std::string level = std::string("The ") + (a.two_stages() ? "overall " : "") +
                              "significance level is " + given_text(a.answer().alpha) +
                              " (two-sided";
    if (!(markers > 1)) {
        return level + ").";
    }
    return level + ", study-wide over " + given_text(markers) +
           " markers), corrected by Bonferroni to " +
           computed_text(a.answer().alpha / markers, REC_ROUND_DOWN) + " per marker" +
           paragraph.cited(kDunn) + ".";
}

std::string computation_sentence(const Answered &a, Paragraph &paragraph) {
    if (a.two_stages()) {
        return "The power is the chance that a marker of this effect passes stage 1 and the final "
               "test, each stage's statistic normal with its variance under no association as "
               "the test takes it, from their joint normal distribution, computed numerically.";
    }
    const bool size = a.answer().record == REC_SIZE_RESULT;
    const std::string solved =
        a.question() == "power" ? ""
        : size ? " The size is the smallest whose computed power reaches the target."
               : " The effect is the one nearest to 1 whose computed power reaches the target.";
    if (a.answer().calculation == STU_CALCULATION_GENOTYPES) {
        return "The power is computed from the normal approximation to the test statistic, each "
               "group's variance from its genotype distribution" +
               paragraph.cited(kSasieni) + "." + solved;
    }
    // The allele rates' normal approximation is the allelic test's own,
    // cited with the test.
    return "The power is computed from the normal approximation to the test statistic, each "
           "group's variance from its allele rate." +
           solved;
}

std::string simulation_sentence(const Answered &a) {
    const ASK_answer &answer = a.answer();
    if (answer.replicates <= 0) {
        return "";
    }
    return "The power was checked by simulating " +
           count_text(static_cast<double>(answer.replicates)) + " studies (seed " +
           given_text(static_cast<double>(answer.seed)) +
           "): " + computed_text(answer.simulated_power, REC_ROUND_NEAREST) + " (standard error " +
           computed_text(answer.standard_error, REC_ROUND_NEAREST) + "), against " + power_text(a) +
           " from the formula.";
}

std::string units_sentence(const Answered &a) {
    return a.answer().count == VANTOR_COUNT_ALLELES ? "Counts are alleles, two per person." : "";
}

std::string methods_text(const Answered &a) {
    Paragraph paragraph;
    paragraph.say(a.two_stages() ? two_stage_sentence(a, paragraph) : single_stage_sentence(a));
    if (a.two_stages()) {
        paragraph.say(analysis_sentence(a, paragraph));
    }
    paragraph.say(test_sentence(a, paragraph));
    paragraph.say(effect_sentence(a, paragraph));
    if (a.disease_described()) {
        paragraph.say(marker_sentence(a, paragraph));
    }
    paragraph.say(level_sentence(a, paragraph));
    paragraph.say(computation_sentence(a, paragraph));
    for (const std::string &sentence : {simulation_sentence(a), units_sentence(a)}) {
        if (!sentence.empty()) {
            paragraph.say(sentence);
        }
    }
    return paragraph.text();
}

// ---- The caption ------------------------------------------------------------

// The inputs a caption names when given, as "value label" or "label value".
struct Named {
    const char *input;
    const char *label;
    bool count;  // "2,000 controls" rather than "stage 1 share 0.3"
};

constexpr Named kCaptionInputs[] = {
    {"cases", "cases", true},
    {"controls", "controls", true},
    {"controls_per_case", "controls per case", false},
    {"cases_per_control", "cases per control", false},
    {"stage1_cases", "stage 1 cases", true},
    {"stage1_controls", "stage 1 controls", true},
    {"stage2_cases", "stage 2 cases", true},
    {"stage2_controls", "stage 2 controls", true},
    {"total", "people in all", true},
    {"stage1_share", "stage 1 share", false},
    {"stage1_alpha", "stage 1 level", false},
    {"target_power", "target power", false},
    {"budget", "budget", false},
    {"cost_ratio", "cost ratio", false},
    {"odds_ratio", "odds ratio", false},
    {"control_rate", "control rate", false},
};

std::string named_inputs(const Answered &a) {
    std::string text;
    for (const Named &named : kCaptionInputs) {
        if (!a.given(named.input)) {
            continue;
        }
        const double value = a.taken(named.input);
        text += (text.empty() ? "" : ", ") +
                (named.count ? count_text(value) + " " + named.label
                             : std::string(named.label) + " " + given_text(value));
    }
    return text;
}

std::string disease_caption(const Answered &a) {
    std::string text = a.shown("model") ? a.word("model") + " model" : "disease model";
    static const char *const kModelInputs[][2] = {
        {"frequency", "risk-allele frequency"},
        {"prevalence", "prevalence"},
        {"relative_risk", "relative risk"},
        {"heterozygote_risk", "relative risk of one copy"},
        {"homozygote_risk", "relative risk of two copies"}};
    for (const auto &input : kModelInputs) {
        if (a.given(input[0])) {
            text += std::string(", ") + input[1] + " " + given_text(a.taken(input[0]));
        }
    }
    if (a.word("controls_kind") == "population") {
        text += ", population controls";
    }
    const std::string marker =
        a.given("marker_frequency")
            ? "; marker frequency " + given_text(a.taken("marker_frequency")) + ","
            : "; marker";
    if (a.given("d_prime")) {
        return text + marker + " D\xe2\x80\xb2 " + given_text(a.taken("d_prime"));
    }
    if (a.given("r_squared")) {
        return text + marker + " r\xc2\xb2 " + given_text(a.taken("r_squared"));
    }
    return a.shown("d_prime") && a.shown("r_squared") ? text + "; the marker is the causal variant"
                                                      : text;
}

std::string level_caption(const Answered &a) {
    const double markers = a.taken("markers");
    const bool several = markers > 1 && a.shown("markers");
    std::string counted = several ? given_text(markers) + " markers" : "";
    // The default level follows the markers: with them drawn, no one level
    // holds for the whole figure.
    if (!a.shown("alpha") || (!a.shown("markers") && !a.given("alpha"))) {
        return counted;
    }
    const std::string alpha = given_text(a.answer().alpha);
    if (!several) {
        return "level " + alpha;
    }
    return counted + ", level " + alpha + " (" +
           computed_text(a.answer().alpha / markers, REC_ROUND_DOWN) + " per marker)";
}

std::string caption_text(const Answered &a) {
    std::string text =
        a.two_stages() ? "Two-stage case-control study" : "Single-stage case-control study";
    if (a.two_stages() && a.shown("method")) {
        text += ", " + a.word("method") + " analysis";
    }
    if (a.shown("test")) {
        text += ", " + a.word("test") + " test";
    }
    if (a.shown("test") && a.shown("variance") && a.word("test") == "allelic") {
        text += " (" + a.word("variance") + " variance)";
    }
    const std::string named = named_inputs(a);
    if (!named.empty()) {
        text += "; " + named;
    }
    if (a.disease_described()) {
        text += "; " + disease_caption(a);
    }
    const std::string level = level_caption(a);
    if (!level.empty()) {
        text += "; " + level;
    }
    if (a.answer().count == VANTOR_COUNT_ALLELES) {
        text += "; counts in alleles";
    }
    return text + ".";
}

// ---- Writing ------------------------------------------------------------------

// The length of the longest start of `text` within `room` bytes that does not
// end inside a UTF-8 character.
std::size_t whole_characters(const std::string &text, std::size_t room) {
    std::size_t length = std::min(text.size(), room);
    while (length > 0 && length < text.size() &&
           (static_cast<unsigned char>(text[length]) & 0xC0) == 0x80) {
        --length;
    }
    return length;
}

std::int32_t write_text(const std::string &whole, char *text, std::int32_t capacity) {
    if (text != nullptr && capacity > 0) {
        const std::size_t length = whole_characters(whole, static_cast<std::size_t>(capacity) - 1);
        std::memcpy(text, whole.data(), length);
        text[length] = '\0';
    }
    return static_cast<std::int32_t>(whole.size());
}

std::string refusal_text(const ASK_request *request, const ASK_answer *answer) {
    const std::int32_t length = ASK_message(answer, request, ASK_SPELL_NAME, nullptr, 0);
    std::string words(static_cast<std::size_t>(length) + 1, '\0');
    ASK_message(answer, request, ASK_SPELL_NAME, words.data(), length + 1);
    words.resize(static_cast<std::size_t>(length));
    return words;
}

// An answer found (with or without a warning): one refused or out of reach
// has no methods, only its words.
bool answered(const ASK_request *request, const ASK_answer *answer) {
    return request != nullptr && answer != nullptr && answer->status <= VANTOR_FOUND_WITH_WARNING &&
           answer->record != 0 && REC_question_at(answer->question) != nullptr;
}

}  // namespace

extern "C" std::int32_t vantor_methods(const ASK_request *request, const ASK_answer *answer,
                                       char *text, std::int32_t capacity) {
    if (request == nullptr || answer == nullptr) {
        return write_text("", text, capacity);
    }
    if (!answered(request, answer)) {
        return write_text(refusal_text(request, answer), text, capacity);
    }
    return write_text(methods_text(Answered(request, answer, -1, -1)), text, capacity);
}

extern "C" std::int32_t vantor_caption(const ASK_request *request, const ASK_answer *answer,
                                       std::int32_t x_input, std::int32_t curve_input, char *text,
                                       std::int32_t capacity) {
    if (request == nullptr || answer == nullptr) {
        return write_text("", text, capacity);
    }
    // A caption names the study, which an answer out of reach has too.
    if (answer->status == VANTOR_INVALID_INPUT || answer->record == 0 ||
        REC_question_at(answer->question) == nullptr) {
        return write_text(refusal_text(request, answer), text, capacity);
    }
    return write_text(caption_text(Answered(request, answer, x_input, curve_input)), text,
                      capacity);
}
