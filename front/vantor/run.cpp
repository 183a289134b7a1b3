#include "front/vantor/run.h"

#include <unistd.h>

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "front/vantor/command.h"
#include "front/vantor/figure.h"
#include "front/vantor/messages.h"
#include "front/vantor/output.h"
#include "front/vantor/progress.h"
#include "front/vantor/requests.h"
#include "front/vantor/wide.h"
#include "numeric/MTH_report.h"
#include "question/records.h"
#include "status/status.h"
#include "vantor/version.h"

namespace vantor_cli {

namespace {

constexpr const char *kProgramHelp =
    "vantor: sample size, power and detectable effect of case-control genetic association "
    "studies (allelic test), in one stage or two.";

constexpr const char *kProgramFooter =
    "Options and output columns carry the names of vantor's glossary (docs/glossary.md), the "
    "same in Python, R and the page; stages are numbered 1 and 2. The significance level --alpha "
    "is 5e-8 (genome-wide significance) unless given, and every answer shows it. The names used "
    "before (--alpha0, --share, --rate, --power for the target, --ratio, input columns such as "
    "cases1) are refused, each saying what it became.\n\n"
    "Counts are people (two alleles each) unless --count alleles is given. Any numeric option "
    "takes a list (--odds-ratio 1.1,1.2,1.3) or an inclusive range start:end:step (--cases "
    "500:5000:500); the answer has one row per combination. A number grouped in thousands "
    "(2,500) is refused rather than read as a list: write 2500, or the list as '2, 500'. --input "
    "FILE.csv (- for standard "
    "input) reads one request per row, the columns named like the options; an empty cell takes "
    "the command line's value.\n\n"
    "The table shows the inputs that vary from row to row, the values solved or computed and "
    "each row's status; the inputs the same on every row are said once above it and the "
    "messages are numbered notes below it. Its numbers have six significant digits, rounded so "
    "that an answer used again still reaches its target (a detectable effect away from 1, a "
    "derived level down). --columns NAMES chooses the columns, --all-columns gives them all; "
    "--format csv, tsv and json carry every column with every digit, markdown the table for a "
    "document. --wide DOWN,ACROSS lays a grid out with one input's values down, another's "
    "across and --cells NAME (power unless given) in the cells.\n\n"
    "For a proposal: --figure FILE.svg also draws a grid's answers (power against the input with "
    "the most values, one curve per value of another, the target line, a legend and a caption "
    "naming the study); --methods writes each answer's methods paragraph (the design, test, "
    "model, marker, level, how the power was computed, the version and references) instead of "
    "the table.\n\n"
    "--variance pooled (the default) takes the allelic statistic's variance under no association "
    "from the pooled rate of cases and controls, as the allelic chi-square test does; --variance "
    "unpooled takes each group's own rate, as the Wald statistic and many published power "
    "calculators do. Pooled is the default because it is the test that association studies run "
    "(and R's power.prop.test computes); the two-stage product and joint analyses are the same "
    "either way.\n\n"
    "Exit status: 0 when every row found its answer; 1 when some row's answer is not reachable "
    "(its status and reason are in the row, the other rows are answered); 2 for a usage or value "
    "error (a one-line message, nothing computed; a bad row of an --input file, or a grid's "
    "combination whose values together cannot be answered, ends the run after the rows before "
    "it are answered).\n\n"
    "Example:\n"
    "  vantor power --cases 2000 --controls 2000 --odds-ratio 1.3 --control-rate 0.3\n\n"
    "Run 'vantor SUBCOMMAND --help' for each subcommand's options.";

// What the command line gave one subcommand.
struct Given {
    const Command *command = nullptr;
    CLI::App *app = nullptr;
    std::vector<std::string> texts;
    std::vector<CLI::Option *> options;
    // The library's default counting unit, as its word.
    std::string count = ASK_input_at(ASK_input_index("count"))->value_default;
    std::string format = "table";
    std::string input;
    CLI::Option *input_option = nullptr;
    std::string columns;  // --columns: the columns chosen, by name
    CLI::Option *columns_option = nullptr;
    bool all_columns = false;
    std::string wide;  // --wide DOWN,ACROSS
    CLI::Option *wide_option = nullptr;
    std::string cells = "power";  // --cells: a wide table's value
    CLI::Option *cells_option = nullptr;
    bool methods = false;  // --methods: each answer's methods paragraph
    std::string figure;    // --figure FILE
    CLI::Option *figure_option = nullptr;
    std::string figure_axes;  // --figure-axes X[,CURVES]
    CLI::Option *figure_axes_option = nullptr;
    std::string figure_y = "power";  // --figure-y NAME
    CLI::Option *figure_y_option = nullptr;
    double figure_target = ASK_DEFAULT_TARGET_POWER;  // --figure-target P
    CLI::Option *figure_target_option = nullptr;
};

constexpr std::size_t kHelpWidth = 90;

// REC_choice_code's answer for a word that is not one of the choice's.
constexpr std::int32_t kNoChoice = -1000;

// The words of a choice of question/records.h, joined by `between`.
std::string choice_words(const char *choice, const char *between) {
    std::string words;
    std::int32_t code = 0;
    for (std::int32_t i = 0; REC_choice_word(choice, i, &code) != nullptr; ++i) {
        words += (i > 0 ? between : "") + std::string(REC_choice_word(choice, i, &code));
    }
    return words;
}

std::string option_names(const Parameter &parameter) {
    return (parameter.short_name.empty() ? "" : "-" + parameter.short_name + ",") + "--" +
           parameter.name;
}

std::string option_help(const Parameter &parameter) {
    std::string help = parameter.help;
    if (!parameter.default_text.empty()) {
        help += " (default " + parameter.default_text + ")";
    }
    return help;
}

// What an option takes, as --help shows it: LIST, WORDS, or the words of a
// one-word option (pooled|unpooled).
std::string help_type_name(const Parameter &parameter) {
    if (parameter.kind != Kind::Word) {
        return "LIST";
    }
    if (!parameter.single) {
        return "WORDS";
    }
    std::string words;
    for (const std::string &word : parameter.words) {
        words += (words.empty() ? "" : "|") + word;
    }
    return words;
}

// The options that lay an answer out: its columns, and a grid laid out wide.
void add_layout_options(Given &given) {
    given.columns_option =
        given.app
            ->add_option("--columns", given.columns,
                         "the columns to write, in this order, by their names (cases,power,status: "
                         "those --all-columns shows); "
                         "by default a table shows the inputs that vary, the answers and the "
                         "status, says the other inputs once above and the messages as notes below")
            ->type_name("NAMES");
    given.app->add_flag("--all-columns", given.all_columns,
                        "a table shows every column, the messages as the last");
    given.wide_option =
        given.app
            ->add_option("--wide", given.wide,
                         "a grid laid out wide: the first input's values down, the second's "
                         "across, every other input one value (--wide cases,relative-risk)")
            ->type_name("DOWN,ACROSS");
    given.cells_option =
        given.app
            ->add_option("--cells", given.cells,
                         "the value in a wide table's cells: any column, such as power, cases or "
                         "odds-ratio (default power)")
            ->type_name("NAME");
}

// The options that give what a proposal needs: the methods paragraph and a
// figure.
void add_proposal_options(Given &given) {
    given.app->add_flag("--methods", given.methods,
                        "write each answer's methods paragraph (the design, test, model, level, "
                        "how the power was computed, the version and references) instead of the "
                        "table");
    given.figure_option =
        given.app
            ->add_option("--figure", given.figure,
                         "also draw the grid's answers as an SVG figure into FILE: power against "
                         "the input with the most values, one curve per value of a second input, "
                         "the target line, a legend and a caption")
            ->type_name("FILE");
    given.figure_axes_option =
        given.app
            ->add_option("--figure-axes", given.figure_axes,
                         "the figure's horizontal axis and the input whose values make its curves "
                         "(--figure-axes cases,relative-risk)")
            ->type_name("X[,CURVES]");
    given.figure_y_option =
        given.app
            ->add_option("--figure-y", given.figure_y,
                         "the value drawn up the figure: any number column, such as power, cases "
                         "or odds-ratio (default power)")
            ->type_name("NAME");
    given.figure_target_option =
        given.app
            ->add_option("--figure-target", given.figure_target,
                         "the height of the figure's dashed target line (default 0.8 when it "
                         "draws power, else none)")
            ->type_name("VALUE");
}

void add_subcommand(CLI::App &app, const Command &command, Given &given) {
    given.command = &command;
    given.app = app.add_subcommand(command.name, command.summary);
    // Wrapped only when help is shown: a question pays nothing for it.
    given.app->footer([&command] { return wrapped(command.description, kHelpWidth); });
    given.texts.resize(command.parameters.size());
    for (std::size_t i = 0; i < command.parameters.size(); ++i) {
        const Parameter &parameter = command.parameters[i];
        CLI::Option *option =
            given.app->add_option(option_names(parameter), given.texts[i], option_help(parameter));
        option->type_name(help_type_name(parameter));
        given.options.push_back(option);
    }
    const ASK_input &count = *ASK_input_at(ASK_input_index("count"));
    given.app
        ->add_option("--count", given.count,
                     std::string(count.meaning) + " (default " + count.value_default + ")")
        ->type_name(choice_words("count", "|"));
    given.app
        ->add_option("-f,--format", given.format,
                     "output format (default table): a table or Markdown for people (six "
                     "significant digits, rounded so that an answer used again still reaches its "
                     "target), CSV, TSV or JSON for scripts (every column, every digit)")
        ->type_name("table|csv|tsv|json|markdown");
    add_layout_options(given);
    add_proposal_options(given);
    given.input_option = given.app
                             ->add_option("--input", given.input,
                                          "CSV file (- for standard input): one request per row")
                             ->type_name("FILE");
    // Unknown words are named by run_vantor, the first first.
    given.app->allow_extras();
}

// One line on standard error, headed by the subcommand: a refusal, or what
// the library reported.
void tell_on_stderr(const Given &given, const std::string &message) {
    std::fprintf(stderr, "vantor %s: %s\n", given.command->name.c_str(), message.c_str());
}

// The values of every parameter given or defaulted; false after a refusal.
bool read_lists(const Given &given, ValueLists &lists, std::vector<bool> &explicitly) {
    const Command &command = *given.command;
    lists.resize(command.parameters.size());
    explicitly.resize(command.parameters.size(), false);
    for (std::size_t i = 0; i < command.parameters.size(); ++i) {
        const Parameter &parameter = command.parameters[i];
        explicitly[i] = given.options[i]->count() > 0;
        const std::string &text = explicitly[i] ? given.texts[i] : parameter.default_text;
        if (text.empty() && !explicitly[i]) {
            continue;
        }
        ValueList list = read_value_list(text, parameter.kind, parameter.words);
        if (list.error.empty() && parameter.single && list.size > 1) {
            list.error =
                quoted(text) + " is a list: this option takes one word (rows do not show it)";
        }
        if (!list.error.empty()) {
            tell_on_stderr(given, list.unreadable ? value_refusal(parameter, list)
                                                  : "--" + parameter.name + ": " + list.error);
            return false;
        }
        lists[i] = std::move(list);
    }
    return true;
}

// The position of `word` among `words`, or nothing.
std::optional<std::size_t> position_of(const std::string &word,
                                       const std::vector<std::string> &words) {
    for (std::size_t i = 0; i < words.size(); ++i) {
        if (words[i] == word) {
            return i;
        }
    }
    return std::nullopt;
}

// The unit of --count's word (VANTOR_COUNT_PEOPLE or VANTOR_COUNT_ALLELES); check_words
// has refused any other.
std::int32_t unit_of(const Given &given) { return REC_choice_code("count", given.count.c_str()); }

// Empty, or the refusal of a --count or --format word.
std::string check_words(const Given &given) {
    if (REC_choice_code("count", given.count.c_str()) == kNoChoice) {
        return "--count " + quoted(given.count) + " is not one of " + choice_words("count", ", ");
    }
    if (!position_of(given.format, format_names())) {
        std::string names;
        for (const std::string &name : format_names()) {
            names += (names.empty() ? "" : ", ") + name;
        }
        return "--format " + quoted(given.format) + " is not one of " + names;
    }
    return "";
}

int exit_status_of(std::int32_t worst_status) {
    if (worst_status <= VANTOR_FOUND_WITH_WARNING) {
        return kEveryRowFound;
    }
    return worst_status == VANTOR_NOT_REACHABLE ? kSomeNotReached : kRefused;
}

// The library's reports while the program runs: counted, and told on
// standard error after the request that made them, never written on
// standard output. Installed for the run, the previous hook put back after.
class ReportCatcher {
public:
    ReportCatcher() : previous_(MTH_set_report_hook({catch_report, this})) {}
    ~ReportCatcher() { MTH_set_report_hook(previous_); }
    ReportCatcher(const ReportCatcher &) = delete;
    ReportCatcher &operator=(const ReportCatcher &) = delete;

