// The vantor program against the project's shared vocabulary, run as a user
// runs it: docs/glossary.md's names are the options and columns of every
// subcommand (and nothing else is), and tests/awkward_inputs.csv's inputs get
// their listed status, with the library's words for their reason, from the
// command line and from an --input file alike.
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "power/records.h"
#include "power/result.h"
#include "run_program.h"

namespace {

ProgramResult vantor(const std::vector<std::string> &words) {
    return run_program(VANTOR_PROGRAM, words);
}

std::vector<std::string> lines_of(const std::string &text) {
    std::vector<std::string> lines;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);) {
        lines.push_back(line);
    }
    return lines;
}

std::vector<std::string> split(const std::string &text, char separator) {
    std::vector<std::string> parts;
    std::istringstream stream(text);
    for (std::string part; std::getline(stream, part, separator);) {
        parts.push_back(part);
    }
    if (!text.empty() && text.back() == separator) {
        parts.emplace_back();
    }
    return parts;
}

std::string trimmed(const std::string &text) {
    const std::size_t first = text.find_first_not_of(' ');
    return first == std::string::npos ? ""
                                      : text.substr(first, text.find_last_not_of(' ') - first + 1);
}

std::string hyphenated(std::string name) {
    for (char &c : name) {
        c = c == '_' ? '-' : c;
    }
    return name;
}

