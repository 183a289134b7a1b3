// The methods paragraph and the figure caption: every choice behind a number
// named, each method cited once with its reference, the numbers rounded on
// the safe side, and the text cut only between characters.
#include "vantor/methods.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "question/ask.h"
#include "vantor/version.h"

namespace {

using Inputs = std::vector<std::pair<std::string, std::string>>;

struct Asked {
    std::unique_ptr<ASK_request, decltype(&ASK_request_free)> request{ASK_request_new(),
                                                                      ASK_request_free};
    ASK_answer answers[ASK_MOST_ANSWERS] = {};
    std::int32_t count = 0;
};

std::unique_ptr<Asked> ask(const Inputs &inputs) {
    auto asked = std::make_unique<Asked>();
    for (const auto &[name, text] : inputs) {
        ASK_give_text(asked->request.get(), ASK_input_index(name.c_str()), text.c_str());
    }
    asked->count = ASK_answer_request(asked->request.get(), asked->answers);
    return asked;
}

std::string methods(const Asked &asked, int which = 0) {
    const std::int32_t length =
        vantor_methods(asked.request.get(), &asked.answers[which], nullptr, 0);
    std::string text(static_cast<std::size_t>(length), '\0');
    vantor_methods(asked.request.get(), &asked.answers[which], text.data(), length + 1);
    return text;
}

// The number written after `words` in `text`.
double number_after(const std::string &text, const std::string &words) {
    const std::size_t at = text.find(words);
    EXPECT_NE(at, std::string::npos) << words << " not in: " << text;
    return at == std::string::npos ? NAN : std::strtod(text.c_str() + at + words.size(), nullptr);
}

Inputs design_inputs() {
    return {{"stages", "2"},        {"solve", "design"},      {"frequency", "0.25"},
            {"prevalence", "0.01"}, {"relative_risk", "1.3"}, {"markers", "1e6"},
            {"method", "joint"},    {"target_power", "0.8"}};
}

struct Case {
    Inputs inputs;
    std::vector<std::string> named;  // words the paragraph must hold
};

TEST(MethodsParagraph, NamesEveryChoiceAndCitesEachMethodOnce) {
    const Inputs allelic = {
        {"cases", "2000"}, {"controls", "2000"}, {"odds_ratio", "1.3"}, {"control_rate", "0.3"}};
    Inputs unpooled = allelic;
    unpooled.emplace_back("variance", "unpooled");
    Inputs simulated = allelic;
    simulated.insert(simulated.end(), {{"replicates", "2000"}, {"seed", "100"}});
    Inputs money = {{"stages", "2"},
                    {"solve", "design"},
                    {"odds_ratio", "1.3"},
                    {"control_rate", "0.3"},
                    {"budget", "400000"},
                    {"markers", "1e6"},
                    {"stage1_cost_per_person", "60"},
                    {"stage2_cost_per_genotype", "0.1"},
                    {"cases_available", "3000"}};
    Inputs alleles = design_inputs();
    alleles.insert(alleles.end(), {{"count", "alleles"}, {"cost_ratio", "10"}});
    Inputs product = {
        {"stages", "2"},          {"stage1_cases", "1000"},    {"stage1_controls", "1000"},
        {"stage2_cases", "1000"}, {"stage2_controls", "1000"}, {"stage1_alpha", "0.001"},
        {"odds_ratio", "1.3"},    {"control_rate", "0.3"},     {"method", "product"},
        {"count", "alleles"}};
    Inputs replication = product;
    replication.back() = {"method", "replication"};
    const Case cases[] = {
        {design_inputs(),
         {"lowest cost with a power of 0.8", "stage 1 genotypes", "stage 2 genotypes",
          "joint statistic", "joint analysis; Skol et al. 2006", "allelic chi-square test",
          "pooled risk-allele rate", "disease model is multiplicative",
          "risk-allele frequency 0.25", "prevalence 0.01",
          "genotype relative risks 1.3 for one copy and 1.69 for two", "controls are unaffected",
          "The marker is the causal variant.", "over 1,000,000 markers",
          "corrected by Bonferroni to 5e-8 per marker", "joint normal distribution"}},
        {allelic,
         {"single-stage case-control study of 2,000 cases and 2,000 controls",
          "allelic odds ratio of 1.3", "rate among controls is 0.3",
          "significance level is 5e-8 (two-sided).", "normal approximation",
          "variance from its allele rate"}},
        {unpooled, {"each group's own risk-allele rate"}},
        {simulated, {"simulating 2,000 studies (seed 100)", "standard error", "from the formula"}},
        {money,
         {"budget of 400,000 in money",
          "stage 1 costing 60 a person, stage 2 0 a person and 0.1 "
          "a genotype, fixed costs 0 and 0",
          "and 3,000 cases available", ", power 0."}},
        {alleles, {"case alleles and", "alleles in all", "costing 10 times a stage 1 one"}},
        {{{"controls", "3000"},
          {"odds_ratio", "1.3"},
          {"control_rate", "0.3"},
          {"target_power", "0.8"}},
         {"number of cases a single-stage case-control study needs beside 3,000 controls",
          "The size is the smallest"}},
        {product,
         {"product of the two stages' p-values", "Bauer and K\xc3\xb6hne 1994",
          "Counts are alleles, two per person.", "below 0.001"}},
        {replication, {"stage 2 alone", "replication analysis; Skol et al. 2006"}},
        {{{"cases", "2000"},
          {"controls", "2000"},
          {"frequency", "0.3"},
          {"prevalence", "0.05"},
          {"relative_risk", "1.4"},
          {"test", "trend"},
          {"d_prime", "0.8"},
          {"marker_frequency", "0.2"},
          {"model", "additive"},
          {"controls_kind", "population"}},
         {"Cochran-Armitage trend test", "Armitage 1955", "disease model is additive",
          "1.4 for one copy and 1.8 for two", "controls are drawn from the population",
          "allele frequency 0.2", "D\xe2\x80\xb2 = 0.8; Pritchard and Przeworski 2001",
          "genotype distribution (Sasieni 1997)"}},
        {{{"cases", "2000"},
          {"controls", "2000"},
          {"frequency", "0.3"},
          {"prevalence", "0.05"},
          {"heterozygote_risk", "1.1"},
          {"homozygote_risk", "1.9"},
          {"model", "free"},
          {"test", "recessive"},
          {"r_squared", "0.6"}},
         {"1.1 for one copy and 1.9 for two", "recessive coding", "r\xc2\xb2 = 0.6"}},
    };
    for (const Case &one : cases) {
        const auto asked = ask(one.inputs);
        ASK_answer &answer = asked->answers[0];
        ASSERT_LE(answer.status, VANTOR_FOUND_WITH_WARNING) << one.named.front();
        const std::string text = methods(*asked);
        for (const std::string &words : one.named) {
            EXPECT_NE(text.find(words), std::string::npos) << words << " not in:\n" << text;
        }
        EXPECT_NE(text.find(std::string("Calculated with vantor ") + vantor_version() + "."),
                  std::string::npos);
        EXPECT_EQ(text.find("nan"), std::string::npos) << text;
        // Each reference is listed once, and each listed one is cited: its
        // first author's name is in the sentences.
        const std::size_t list = text.find("\nReferences:\n");
        ASSERT_NE(list, std::string::npos) << text;
        const std::string sentences = text.substr(0, list);
        std::size_t start = list + 13;
        for (std::size_t end; start < text.size(); start = end + 1) {
            end = std::min(text.find('\n', start), text.size());
            const std::string reference = text.substr(start, end - start);
            const std::string author = reference.substr(0, reference.find(' '));
            EXPECT_NE(sentences.find(author + " "), std::string::npos) << reference;
            EXPECT_EQ(text.find(reference), text.rfind(reference)) << reference;
        }
    }
}

// Levels are rounded down and a detectable effect away from 1, so that a
// value read from the paragraph is on the safe side of the exact one.
TEST(MethodsParagraph, RoundsComputedValuesOnTheSafeSide) {
    for (const char *markers : {"3", "7e5", "1e6", "123457"}) {
        const auto asked = ask({{"cases", "2000"},
                                {"controls", "2000"},
                                {"odds_ratio", "1.3"},
                                {"control_rate", "0.3"},
                                {"markers", markers}});
        const double per_marker = number_after(methods(*asked), "corrected by Bonferroni to ");
        const double exact = 0.05 / std::strtod(markers, nullptr);
        EXPECT_LE(per_marker, exact) << markers;
        EXPECT_GT(per_marker, exact * (1 - 1e-3)) << markers;
    }
    const auto asked = ask({{"cases", "2000"},
                            {"controls", "2000"},
                            {"control_rate", "0.3"},
                            {"target_power", "0.8"}});
    ASSERT_EQ(asked->count, 2);
    for (int side = 0; side < 2; ++side) {
        const double exact = asked->answers[side].result.effect.odds_ratio;
        const double shown = number_after(methods(*asked, side), "was solved for: ");
        EXPECT_TRUE(exact > 1 ? shown >= exact : shown <= exact) << shown << " for " << exact;
        EXPECT_NEAR(shown, exact, 1e-3 * exact);
    }
    const auto design = ask(design_inputs());
    const std::string text = methods(*design);
    const double final_level = number_after(text, "passes the final level ");
    EXPECT_LE(final_level, design->answers[0].result.design.alpha[1]);
    EXPECT_GT(final_level, design->answers[0].result.design.alpha[1] * (1 - 1e-3));
    // Counts are whole, their thousands separated.
    std::string cases = text.substr(text.find("stage 2 genotypes ") + 18);
    cases = cases.substr(0, cases.find(' '));
    cases.erase(std::remove(cases.begin(), cases.end(), ','), cases.end());
    EXPECT_EQ(std::stoll(cases), design->answers[0].result.design.cases[1]);
}

// The power found is stated, to four digits of the library's own.
TEST(MethodsParagraph, StatesThePowerItFound) {
    const auto single = ask({{"cases", "1000"},
                             {"controls", "2000"},
                             {"odds_ratio", "1.3"},
                             {"control_rate", "0.3"},
                             {"alpha", "1e-4"}});
    EXPECT_NEAR(number_after(methods(*single), " controls: "),
                single->answers[0].result.power.power, 5e-5);
    const auto design = ask({{"stages", "2"},
                             {"solve", "design"},
                             {"odds_ratio", "1.3"},
                             {"control_rate", "0.3"},
                             {"budget", "8000"},
                             {"markers", "1e6"}});
    EXPECT_NEAR(number_after(methods(*design), ", power "), design->answers[0].result.design.power,
                5e-5);
}

TEST(MethodsParagraph, ARefusalOrAnAnswerOutOfReachGivesItsWords) {
    const auto refused = ask(
        {{"cases", "-5"}, {"controls", "2000"}, {"odds_ratio", "1.3"}, {"control_rate", "0.3"}});
    char words[512];
    ASK_message(&refused->answers[0], refused->request.get(), ASK_SPELL_NAME, words, sizeof words);
    EXPECT_EQ(methods(*refused), words);
    const auto out_of_reach = ask({{"cases", "20"},
                                   {"controls", "20"},
                                   {"control_rate", "0.3"},
                                   {"target_power", "0.8"},
                                   {"direction", "below"}});
    ASSERT_GT(out_of_reach->answers[0].status, VANTOR_FOUND_WITH_WARNING);
    EXPECT_EQ(methods(*out_of_reach).find("Calculated with"), std::string::npos);
    EXPECT_EQ(vantor_methods(nullptr, nullptr, words, sizeof words), 0);
    EXPECT_STREQ(words, "");
}

// A buffer too small holds the longest start that ends between characters,
// and the whole length is returned.
TEST(MethodsParagraph, AShortBufferIsCutBetweenCharacters) {
    const auto asked = ask({{"cases", "2000"},
                            {"controls", "2000"},
                            {"frequency", "0.3"},
                            {"prevalence", "0.05"},
                            {"relative_risk", "1.4"},
                            {"d_prime", "0.8"}});
    const std::string whole = methods(*asked);
    const std::size_t mark = whole.find("\xe2\x80\xb2");  // the prime of D', three bytes
    ASSERT_NE(mark, std::string::npos);
    for (std::size_t capacity = mark; capacity <= mark + 5; ++capacity) {
        std::vector<char> text(capacity + 4, 'x');
        const std::int32_t length =
            vantor_methods(asked->request.get(), &asked->answers[0], text.data(),
                           static_cast<std::int32_t>(capacity));
        EXPECT_EQ(length, static_cast<std::int32_t>(whole.size()));
        const std::string kept = text.data();
        EXPECT_LT(kept.size(), capacity);
        EXPECT_EQ(whole.compare(0, kept.size(), kept), 0);
        EXPECT_TRUE(kept.size() <= mark || kept.size() >= mark + 3) << capacity;
        EXPECT_EQ(text[capacity], 'x') << "written past the capacity";
    }
}

TEST(FigureCaption, NamesTheStudyWithoutTheInputsTheFigureShows) {
    const auto asked = ask({{"cases", "2000"},
                            {"controls", "3000"},
                            {"frequency", "0.25"},
                            {"prevalence", "0.01"},
                            {"relative_risk", "1.3"},
                            {"markers", "1e6"}});
    const auto caption = [&](const char *x, const char *curves) {
        char text[1024];
        vantor_caption(asked->request.get(), &asked->answers[0],
                       x != nullptr ? ASK_input_index(x) : -1,
                       curves != nullptr ? ASK_input_index(curves) : -1, text, sizeof text);
        return std::string(text);
    };
    const std::string all = caption(nullptr, nullptr);
    for (const char *words : {"Single-stage case-control study, allelic test (pooled variance)",
                              "2,000 cases", "3,000 controls", "relative risk 1.3",
                              "1,000,000 markers, level 0.05 (5e-8 per marker)"}) {
        EXPECT_NE(all.find(words), std::string::npos) << words << " not in " << all;
    }
    const std::string figure = caption("cases", "relative_risk");
    EXPECT_EQ(figure.find("2,000 cases"), std::string::npos) << figure;
    EXPECT_EQ(figure.find("relative risk"), std::string::npos) << figure;
    EXPECT_NE(figure.find("3,000 controls"), std::string::npos) << figure;
    EXPECT_EQ(figure.back(), '.');
    const std::string levels = caption("cases", "alpha");
    EXPECT_EQ(levels.find("level"), std::string::npos) << levels;
    EXPECT_NE(levels.find("1,000,000 markers"), std::string::npos) << levels;
    const auto two_stages = ask({{"stages", "2"},
                                 {"total", "4000"},
                                 {"stage1_share", "0.4"},
                                 {"stage1_alpha", "0.01"},
                                 {"odds_ratio", "1.3"},
                                 {"control_rate", "0.3"},
                                 {"method", "replication"}});
    char text[1024];
    vantor_caption(two_stages->request.get(), &two_stages->answers[0], ASK_input_index("total"),
                   ASK_input_index("method"), text, sizeof text);
    EXPECT_EQ(std::string(text).find("analysis"), std::string::npos) << text;
    EXPECT_NE(std::string(text).find("Two-stage case-control study, allelic test"),
              std::string::npos)
        << text;
}

}  // namespace