    // A line on standard error if request `number` made reports.
    void tell(const Given &given, std::size_t number) {
        if (count_ == 0) {
            return;
        }
        const char *meaning =
            what_ == "MIN_FLAG" ? " (a normal quantile of a probability of 0 or less)" : "";
        tell_on_stderr(given, "request " + std::to_string(number) + ": the library reported " +
                                  what_ +
                                  (count_ > 1 ? " " + std::to_string(count_) + " times" : "") +
                                  meaning + "; the row is answered");
        count_ = 0;
    }

private:
    static void catch_report(const char *what, void *context) {
        auto *catcher = static_cast<ReportCatcher *>(context);
        ++catcher->count_;
        catcher->what_ = what;
    }

    MTH_report_hook previous_;
    std::size_t count_ = 0;
    std::string what_;
};

// The cells of `row` in the columns `picked`, in that order.
template <typename T>
std::vector<T> picked_only(const std::vector<T> &row, const std::vector<std::size_t> &picked) {
    std::vector<T> out;
    out.reserve(picked.size());
    for (const std::size_t i : picked) {
        out.push_back(row[i]);
    }
    return out;
}

// The columns a run shows (columns_shown): the inputs of the kinds of
// effect the command line and the input file's columns (`named`) give, the
// odds ratio's when they give neither; a file's rows show what the same
// requests typed on the command line show.
std::vector<bool> columns_of_run(const Given &given, const std::vector<std::size_t> &named) {
    const Command &command = *given.command;
    const auto given_here = [&given, &named](std::size_t i) {
        return given.options[i]->count() > 0 ||
               std::find(named.begin(), named.end(), i) != named.end();
    };
    const auto given_any = [&given_here, &command](std::int32_t effect) {
        for (std::size_t i = 0; i < command.parameters.size(); ++i) {
            if (command.parameters[i].effect == effect && given_here(i)) {
                return true;
            }
        }
        return false;
    };
    std::vector<std::string> given_names;
    for (std::size_t i = 0; i < command.parameters.size(); ++i) {
        if (given_here(i)) {
            given_names.push_back(command.parameters[i].name);
        }
    }
    const bool disease = given_any(STU_EFFECT_DISEASE);
    return columns_shown(command, disease, !disease || given_any(STU_EFFECT_ALLELIC), given_names);
}

// A figure being drawn: where its points are, and the file it goes to.
struct FigureRun {
    Figure figure{FigurePlan{}};
    std::size_t x_parameter = 0;
    std::optional<std::size_t> curves_parameter;
    std::string path;
    bool write_file = true;  // false: drawn, kept from the disk
    std::string caption;     // the library's, from the first answer
};

// Answers requests one at a time and writes each row at once: the row, or
// with --methods the answer's paragraph; a figure keeps every row's point.
class Answering {
public:
    Answering(const Given &given, std::int32_t unit, RowWriter &writer, ReportCatcher &reports,
              std::vector<std::size_t> picked, bool progress, bool one_answer_each)
        : progress_(progress),
          given_(given),
          unit_(unit),
          writer_(writer),
          reports_(reports),
          picked_(std::move(picked)),
          one_answer_each_(one_answer_each) {}