std::string source_file(const std::string &path) {
    std::ifstream file(std::string(VANTOR_SOURCE_DIR) + "/" + path);
    EXPECT_TRUE(file.good()) << path;
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

// ---- the glossary --------------------------------------------------------

// A cell of the Names table: a name between backticks, or nothing for "—".
std::string name_in(const std::string &cell) {
    const std::size_t open = cell.find('`');
    const std::size_t close = cell.find('`', open + 1);
    return open == std::string::npos || close == std::string::npos
               ? ""
               : cell.substr(open + 1, close - open - 1);
}

struct Glossary {
    std::set<std::string> options;  // "--cases"
    std::set<std::string> columns;  // "cases"
};

// The program's names from the Names table of docs/glossary.md.
Glossary read_glossary() {
    Glossary glossary;
    bool in_names = false;
    std::vector<std::string> header;
    for (const std::string &line : lines_of(source_file("docs/glossary.md"))) {
        if (line.rfind("## ", 0) == 0) {
            in_names = line == "## Names";
            continue;
        }
        if (!in_names || line.rfind('|', 0) != 0) {
            continue;
        }
        std::vector<std::string> cells = split(line.substr(1), '|');
        for (std::string &cell : cells) {
            cell = trimmed(cell);
        }
        if (header.empty()) {
            header = cells;
            continue;
        }
        if (cells[0].rfind("---", 0) == 0) {
            continue;
        }
        for (std::size_t i = 0; i < cells.size() && i < header.size(); ++i) {
            const std::string name = name_in(cells[i]);
            if (header[i] == "program option" && !name.empty()) {
                glossary.options.insert(name);
            } else if (header[i] == "program column" && !name.empty()) {
                glossary.columns.insert(name);
            }
        }
    }
    return glossary;
}

constexpr const char *kSubcommands[] = {"power", "two-stage", "design"};

// The long options a subcommand's --help lists, one line each.
std::set<std::string> options_in_help(const std::string &subcommand) {
    const ProgramResult help = vantor({subcommand, "--help"});
    EXPECT_EQ(help.exit_status, 0) << subcommand;
    const std::regex option_line(R"(^\s+(?:-\w,)?(--[a-z0-9-]+))");
    std::set<std::string> options;
    bool listing = false;  // within the Options: section, which ends at a blank line
    for (const std::string &line : lines_of(help.out)) {
        std::smatch match;
        if (line == "Options:" || line.empty()) {
            listing = !line.empty();
        } else if (listing && std::regex_search(line, match, option_line)) {
            options.insert(match[1]);
        }
    }
    EXPECT_GE(options.size(), 8U) << subcommand << "'s --help lists no options:\n" << help.out;
    return options;
}

// Options of the program itself rather than of a question.
bool is_program_option(const std::string &option) {
    return option == "--help" || option == "--format" || option == "--input" ||
           option == "--version";
}

TEST(VantorGlossary, EveryOptionIsTheGlossarysAndEveryGlossaryOptionIsTaken) {
    const Glossary glossary = read_glossary();
    ASSERT_GE(glossary.options.size(), 20U) << "the Names table was not read";
    std::set<std::string> taken;
    for (const std::string subcommand : kSubcommands) {
        const std::set<std::string> options = options_in_help(subcommand);
        for (const std::string &option : options) {
            if (!is_program_option(option)) {
                EXPECT_EQ(glossary.options.count(option), 1U)
                    << "vantor " << subcommand << " " << option << " is not in the glossary";
            }
        }
        // What every question reads is taken by every subcommand.
        for (const char *shared :
             {"--odds-ratio", "--control-rate", "--alpha", "--variance", "--count", "--test",
              "--markers", "--frequency", "--prevalence", "--model", "--relative-risk",
              "--heterozygote-risk", "--homozygote-risk", "--controls-kind", "--marker-frequency",
              "--d-prime", "--r-squared"}) {
            EXPECT_EQ(options.count(shared), 1U) << subcommand << " " << shared;
        }
        taken.insert(options.begin(), options.end());
    }
    for (const std::string &option : glossary.options) {
        EXPECT_EQ(taken.count(option), 1U) << option << " is in the glossary, in no --help";
    }
}

TEST(VantorGlossary, EveryColumnIsAGlossaryColumn) {
    const Glossary glossary = read_glossary();
    ASSERT_GE(glossary.columns.size(), 20U) << "the Names table was not read";
    const std::vector<std::vector<std::string>> questions{
        {"power", "-n", "2000", "-m", "2000", "-o", "1.3", "-r", "0.3"},
        {"two-stage", "--total", "1000", "--stage1-share", "0.3", "--stage1-alpha", "1e-3", "-o",
         "1.3", "-r", "0.3"},
        {"design", "--method", "replication", "-o", "1.5", "-r", "0.3", "-a", "1e-4", "-b", "2000"},
        {"power", "-n", "2000", "-m", "2000", "--frequency", "0.2", "--prevalence", "0.1",
         "--r-squared", "0.8", "-p", "0.8", "--test", "trend"},
        {"design", "--method", "replication", "--frequency", "0.2", "--prevalence", "0.1",
         "--relative-risk", "1.5", "--markers", "1000", "-b", "2000"}};
    for (std::vector<std::string> question : questions) {
        question.insert(question.end(), {"-f", "csv"});
        const ProgramResult result = vantor(question);
        ASSERT_EQ(result.exit_status, 0) << result.err;
        const std::vector<std::string> header = split(lines_of(result.out).at(0), ',');
        for (const std::string &column : header) {
            EXPECT_EQ(glossary.columns.count(column), 1U)
                << "vantor " << question[0] << "'s column " << column << " is not in the glossary";
        }
        // What every answer has.
        for (const char *always : {"count", "alpha", "power", "status", "reason", "message"}) {
            EXPECT_NE(std::find(header.begin(), header.end(), always), header.end())
                << question[0] << " " << always;
        }
    }
}

// ---- awkward inputs --------------------------------------------------------

struct Awkward {
    std::string argument;  // the glossary's name, with underscores
    std::string value;     // as typed; empty for a missing value
    std::int32_t status;
    std::int32_t reason;
    std::string what;
    bool disease_model;  // asked of a disease model rather than an odds ratio
};

std::int32_t status_named(const std::string &name) {
    for (std::int32_t status = 0; status < 16; ++status) {
        const char *known = REC_status_name(status);
        if (known != nullptr && name == known) {
            return status;
        }
    }
    ADD_FAILURE() << "no status " << name;
    return -1;
}

std::int32_t reason_named(const std::string &name) {
    for (std::int32_t i = 0; i < REC_reason_count(); ++i) {
        if (name == REC_reason_name(REC_reason_at(i))) {
            return REC_reason_at(i);
        }
    }
    ADD_FAILURE() << "no reason " << name;
    return -1;
}

std::vector<Awkward> read_awkward_inputs() {
    std::vector<Awkward> inputs;
    std::vector<std::string> lines = lines_of(source_file("tests/awkward_inputs.csv"));
    EXPECT_EQ(lines.at(0), "argument,value,status,reason,what,effect");
    for (std::size_t i = 1; i < lines.size(); ++i) {
        const std::vector<std::string> fields = split(lines[i], ',');
        EXPECT_EQ(fields.size(), 6U) << lines[i];
        if (fields.size() == 6) {
            EXPECT_TRUE(fields[5] == "odds ratio" || fields[5] == "disease model") << lines[i];
            inputs.push_back({fields[0], fields[1], status_named(fields[2]),
                              reason_named(fields[3]), fields[4], fields[5] == "disease model"});
        }
    }
    return inputs;
}

// The questions of the list: the power of 2,000 cases and 2,000 controls at
// level 5e-8, of an odds ratio 1.3 at control rate 0.3 or of a disease
// model (frequency 0.3, prevalence 0.1, relative risk 1.3, multiplicative).
struct Input {
    std::string argument;
    std::string value;
};
std::vector<Input> base_question(bool disease_model) {
    if (disease_model) {
        return {{"cases", "2000"},     {"controls", "2000"},     {"frequency", "0.3"},
                {"prevalence", "0.1"}, {"relative_risk", "1.3"}, {"alpha", "5e-8"}};
    }
    return {{"cases", "2000"},
            {"controls", "2000"},
            {"odds_ratio", "1.3"},
            {"control_rate", "0.3"},
            {"alpha", "5e-8"}};
}

// The base question with the awkward input in place of its own value, or
// added when the base does not give that input.
std::vector<Input> question_of(const Awkward &input) {
    std::vector<Input> question = base_question(input.disease_model);
    bool replaced = false;
    for (Input &given : question) {
        if (given.argument == input.argument) {
            given.value = input.value;
            replaced = true;
        }
    }
    if (!replaced) {
        question.push_back({input.argument, input.value});
    }
    return question;
}

std::vector<std::string> options_of(const std::vector<Input> &question) {
    std::vector<std::string> words;
    for (const Input &given : question) {
        words.push_back("--" + hyphenated(given.argument));
        words.push_back(given.value);
    }
    return words;
}

int exit_status_of(std::int32_t status) {
    if (status == SLV_INVALID_INPUT) {
        return 2;
    }
    return status == SLV_NOT_REACHABLE ? 1 : 0;
}

// The status the program gave: a refusal on standard error, or a row.
void expect_answer(const ProgramResult &result, const Awkward &input, const std::string &where) {
    const std::string told =
        where + " " + input.argument + " '" + input.value + "' (" + input.what + "): " + result.err;
    EXPECT_EQ(result.exit_status, exit_status_of(input.status)) << told;
    const std::string words = SLV_message(input.reason);
    if (input.status == SLV_INVALID_INPUT) {
        EXPECT_EQ(result.out, "") << told;
        EXPECT_EQ(lines_of(result.err).size(), 1U) << told;
        EXPECT_NE(result.err.find(words), std::string::npos) << told << "\nwanted: " << words;
        EXPECT_NE(result.err.find("--" + hyphenated(input.argument)), std::string::npos) << told;
        return;
    }
    const std::vector<std::string> lines = lines_of(result.out);
    ASSERT_EQ(lines.size(), 2U) << told;
    EXPECT_NE(lines[1].find(std::string(",") + SLV_status_name(input.status) + ","),
              std::string::npos)
        << told;
    EXPECT_NE(lines[1].find(std::string(",") + REC_reason_name(input.reason) + ","),
              std::string::npos)
        << told;
}

TEST(VantorAwkwardInputs, EachIsAnsweredAsTheListSaysOnTheCommandLine) {
    const std::vector<Awkward> inputs = read_awkward_inputs();
    ASSERT_GE(inputs.size(), 10U);
    for (const Awkward &input : inputs) {
        std::vector<std::string> words{"power", "-f", "csv"};
        const std::vector<std::string> options = options_of(question_of(input));
        words.insert(words.end(), options.begin(), options.end());
        expect_answer(vantor(words), input, "command line");
    }
}

// A disease model's refusal holds for every test and every question: the
// power, the cases for 80 % power, the detectable relative risk (unless the
// relative risk is the input refused) and two stages.
TEST(VantorAwkwardInputs, DiseaseModelRefusalsHoldForEveryTestAndQuestion) {
    for (const Awkward &input : read_awkward_inputs()) {
        if (!input.disease_model || input.status != SLV_INVALID_INPUT) {
            continue;
        }
        const std::vector<Input> question = question_of(input);
        std::vector<std::vector<std::string>> asked;
        for (const char *test : {"allelic", "trend", "dominant", "recessive", "genotypic"}) {
            std::vector<std::string> words{"power", "-f", "csv", "--test", test};
            const std::vector<std::string> options = options_of(question);
            words.insert(words.end(), options.begin(), options.end());
            asked.push_back(words);
        }
        std::vector<Input> size = question;
        size.erase(size.begin());  // cases
        size.push_back({"target_power", "0.8"});
        asked.push_back(options_of(size));
        asked.back().insert(asked.back().begin(), "power");
        if (input.argument != "relative_risk") {
            std::vector<Input> effect;
            for (const Input &given : question) {
                if (given.argument != "relative_risk") {
                    effect.push_back(given);
                }
            }
            effect.push_back({"target_power", "0.8"});
            asked.push_back(options_of(effect));
            asked.back().insert(asked.back().begin(), "power");
        }
        std::vector<Input> two_stage(question.begin() + 2, question.end());
        two_stage.push_back({"total", "4000"});
        two_stage.push_back({"stage1_share", "0.5"});
        two_stage.push_back({"stage1_alpha", "1e-3"});
        asked.push_back(options_of(two_stage));
        asked.back().insert(asked.back().begin(), "two-stage");
        for (const std::vector<std::string> &words : asked) {
            const ProgramResult result = vantor(words);
            std::string told = input.argument + " '" + input.value + "':";
            for (const std::string &word : words) {
                told += " " + word;
            }
            EXPECT_EQ(result.exit_status, 2) << told << "\n" << result.err;
            EXPECT_EQ(result.out, "") << told;
            EXPECT_EQ(lines_of(result.err).size(), 1U) << told << "\n" << result.err;
            EXPECT_NE(result.err.find("--" + hyphenated(input.argument) + " " + input.value + ": " +
                                      SLV_message(input.reason)),
                      std::string::npos)
                << told << "\n"
                << result.err;
        }
    }
}

TEST(VantorAwkwardInputs, EachIsAnsweredAsTheListSaysInAnInputFile) {
    const std::string path = ::testing::TempDir() + "awkward_input.csv";
    for (const Awkward &input : read_awkward_inputs()) {
        std::string header;
        std::string row;
        for (const Input &given : question_of(input)) {
            const bool first = header.empty();
            header += (first ? "" : ",") + hyphenated(given.argument);
            row += (first ? "" : ",") + given.value;
        }
        std::ofstream(path) << header << "\n" << row << "\n";
        const ProgramResult result = vantor({"power", "--input", path, "-f", "csv"});
        expect_answer(result, input, "input file");
        if (input.status == SLV_INVALID_INPUT) {
            EXPECT_NE(result.err.find("awkward_input.csv line 2: "), std::string::npos)
                << result.err;
        }
    }
}

}  // namespace
