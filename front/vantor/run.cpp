#include "front/vantor/run.h"

#include <CLI/CLI.hpp>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "front/vantor/command.h"
#include "front/vantor/output.h"
#include "front/vantor/progress.h"
#include "front/vantor/requests.h"
#include "power/result.h"
#include "vantor/version.h"

namespace vantor_cli {

namespace {

constexpr const char *kProgramHelp =
    "vantor: sample size, power and detectable effect of case-control genetic association "
    "studies (allelic test), in one stage or two.";

constexpr const char *kProgramFooter =
    "Counts are people (two alleles each) unless --count alleles is given. Any numeric option "
    "takes a list (--odds-ratio 1.1,1.2,1.3) or an inclusive range start:end:step (--cases "
    "500:5000:500); the answer has one row per combination. --input FILE.csv reads one request "
    "per row, the columns named like the options.\n\n"
    "Exit status: 0 when every row found its answer; 1 when some row's answer is not reachable "
    "(its status and reason are in the row, the other rows are answered); 2 for a usage or value "
    "error (a one-line message, nothing computed).\n\n"
    "Example:\n"
    "  vantor power --cases 2000 --controls 2000 --odds-ratio 1.3 --rate 0.3 --alpha 5e-8\n\n"
    "Run 'vantor SUBCOMMAND --help' for each subcommand's options.";

// What the command line gave one subcommand.
struct Given {
    const Command *command = nullptr;
    CLI::App *app = nullptr;
    std::vector<std::string> texts;
    std::vector<CLI::Option *> options;
    std::string count = "people";
    std::string format = "table";
    std::string input;
};

// Help text broken into lines of at most `width` characters at spaces;
// existing line ends are kept.
std::string wrapped(const std::string &text, std::size_t width) {
    std::string out;
    std::size_t line_start = 0;
    std::size_t last_space = std::string::npos;
    for (const char c : text) {
        out += c;
        if (c == '\n') {
            line_start = out.size();
            last_space = std::string::npos;
        } else if (c == ' ') {
            last_space = out.size() - 1;
        }
        if (out.size() - line_start > width && last_space != std::string::npos) {
            out[last_space] = '\n';
            line_start = last_space + 1;
            last_space = std::string::npos;
        }
    }
    return out;
}

constexpr std::size_t kHelpWidth = 90;

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
        option->type_name(parameter.kind == Kind::Word ? "WORDS" : "LIST");
        given.options.push_back(option);
    }
    given.app->add_option("--count", given.count, "counting unit of every count (default people)")
        ->check(CLI::IsMember({"people", "alleles"}).description(""))
        ->type_name("people|alleles");
    given.app->add_option("-f,--format", given.format, "output format (default table)")
        ->check(CLI::IsMember(format_names()).description(""))
        ->type_name("table|csv|tsv|json");
    given.app->add_option("--input", given.input, "CSV file: one request per row")
        ->type_name("FILE");
}

void refuse(const Given &given, const std::string &message) {
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
        if (!list.error.empty()) {
            refuse(given, "--" + parameter.name + ": " + list.error);
            return false;
        }
        lists[i] = std::move(list.values);
    }
    return true;
}

bool make_requests(const Given &given, const RunLimits &limits, std::vector<Request> &requests) {
    ValueLists lists;
    std::vector<bool> explicitly;
    if (!read_lists(given, lists, explicitly)) {
        return false;
    }
    if (!given.input.empty()) {
        const std::string problem = requests_from_csv(*given.command, given.input, lists,
                                                      explicitly, limits.largest_grid, requests);
        if (!problem.empty()) {
            refuse(given, problem);
            return false;
        }
        return true;
    }
    if (!expand_grid(lists, limits.largest_grid, requests)) {
        refuse(given,
               "the grid holds more than " + std::to_string(limits.largest_grid) + " combinations");
        return false;
    }
    return true;
}

// Every request is checked before any is answered.
bool check_requests(const Given &given, const std::vector<Request> &requests, std::int32_t unit) {
    for (std::size_t i = 0; i < requests.size(); ++i) {
        const std::string problem = given.command->check(requests[i], unit);
        if (!problem.empty()) {
            refuse(given, requests.size() > 1 ? "request " + std::to_string(i + 1) + ": " + problem
                                              : problem);
            return false;
        }
    }
    return true;
}

Format format_named(const std::string &name) {
    const std::vector<std::string> &names = format_names();
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (names[i] == name) {
            return static_cast<Format>(i);
        }
    }
    return Format::Table;
}

int exit_status_of(std::int32_t worst_status) {
    if (worst_status <= SLV_FOUND_WITH_WARNING) {
        return kEveryRowFound;
    }
    return worst_status == SLV_NOT_REACHABLE ? kSomeNotReached : kRefused;
}

int run_command(const Given &given, const RunLimits &limits) {
    std::vector<Request> requests;
    if (!make_requests(given, limits, requests)) {
        return kRefused;
    }
    const std::int32_t unit = given.count == "alleles" ? SLV_UNIT_ALLELES : SLV_UNIT_PEOPLE;
    if (!check_requests(given, requests, unit)) {
        return kRefused;
    }
    Table table;
    table.columns = given.command->columns;
    table.rows.reserve(requests.size());
    std::int32_t worst = SLV_FOUND;
    {
        Progress progress(requests.size(), limits.progress);
        for (const Request &request : requests) {
            Answer answer = given.command->answer(request, unit);
            worst = std::max(worst, answer.status);
            table.rows.push_back(std::move(answer.row));
            progress.update(table.rows.size());
        }
    }
    const std::string text = render(table, format_named(given.format));
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
    return exit_status_of(worst);
}

}  // namespace

int run_vantor(int argc, const char *const *argv, const RunLimits &limits) {
    CLI::App app(kProgramHelp, "vantor");
    app.footer([] { return wrapped(kProgramFooter, kHelpWidth); });
    app.set_version_flag("--version", std::string("vantor ") + vantor_version());
    app.require_subcommand(1);
    // One line per usage error, as for a refused value.
    app.failure_message([](const CLI::App * /*app*/, const CLI::Error &error) {
        return std::string("vantor: ") + error.what() + " (see vantor --help)\n";
    });
    Given given[3];
    add_subcommand(app, power_command(), given[0]);
    add_subcommand(app, two_stage_command(), given[1]);
    add_subcommand(app, design_command(), given[2]);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError &error) {
        const int status = app.exit(error);
        return status == 0 ? kEveryRowFound : kRefused;
    }
    for (const Given &one : given) {
        if (one.app->parsed()) {
            return run_command(one, limits);
        }
    }
    return kRefused;
}

}  // namespace vantor_cli