    void draw_into(FigureRun *figure) { figure_ = figure; }

    // false once the output cannot be written, or (problem()) a request of
    // a wide table or a figure has two answers.
    bool answer(const Request &request) {
        const Command &command = *given_.command;
        const Outcomes outcomes = answer_request(command, request, unit_, progress_);
        // A request of two answers where one is wanted is refused before it
        // counts as answered, so that nothing of it is written.
        if (one_answer_each_ && outcomes.size() > 1) {
            problem_ = std::string(figure_ != nullptr ? "--figure: a point" : "--wide: a cell") +
                       " holds one answer, and this question has one on each side of 1; give "
                       "--direction above or below";
            return false;
        }
        ++answered_;
        reports_.tell(given_, answered_);
        bool writing = true;
        for (const ASK_answer &outcome : outcomes) {
            worst_ = std::max(worst_, outcome.status);
            Row row = row_of(command, request, unit_, outcome);
            if (figure_ != nullptr) {
                draw(request, outcome, row);
            }
            writing =
                writing &&
                writer_.write(given_.methods
                                  ? Row{Cell::word(methods_of(command, request, unit_, outcome))}
                                  : picked_only(row, picked_));
        }
        return writing;
    }

    // Ends the output (and the figure, when every request was answered);
    // the exit status of the run.
    int finish(bool whole = true) {
        writer_.finish();
        const int error = writer_.error();
        const bool drawn = end_figure(whole && error == 0);
        if (error == 0) {
            return drawn ? exit_status_of(worst_) : kRefused;
        }
        // A reader that went away (`| head`) ends the run without a word, as
        // it ends any filter; any other failure is told.
        if (error != EPIPE) {
            tell_on_stderr(given_, std::string("cannot write the answer: ") + std::strerror(error));
        }
        return kRefused;
    }

    [[nodiscard]] std::size_t answered() const { return answered_; }
    [[nodiscard]] const std::string &problem() const { return problem_; }
    // Whether the output can no longer be written.
    [[nodiscard]] bool failed() const { return writer_.error() != 0; }

private:
    void draw(const Request &request, const ASK_answer &outcome, const Row &row) {
        if (figure_->caption.empty()) {
            figure_->caption = caption_of(*given_.command, request, unit_, outcome,
                                          figure_->x_parameter, figure_->curves_parameter);
        }
        figure_->figure.add(row);
    }

