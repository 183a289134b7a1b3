// The vantor program against the project's shared vocabulary, run as a user
// runs it: docs/glossary.md's names are the options and columns of every
// subcommand (and nothing else is), and tests/requests.csv's requests get
// their listed status, with the library's words for their reason, from the
// command line and from an --input file alike.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <map>
#include <optional>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "question/ask.h"
#include "question/records.h"
#include "request_table.h"
#include "run_program.h"
#include "status/status.h"

namespace {

ProgramResult vantor(const std::vector<std::string> &words) {
    return run_program(VANTOR_PROGRAM, words);
}

std::vector<std::string> split(const std::string &text, char separator) {
    return table_cells(text, separator);
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
           option == "--version" || option == "--columns" || option == "--all-columns" ||
           option == "--wide" || option == "--cells" || option == "--methods" ||
           option.rfind("--figure", 0) == 0;
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

// ---- the shared table of requests -----------------------------------------

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

struct Input {
    std::string argument;  // the glossary's name, with underscores
    std::string value;     // as typed; empty for a missing value
};

// A request of the shared table as the program takes it: the subcommand its
// stages and "solve" name, and its inputs as options. The program has no
// --solve: what it solves is what the inputs leave open, with the target
// power the library takes for a named size or effect given. Nothing when
// the program cannot ask the request (a solve word it cannot express).
struct ProgramRequest {
    std::string subcommand;
    std::vector<Input> inputs;
};

std::optional<ProgramRequest> program_request(const TableRequest &row) {
    const std::string stages = table_input(row, "stages");
    const std::string solve = table_input(row, "solve");
    // The program has no option for what its subcommand does not read.
    if (row.reason == "BAD_SOLVE" || row.reason == "SOLVE_MISMATCH" || row.reason == "BAD_STAGES" ||
        row.reason == "INPUT_NOT_READ") {
        return std::nullopt;
    }
    ProgramRequest request;
    request.subcommand = stages != "2" ? "power" : solve == "design" ? "design" : "two-stage";
    bool target = false;
    for (const auto &[name, value] : row.inputs) {
        if (name != "stages" && name != "solve") {
            request.inputs.push_back({name, value});
            target = target || name == "target_power";
        }
    }
    const bool searched = solve == "size" || solve == "effect" || solve == "design";
    if (searched && !target && table_input(row, "budget").empty()) {
        std::ostringstream target_power;
        target_power << ASK_DEFAULT_TARGET_POWER;
        request.inputs.push_back({"target_power", target_power.str()});
    }
    return request;
}

std::vector<std::string> options_of(const std::vector<Input> &question) {
    std::vector<std::string> words;
    for (const Input &given : question) {
        words.push_back("--" + hyphenated(given.argument));
        words.push_back(given.value);
    }
    return words;
}

int exit_status_of(const std::string &status) {
    if (status == "INVALID_INPUT") {
        return 2;
    }
    return status == "NOT_REACHABLE" ? 1 : 0;
}

// The field of the first row of CSV output, by its column's name.
std::string csv_field(const std::string &out, const std::string &column) {
    const std::vector<std::string> lines = lines_of(out);
    if (lines.size() < 2) {
        return "";
    }
    const std::vector<std::string> names = split(lines[0], ',');
    const std::vector<std::string> cells = split(lines[1], ',');
    for (std::size_t i = 0; i < names.size() && i < cells.size(); ++i) {
        if (names[i] == column) {
            return cells[i];
        }
    }
    return "";
}

// The program's answer as the table says: a refusal on standard error
// naming the refused input in the library's words, or a row with the
// status, the reason and the listed value.
void expect_answer(const ProgramResult &result, const TableRequest &row, const std::string &where) {
    const std::string told = where + ": " + row.line + "\n" + result.err;
    EXPECT_EQ(result.exit_status, exit_status_of(row.status)) << told;
    if (row.status == "INVALID_INPUT") {
        EXPECT_EQ(result.out, "") << told;
        EXPECT_EQ(lines_of(result.err).size(), 1U) << told;
        if (!row.input.empty()) {
            EXPECT_NE(result.err.find("--" + hyphenated(row.input)), std::string::npos) << told;
        }
        const std::string words = VANTOR_message(reason_named(row.reason));
        const bool sentence = words.find('{') != std::string::npos;
        // The program reads a word itself, before the library.
        const bool word = result.err.find("is not one of") != std::string::npos;
        if (!sentence && !word) {
            EXPECT_NE(result.err.find(words), std::string::npos) << told << "\nwanted: " << words;
        }
        return;
    }
    EXPECT_EQ(csv_field(result.out, "status"), VANTOR_status_name(status_named(row.status)))
        << told;
    EXPECT_EQ(csv_field(result.out, "reason"), row.reason) << told;
    if (!row.field.empty()) {
        const double value = std::stod(csv_field(result.out, hyphenated(row.field)));
        EXPECT_NEAR(value, row.value, 5e-6 * std::fabs(row.value)) << told;
    }
}

std::vector<TableRequest> shared_requests() {
    std::vector<TableRequest> table = read_request_table(VANTOR_SOURCE_DIR "/tests/requests.csv");
    EXPECT_GE(table.size(), 40U);
    return table;
}

TEST(VantorSharedRequests, EachIsAnsweredAsTheTableSaysOnTheCommandLine) {
    for (const TableRequest &row : shared_requests()) {
        const std::optional<ProgramRequest> request = program_request(row);
        if (!request) {
            continue;
        }
        std::vector<std::string> words{request->subcommand, "-f", "csv"};
        const std::vector<std::string> options = options_of(request->inputs);
        words.insert(words.end(), options.begin(), options.end());
        expect_answer(vantor(words), row, "command line");
    }
}

// A disease model's refusal of a value holds for every test and every
// question: the power, the cases for 80 % power, the detectable relative
// risk (unless the relative risk is the input refused) and two stages.
TEST(VantorSharedRequests, DiseaseModelRefusalsHoldForEveryTestAndQuestion) {
    for (const TableRequest &row : shared_requests()) {
        const std::optional<ProgramRequest> request = program_request(row);
        const bool value = !row.input.empty() && !table_input(row, row.input).empty() &&
                           std::strchr(VANTOR_message(reason_named(row.reason)), '{') == nullptr;
        if (!request || request->subcommand != "power" || table_input(row, "frequency").empty() ||
            row.status != "INVALID_INPUT" || !value) {
            continue;
        }
        const std::vector<Input> &question = request->inputs;
        const auto without = [&question](const std::vector<std::string> &names) {
            std::vector<Input> kept;
            for (const Input &given : question) {
                if (std::find(names.begin(), names.end(), given.argument) == names.end()) {
                    kept.push_back(given);
                }
            }
            return kept;
        };
        std::vector<std::vector<std::string>> asked;
        for (const char *test : {"allelic", "trend", "dominant", "recessive", "genotypic"}) {
            asked.push_back(options_of(question));
            asked.back().insert(asked.back().begin(), {"power", "--test", test});
        }
        std::vector<Input> size = without({"cases"});
        size.push_back({"target_power", "0.8"});
        asked.push_back(options_of(size));
        asked.back().insert(asked.back().begin(), "power");
        if (row.input != "relative_risk") {
            std::vector<Input> effect = without({"relative_risk"});
            effect.push_back({"target_power", "0.8"});
            asked.push_back(options_of(effect));
            asked.back().insert(asked.back().begin(), "power");
        }
        std::vector<Input> two_stage = without({"cases", "controls"});
        two_stage.push_back({"total", "4000"});
        two_stage.push_back({"stage1_share", "0.5"});
        two_stage.push_back({"stage1_alpha", "1e-3"});
        asked.push_back(options_of(two_stage));
        asked.back().insert(asked.back().begin(), "two-stage");
        const std::string refusal = "--" + hyphenated(row.input) + " " +
                                    table_input(row, row.input) + ": " +
                                    VANTOR_message(reason_named(row.reason));
        for (const std::vector<std::string> &words : asked) {
            const ProgramResult result = vantor(words);
            std::string told = row.line + ":";
            for (const std::string &word : words) {
                told += " " + word;
            }
            EXPECT_EQ(result.exit_status, 2) << told << "\n" << result.err;
            EXPECT_EQ(result.out, "") << told;
            EXPECT_NE(result.err.find(refusal), std::string::npos) << told << "\n" << result.err;
        }
    }
}

TEST(VantorSharedRequests, EachIsAnsweredAsTheTableSaysInAnInputFile) {
    const std::string path = ::testing::TempDir() + "shared_request.csv";
    for (const TableRequest &row : shared_requests()) {
        const std::optional<ProgramRequest> request = program_request(row);
        // The counting unit is the run's (--count), not a column.
        if (!request || !table_input(row, "count").empty()) {
            continue;
        }
        std::string header;
        std::string cells;
        for (const Input &given : request->inputs) {
            const bool first = header.empty();
            header += (first ? "" : ",") + hyphenated(given.argument);
            cells += (first ? "" : ",") + given.value;
        }
        std::ofstream(path) << header << "\n" << cells << "\n";
        const ProgramResult result = vantor({request->subcommand, "--input", path, "-f", "csv"});
        expect_answer(result, row, "input file");
        if (row.status == "INVALID_INPUT") {
            EXPECT_NE(result.err.find("shared_request.csv line 2: "), std::string::npos)
                << result.err;
        }
    }
}

}  // namespace