    // Writes the figure of a whole run into its file (a run cut short
    // writes none, and leaves what the path held); false when the file
    // cannot be written.
    bool end_figure(bool whole) {
        if (figure_ == nullptr || !whole) {
            return true;
        }
        const std::string svg = figure_->figure.svg(figure_->caption);
        if (!figure_->write_file) {
            return true;
        }
        std::FILE *file = std::fopen(figure_->path.c_str(), "wb");
        const bool written =
            file != nullptr && std::fwrite(svg.data(), 1, svg.size(), file) == svg.size();
        const int error = errno;
        if ((file != nullptr && std::fclose(file) != 0) || !written) {
            tell_on_stderr(given_, std::string("--figure ") + vantor_cli::quoted(figure_->path) +
                                       ": cannot write the figure: " + std::strerror(error));
            return false;
        }
        return true;
    }

    bool progress_;  // a simulation's progress line (Progress)
    const Given &given_;
    std::int32_t unit_;
    RowWriter &writer_;
    ReportCatcher &reports_;
    std::vector<std::size_t> picked_;
    bool one_answer_each_;
    FigureRun *figure_ = nullptr;
    std::string problem_;
    std::size_t answered_ = 0;
    std::int32_t worst_ = VANTOR_FOUND;
};

// The largest value a percentage of a proportion is typed as (100 for 1).
constexpr double kLargestPercentage = 100;

// A refusal of a number above 1 that a hundredth of it would not draw (10
// for a prevalence of 0.10): the refusal with "did you mean 0.10?". Which
// inputs are proportions is the library's to say, so the request is asked
// again rather than the program keeping a list of them.
std::string with_hundredth_hint(const Command &command, Request request, std::int32_t unit,
                                const std::string &problem) {
    for (std::size_t i = 0; i < command.parameters.size(); ++i) {
        const Parameter &parameter = command.parameters[i];
        if (parameter.kind != Kind::Real || !request[i] || !(*request[i] > 1) ||
            *request[i] > kLargestPercentage) {
            continue;
        }
        const std::string named = "--" + parameter.name + " " + exact_text(*request[i]) + ":";
        if (problem.rfind(named, 0) != 0) {
            continue;
        }
        const double value = *request[i];
        request[i] = value / 100;
        const std::string again = library_refusal(command, request, unit);
        if (again.rfind("--" + parameter.name + " ", 0) != 0) {
            return problem + "; did you mean " + hundredth_text(value) + "?";
        }
        return problem;
    }
    return problem;
}

// Empty, or the refusal of `request`, numbered when `number` is not 0.
std::string check_request(const Command &command, const Request &request, std::int32_t unit,
                          std::size_t number) {
    const std::string problem = library_refusal(command, request, unit);
    if (problem.empty()) {
        return "";
    }
    const std::string hinted = with_hundredth_hint(command, request, unit, problem);
    return number == 0 ? hinted : "request " + std::to_string(number) + ": " + hinted;
}

// The number of combinations one step of parameter `parameter` moves over:
// the product of the sizes of the lists after it.
std::size_t stride_of(const ValueLists &lists, std::size_t parameter) {
    std::size_t stride = 1;
    for (std::size_t i = parameter + 1; i < lists.size(); ++i) {
        stride *= lists[i] ? lists[i]->size : 1;
    }
    return stride;
}

// Empty, or the refusal of one value of one list: its every value asked
// beside the first values of the others, each list on its own, so that a
// grid's values are checked in the sum of its lists' sizes, not their
// product. `numbered` names the request (its position in the grid).
// The grid's count fits a size_t.
// Whether `problem` refuses a value of option `name`: it names it as
// "--name VALUE:".
bool refuses_a_value_of(const std::string &problem, const std::string &name) {
    const std::string named = "--" + name + " ";
    const std::size_t at = problem.find(named);
    if (at == std::string::npos) {
        return false;
    }
    const std::size_t from = at + named.size();
    const std::size_t colon = problem.find(':', from);
    return colon != std::string::npos && read_real(problem.substr(from, colon - from));
}

// `problem` (a refusal of one of `lists`' values), with a hint where the
// refused option's text may have been one number with a decimal comma (0,05:
// the list 0 and 5).
std::string with_decimal_comma_hint(const Command &command, const ValueLists &lists,
                                    const std::string &problem) {
    for (std::size_t i = 0; i < lists.size(); ++i) {
        if (!lists[i] || lists[i]->decimal_comma_reading.empty() ||
            !refuses_a_value_of(problem, command.parameters[i].name)) {
            continue;
        }
        const std::string &number = lists[i]->decimal_comma_reading;
        std::string typed = number;
        std::replace(typed.begin(), typed.end(), '.', ',');
        std::string hinted = problem;
        hinted += " ('";
        hinted += typed;
        hinted += "' is read as a list of two values; one number is written ";
        hinted += number;
        hinted += ")";
        return hinted;
    }
    return problem;
}

std::string check_each_value(const Command &command, const ValueLists &lists, std::int32_t unit,
                             bool numbered) {
    Grid grid(lists);
    Request first;
    grid.next(first);
    std::string problem = check_request(command, first, unit, numbered ? 1 : 0);
    for (std::size_t i = 0; i < lists.size() && problem.empty(); ++i) {
        if (!lists[i] || lists[i]->size < 2) {
            continue;
        }
        const std::size_t stride = stride_of(lists, i);
        Request request = first;
        std::size_t position = 0;
        for (const ValueItem &item : lists[i]->items) {
            for (std::size_t offset = 0; offset < item.count && problem.empty(); ++offset) {
                if (position++ == 0) {
                    continue;
                }
                request[i] = item_value(item, offset);
                problem = check_request(command, request, unit,
                                        numbered ? 1 + (position - 1) * stride : 0);
            }
        }
    }
    return problem.empty() ? problem : with_decimal_comma_hint(command, lists, problem);
}

// Answers a grid's combinations as they come, each checked again first:
// empty when all are answered (or the output cannot be written), else the
// refusal of a combination whose inputs together cannot be answered (a late
// refusal: the rows before it are written). `numbered` names the request.
std::string answer_grid(const Given &given, Grid &grid, std::int32_t unit, bool numbered,
                        Answering &answering, Progress &progress, double most_replicates) {
    Request request;
    const std::optional<std::size_t> replicates = parameter_named(*given.command, "replicates");
    for (std::size_t number = 1; grid.next(request); ++number) {
        std::string problem = check_request(*given.command, request, unit, numbered ? number : 0);
        if (problem.empty() && replicates && request[*replicates] &&
            *request[*replicates] > most_replicates) {
            problem = "--replicates: more simulated studies than this run allows (" +
                      exact_text(most_replicates) + ")";
        }
        if (!problem.empty()) {
            return problem;
        }
        if (!answering.answer(request)) {
            return answering.problem();
        }
        progress.update(answering.answered());
    }
    return "";
}

// Ends a run refused after `answering` began: what was answered is written
// (a closed JSON array), then the refusal.
int refuse_late(const Given &given, Answering &answering, const std::string &problem) {
    if (answering.answered() > 0) {
        answering.finish(false);
    }
    tell_on_stderr(given, problem);
    return kRefused;
}

std::string too_many(std::size_t most) {
    return "the grid holds more than " + std::to_string(most) + " combinations";
}

// The command line's grid: counted and each option's values checked before
// any is answered, then answered as the combinations come.
int run_grid(const Given &given, const ValueLists &lists, const RunLimits &limits,
             Answering &answering) {
    Grid grid(lists);
    const std::optional<std::size_t> count = grid.count();
    if (!count || *count > limits.most_requests) {
        tell_on_stderr(given, too_many(count ? limits.most_requests
                                             : std::numeric_limits<std::size_t>::max()));
        return kRefused;
    }
    const std::int32_t unit = unit_of(given);
    std::string problem = check_each_value(*given.command, lists, unit, *count > 1);
    if (!problem.empty()) {
        tell_on_stderr(given, problem);
        return kRefused;
    }
    Progress progress(*count, limits.progress);
    problem =
        answer_grid(given, grid, unit, *count > 1, answering, progress, limits.most_replicates);
    return problem.empty() ? answering.finish() : refuse_late(given, answering, problem);
}

// An input file's rows, each checked and answered as it is read: a bad row
// ends the run after the rows before it.
// `file` is open, its header read.
int run_input(const Given &given, CsvRequests &file, const RunLimits &limits,
              Answering &answering) {
    std::string problem;
    const std::int32_t unit = unit_of(given);
    Progress progress(0, limits.progress);
    ValueLists row;
    while (problem.empty() && !answering.failed() && file.next(row, problem)) {
        const std::string label = file.line_label();
        Grid grid(row);
        const std::optional<std::size_t> count = grid.count();
        if (!count || *count > limits.most_requests - answering.answered()) {
            problem = label + too_many(limits.most_requests);
            break;
        }
        problem = check_each_value(*given.command, row, unit, false);
        if (problem.empty()) {
            problem =
                answer_grid(given, grid, unit, false, answering, progress, limits.most_replicates);
        }
        if (!problem.empty()) {
            problem.insert(0, label);
        }
    }
    return problem.empty() ? answering.finish() : refuse_late(given, answering, problem);
}

// The names of a comma-separated list, spaces around each dropped, and
// underscores read as hyphens (the bindings' spelling of the same names).
std::vector<std::string> names_in(const std::string &text) {
    std::vector<std::string> names;
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t end = std::min(text.find(',', start), text.size());
        std::string name = text.substr(start, end - start);
        name.erase(0, name.find_first_not_of(' '));
        name.erase(name.find_last_not_of(' ') + 1);
        std::replace(name.begin(), name.end(), '_', '-');
        names.push_back(name);
        start = end + 1;
    }
    return names;
}

std::string no_such_column(const std::string &option, const std::string &name,
                           const std::vector<std::string> &columns) {
    const std::string near = nearest_word(name, columns);
    return option + ": no column " + quoted(name) + " in this answer" +
           (near.empty() ? "" : "; did you mean " + quoted(near) + "?");
}

// The command's columns a run writes: those --columns names, in its order,
// else those shown. Empty, or the refusal of a name.
std::string pick_columns(const Given &given, const std::vector<bool> &shown,
                         std::vector<std::size_t> &picked) {
    const std::vector<std::string> &columns = given.command->columns;
    picked.clear();
    if (given.columns_option->count() == 0) {
        for (std::size_t i = 0; i < columns.size(); ++i) {
            if (shown[i]) {
                picked.push_back(i);
            }
        }
        return "";
    }
    if (given.all_columns) {
        return "--columns and --all-columns: give one";
    }
    for (const std::string &name : names_in(given.columns)) {
        const std::optional<std::size_t> at = position_of(name, columns);
        if (!at) {
            return no_such_column("--columns", name, columns);
        }
        if (std::find(picked.begin(), picked.end(), *at) != picked.end()) {
            return "--columns: " + quoted(name) + " is named twice";
        }
        picked.push_back(*at);
    }
    return "";
}

// For each column written, whether rows may differ in it though the first
// rows do not: an input of a list of several values, or a file's column.
std::vector<bool> may_vary(const Command &command, const ValueLists &lists,
                           const std::vector<std::size_t> &named,
                           const std::vector<std::size_t> &picked) {
    std::vector<bool> varies(picked.size(), false);
    for (const auto &[parameter, column] : command.parameter_columns) {
        const bool several = lists[parameter] && lists[parameter]->size > 1;
        const bool in_file = std::find(named.begin(), named.end(), parameter) != named.end();
        const auto at = std::find(picked.begin(), picked.end(), column);
        if (at != picked.end() && (several || in_file)) {
            varies[static_cast<std::size_t>(at - picked.begin())] = true;
        }
    }
    return varies;
}

// A wide table's inputs and value.
struct WideChoice {
    WideAxis down;
    WideAxis across;
    std::size_t cells = 0;
};

// One of --wide's inputs as an axis: its column among those written and its
// list's place in the grid. Empty, or the refusal of the name.
std::string wide_axis(const Given &given, const ValueLists &lists,
                      const std::vector<std::string> &written, const std::string &name,
                      WideAxis &axis) {
    const Command &command = *given.command;
    const std::optional<std::size_t> parameter = parameter_named(command, name);
    const std::optional<std::size_t> column = position_of(name, written);
    if (!parameter || !column || command.parameters[*parameter].single) {
        return "--wide: " + quoted(name) + " is not an input of vantor " + command.name +
               " that a grid varies";
    }
    if (!lists[*parameter]) {
        return "--wide: give --" + name + " its values (a list or a range)";
    }
    axis.column = *column;
    axis.count = lists[*parameter]->size;
    axis.stride = stride_of(lists, *parameter);
    return "";
}

// The input other than `down` and `across` that has several values, or
// nothing.
std::optional<std::size_t> other_varying(const Command &command, const ValueLists &lists,
                                         const std::string &down, const std::string &across) {
    for (std::size_t i = 0; i < lists.size(); ++i) {
        const std::string &name = command.parameters[i].name;
        if (lists[i] && lists[i]->size > 1 && name != down && name != across) {
            return i;
        }
    }
    return std::nullopt;
}

// The layout --wide and --cells ask for. Empty, or the refusal.
std::string choose_wide(const Given &given, const ValueLists &lists,
                        const std::vector<std::string> &written, WideChoice &choice) {
    if (given.input_option->count() > 0 || given.columns_option->count() > 0 || given.all_columns) {
        return "--wide lays out the command line's grid by itself: it takes no --input, "
               "--columns or --all-columns";
    }
    const std::vector<std::string> names = names_in(given.wide);
    if (names.size() != 2 || names[0] == names[1]) {
        return "--wide takes two different inputs, DOWN,ACROSS (--wide cases,relative-risk)";
    }
    std::string problem = wide_axis(given, lists, written, names[0], choice.down);
    if (problem.empty()) {
        problem = wide_axis(given, lists, written, names[1], choice.across);
    }
    if (!problem.empty()) {
        return problem;
    }
    const std::optional<std::size_t> other =
        other_varying(*given.command, lists, names[0], names[1]);
    if (other) {
        const Parameter &parameter = given.command->parameters[*other];
        return "--wide " + names[0] + "," + names[1] + ": --" + parameter.name + " has " +
               std::to_string(lists[*other]->size) +
               " values (give it one); a wide table lays out two inputs, every other one value";
    }
    if (choice.down.count * choice.across.count > kLargestWide) {
        return "--wide: a wide table holds at most " + std::to_string(kLargestWide) + " cells";
    }
    const std::vector<std::string> cells_names = names_in(given.cells);
    if (cells_names.size() != 1) {
        return "--cells takes one name: the value in the cells";
    }
    const std::string &cells = cells_names.front();
    const std::optional<std::size_t> column = position_of(cells, written);
    if (!column) {
        return no_such_column("--cells", cells, written);
    }
    choice.cells = *column;
    return "";
}

// An input's or a result field's words on an axis: "relative risk", with its
// unit when it counts ("cases (people)").
std::string axis_title(const Command &command, const std::string &name, std::int32_t unit) {
    std::string title = name;
    std::replace(title.begin(), title.end(), '-', ' ');
    // Stages are 1 and 2 for people: "stage 1 share".
    for (std::size_t at = title.find("stage"); at != std::string::npos;
         at = title.find("stage", at + 1)) {
        if (at + 5 < title.size() && std::isdigit(static_cast<unsigned char>(title[at + 5])) != 0) {
            title.insert(at + 5, " ");
        }
    }
    std::string field = name;
    std::replace(field.begin(), field.end(), '-', '_');
    bool counts = false;
    const std::optional<std::size_t> parameter = parameter_named(command, name);
    if (parameter) {
        counts = command.parameters[*parameter].kind == Kind::Count;
    }
    for (const std::int32_t record : command.records) {
        const REC_field *described = REC_field_named(record, field.c_str());
        counts = counts || (described != nullptr && described->kind == REC_KIND_COUNT);
    }
    return counts ? title + " (" + unit_name(unit) + ")" : title;
}

// One of the figure's inputs: a parameter with its values given. Empty, or
// the refusal of the name.
std::string figure_input(const Given &given, const ValueLists &lists, const std::string &name,
                         std::size_t &parameter) {
    const Command &command = *given.command;
    const std::optional<std::size_t> found = parameter_named(command, name);
    if (!found || command.parameters[*found].single || !position_of(name, command.columns)) {
        return "--figure-axes: " + quoted(name) + " is not an input of vantor " + command.name +
               " that a grid varies";
    }
    if (!lists[*found]) {
        return "--figure-axes: give --" + name + " its values (a list or a range)";
    }
    parameter = *found;
    return "";
}

// The figure's horizontal input and that of its curves: those --figure-axes
// names, else of the inputs with several values the one with the most (a
// number) across and the other as curves. Empty, or the refusal.
std::string figure_inputs(const Given &given, const ValueLists &lists, std::size_t &x,
                          std::optional<std::size_t> &curves) {
    const Command &command = *given.command;
    std::vector<std::size_t> varying;
    for (std::size_t i = 0; i < lists.size(); ++i) {
        if (lists[i] && lists[i]->size > 1) {
            varying.push_back(i);
        }
    }
    std::vector<std::size_t> chosen;
    if (given.figure_axes_option->count() > 0) {
        const std::vector<std::string> names = names_in(given.figure_axes);
        if (names.empty() || names.size() > 2 || (names.size() == 2 && names[0] == names[1])) {
            return "--figure-axes takes one or two different inputs, X[,CURVES] "
                   "(--figure-axes cases,relative-risk)";
        }
        for (const std::string &name : names) {
            std::size_t parameter = 0;
            std::string problem = figure_input(given, lists, name, parameter);
            if (!problem.empty()) {
                return problem;
            }
            chosen.push_back(parameter);
        }
    } else {
        if (varying.empty()) {
            return "--figure: give an input several values (a list or a range) to draw it";
        }
        chosen = varying;
        std::stable_sort(chosen.begin(), chosen.end(), [&](std::size_t a, std::size_t b) {
            const bool a_number = command.parameters[a].kind != Kind::Word;
            const bool b_number = command.parameters[b].kind != Kind::Word;
            return a_number != b_number ? a_number : lists[a]->size > lists[b]->size;
        });
        chosen.resize(std::min<std::size_t>(chosen.size(), 2));
    }
    for (const std::size_t other : varying) {
        if (std::find(chosen.begin(), chosen.end(), other) == chosen.end()) {
            return "--figure: --" + command.parameters[other].name + " has " +
                   std::to_string(lists[other]->size) +
                   " values (give it one); a figure draws one input across and one per curve";
        }
    }
    if (command.parameters[chosen[0]].kind == Kind::Word) {
        return "--figure: --" + command.parameters[chosen[0]].name +
               " takes words; a figure draws a number across (give it as the curves)";
    }
    x = chosen[0];
    curves = chosen.size() > 1 ? std::optional<std::size_t>(chosen[1]) : std::nullopt;
    return "";
}

// Why a file cannot be written at `path` (a folder, a file or folder that
// is not writable, no such folder), told before any work; empty when it
// can. Nothing is created or changed.
std::string unwritable(const std::string &path) {
    if (path.empty() || path == "-") {
        return "give the file to write (standard output carries the table)";
    }
    std::error_code error;
    const std::filesystem::path file(path);
    if (std::filesystem::is_directory(file, error)) {
        return "is a folder";
    }
    const bool exists = std::filesystem::exists(file, error);
    std::filesystem::path folder = file.parent_path();
    if (folder.empty()) {
        folder = ".";
    }
    const std::string checked = exists ? path : folder.string();
    if (::access(checked.c_str(), exists ? W_OK : W_OK | X_OK) != 0) {
        return std::strerror(errno);
    }
    return "";
}

// Whether a column holds numbers a figure can draw: a number input, or a
// count or number field of the command's records or of the answer's head.
bool number_column(const Command &command, const std::string &name) {
    const std::optional<std::size_t> parameter = parameter_named(command, name);
    if (parameter) {
        return command.parameters[*parameter].kind != Kind::Word;
    }
    std::string field = name;
    std::replace(field.begin(), field.end(), '-', '_');
    std::vector<std::int32_t> records = command.records;
    records.push_back(REC_ANSWER);
    return std::any_of(records.begin(), records.end(), [&field](std::int32_t record) {
        const REC_field *described = REC_field_named(record, field.c_str());
        return described != nullptr &&
               (described->kind == REC_KIND_NUMBER || described->kind == REC_KIND_COUNT);
    });
}

// What --figure and its options ask for. Empty, or the refusal.
std::string choose_figure(const Given &given, const ValueLists &lists, std::int32_t unit,
                          bool write_files, std::unique_ptr<FigureRun> &run) {
    if (given.input_option->count() > 0 || given.wide_option->count() > 0 || given.methods) {
        return "--figure draws the command line's grid: it takes no --input, --wide or --methods";
    }
    const Command &command = *given.command;
    auto figure = std::make_unique<FigureRun>();
    std::string problem =
        figure_inputs(given, lists, figure->x_parameter, figure->curves_parameter);
    if (!problem.empty()) {
        return problem;
    }
    const std::vector<std::string> y_names = names_in(given.figure_y);
    if (y_names.size() != 1) {
        return "--figure-y takes one name: the value drawn up the figure";
    }
    const std::optional<std::size_t> y = position_of(y_names[0], command.columns);
    if (!y) {
        return no_such_column("--figure-y", y_names[0], command.columns);
    }
    if (!number_column(command, y_names[0])) {
        return "--figure-y: " + vantor_cli::quoted(y_names[0]) +
               " holds words; a figure draws a number column (power, cases, odds-ratio ...)";
    }
    const Parameter &x = command.parameters[figure->x_parameter];
    const std::size_t curve_count =
        figure->curves_parameter ? lists[*figure->curves_parameter]->size : 1;
    if (curve_count > kMostCurves) {
        return "--figure draws at most " + std::to_string(kMostCurves) + " curves; --" +
               command.parameters[*figure->curves_parameter].name + " has " +
               std::to_string(curve_count) + " values";
    }
    if (lists[figure->x_parameter]->size * curve_count > kLargestFigure) {
        return "--figure draws at most " + std::to_string(kLargestFigure) + " points";
    }
    if (given.figure_target_option->count() > 0 && !std::isfinite(given.figure_target)) {
        return "--figure-target takes a number";
    }
    FigurePlan plan;
    plan.x = *position_of(x.name, command.columns);
    if (figure->curves_parameter) {
        const std::string &name = command.parameters[*figure->curves_parameter].name;
        plan.curves = *position_of(name, command.columns);
        plan.curve_name = axis_title(command, name, unit);
    }
    plan.y = *y;
    plan.x_title = axis_title(command, x.name, unit);
    plan.y_title = axis_title(command, y_names[0], unit);
    if (given.figure_target_option->count() > 0 || y_names[0] == "power") {
        plan.target = given.figure_target;
    }
    figure->figure = Figure(plan);
    figure->path = given.figure;
    figure->write_file = write_files;
    problem = write_files ? unwritable(given.figure) : "";
    if (!problem.empty()) {
        return std::string("--figure ") + vantor_cli::quoted(given.figure) + ": " + problem;
    }
    run = std::move(figure);
    return "";
}

// Options that only a figure takes, given without --figure: their refusal.
std::string figure_options_alone(const Given &given) {
    if (given.figure_option->count() > 0) {
        return "";
    }
    for (const CLI::Option *option :
         {given.figure_axes_option, given.figure_y_option, given.figure_target_option}) {
        if (option->count() > 0) {
            return option->get_name() + " shapes a figure: give --figure FILE";
        }
    }
    return "";
}

// The writer of a run's answer: a wide table, or one row per answer.
std::unique_ptr<RowWriter> make_writer(const Given &given, const ValueLists &lists,
                                       const std::vector<std::size_t> &named,
                                       const std::vector<std::size_t> &picked,
                                       std::string &problem) {
    const Command &command = *given.command;
    const auto format = static_cast<Format>(*position_of(given.format, format_names()));
    std::vector<std::string> written = picked_only(command.columns, picked);
    if (given.wide_option->count() == 0 && given.cells_option->count() > 0) {
        problem = "--cells names the value of a wide table's cells: give --wide DOWN,ACROSS";
        return nullptr;
    }
    if (given.methods) {
        const bool laid_out = given.format != "table" || given.columns_option->count() > 0 ||
                              given.all_columns || given.wide_option->count() > 0;
        problem = laid_out ? "--methods writes paragraphs: it takes no --format, --columns, "
                             "--all-columns or --wide"
                           : "";
        return laid_out ? nullptr : std::make_unique<ParagraphWriter>(stdout);
    }
    if (given.wide_option->count() > 0) {
        WideChoice choice;
        problem = choose_wide(given, lists, written, choice);
        return problem.empty()
                   ? std::make_unique<WideWriter>(stdout, format, std::move(written), choice.down,
                                                  choice.across, choice.cells)
                   : nullptr;
    }
    const bool every = given.all_columns || given.columns_option->count() > 0;
    return std::make_unique<AnswerWriter>(stdout, format, std::move(written), every,
                                          may_vary(command, lists, named, picked));
}

int run_command(const Given &given, const RunLimits &limits) {
    const std::string wrong_word = check_words(given);
    if (!wrong_word.empty()) {
        tell_on_stderr(given, wrong_word);
        return kRefused;
    }
    ValueLists lists;
    std::vector<bool> explicitly;
    if (!read_lists(given, lists, explicitly)) {
        return kRefused;
    }
    const std::int32_t unit = unit_of(given);
    std::unique_ptr<CsvRequests> file;
    if (given.input_option->count() > 0 && given.wide_option->count() == 0) {
        file = std::make_unique<CsvRequests>(*given.command, given.input, lists, explicitly);
        const std::string problem = file->open();
        if (!problem.empty()) {
            tell_on_stderr(given, problem);
            return kRefused;
        }
    }
    const std::vector<std::size_t> named =
        file ? file->named_parameters() : std::vector<std::size_t>();
    std::vector<std::size_t> picked;
    std::string problem = figure_options_alone(given);
    if (problem.empty()) {
        problem = pick_columns(given, columns_of_run(given, named), picked);
    }
    const std::unique_ptr<RowWriter> writer =
        problem.empty() ? make_writer(given, lists, named, picked, problem) : nullptr;
    std::unique_ptr<FigureRun> figure;
    if (problem.empty() && given.figure_option->count() > 0) {
        problem = choose_figure(given, lists, unit, limits.write_files, figure);
    }
    if (!problem.empty()) {
        tell_on_stderr(given, problem);
        return kRefused;
    }
    ReportCatcher reports;
    Answering answering(given, unit, *writer, reports, std::move(picked), limits.progress,
                        given.wide_option->count() > 0 || figure != nullptr);
    answering.draw_into(figure.get());
    if (file) {
        return run_input(given, *file, limits, answering);
    }
    return run_grid(given, lists, limits, answering);
}

// The first word the command line has that no subcommand or option takes:
// a usage error naming it, with the nearest known word.
std::string unknown_word_message(const CLI::App &app, const std::vector<std::string> &words) {
    const auto subcommands = app.get_subcommands([](const CLI::App *) { return true; });
    std::vector<std::string> names;
    names.reserve(subcommands.size());
    for (const CLI::App *subcommand : subcommands) {
        names.push_back(subcommand->get_name());
    }
    const std::string &word = words.front();
    if (word.rfind('-', 0) == 0) {
        return "unknown option " + quoted(word.substr(0, word.find('=')));
    }
    const std::string near = nearest_word(word, names);
    return "unknown subcommand " + quoted(word) +
           (near.empty() ? "" : "; did you mean " + quoted(near) + "?");
}

std::string unknown_option_message(const Given &given, const std::vector<std::string> &words) {
    for (const std::string &word : words) {
        if (word.rfind('-', 0) == 0 && word.size() > 1) {
            const std::string name = word.substr(0, word.find('='));
            std::vector<std::string> names;
            for (const Parameter &parameter : given.command->parameters) {
                names.push_back("--" + parameter.name);
            }
            names.insert(names.end(),
                         {"--count", "--format", "--input", "--columns", "--all-columns", "--wide",
                          "--cells", "--methods", "--figure", "--figure-axes", "--figure-y",
                          "--figure-target", "--help"});
            const std::string near = nearest_word(name, names);
            return "unknown option " + quoted(name) +
                   (near.empty() ? "" : "; did you mean " + quoted(near) + "?");
        }
    }
    return "unexpected argument " + quoted(words.front());
}

// A usage error's message on one line, each word of it cut and escaped as
// a value is.
std::string one_line(const std::string &message) {
    std::string out;
    std::size_t start = 0;
    while (start <= message.size()) {
        const std::size_t end = std::min(message.find(' ', start), message.size());
        out += (start > 0 ? " " : "") + echoed(message.substr(start, end - start));
        start = end + 1;
    }
    return out;
}

void usage_error(const std::string &message) {
    std::fprintf(stderr, "vantor: %s (see vantor --help)\n", one_line(message).c_str());
}

// The refusal of the first option spelled as before the glossary, or empty.
std::string old_spelling(int argc, const char *const *argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string word = argv[i];
        if (word == "--") {
            break;
        }
        if (word.rfind("--", 0) == 0) {
            std::string message = renamed_option(word.substr(2, word.find('=') - 2));
            if (!message.empty()) {
                return message;
            }
        }
    }
    return "";
}

}  // namespace

int run_vantor(int argc, const char *const *argv, const RunLimits &limits) {
    CLI::App app(kProgramHelp, "vantor");
    app.footer([] { return wrapped(kProgramFooter, kHelpWidth); });
    app.set_version_flag("--version", std::string("vantor ") + vantor_version());
    app.require_subcommand(1);
    // One line per usage error, as for a refused value.
    app.failure_message([](const CLI::App * /*app*/, const CLI::Error &error) {
        return "vantor: " + one_line(error.what()) + " (see vantor --help)\n";
    });
    const std::string renamed = old_spelling(argc, argv);
    if (!renamed.empty()) {
        std::fprintf(stderr, "vantor: %s\n", renamed.c_str());
        return kRefused;
    }
    Given given[3];
    add_subcommand(app, power_command(), given[0]);
    add_subcommand(app, two_stage_command(), given[1]);
    add_subcommand(app, design_command(), given[2]);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError &error) {
        if (!app.remaining().empty() && error.get_exit_code() != 0) {
            usage_error(unknown_word_message(app, app.remaining()));
            return kRefused;
        }
        const int status = app.exit(error);
        return status == 0 ? kEveryRowFound : kRefused;
    }
    for (const Given &one : given) {
        if (!one.app->parsed()) {
            continue;
        }
        if (!one.app->remaining().empty()) {
            usage_error(unknown_option_message(one, one.app->remaining()));
            return kRefused;
        }
        return run_command(one, limits);
    }
    return kRefused;
}

}  // namespace vantor_cli
