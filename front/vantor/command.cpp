#include "front/vantor/command.h"

#include "power/records.h"
#include "power/result.h"
#include "power/statistic.h"

namespace vantor_cli {

const char *unit_name(std::int32_t unit) { return unit == SLV_UNIT_ALLELES ? "alleles" : "people"; }

Cell input_cell(const Command &command, const Request &request, std::size_t parameter) {
    const std::optional<double> &value = request[parameter];
    if (!value) {
        return Cell::missing();
    }
    const Parameter &about = command.parameters[parameter];
    if (about.kind == Kind::Word) {
        return Cell::word(about.words[static_cast<std::size_t>(*value)]);
    }
    if (about.kind == Kind::Count) {
        return Cell::whole(static_cast<std::int64_t>(*value));
    }
    return Cell::exact(*value);
}

std::string refusal(const Command &command, const Request &request, std::size_t parameter,
                    std::int32_t reason) {
    const Cell value = input_cell(command, request, parameter);
    return "--" + command.parameters[parameter].name + " " + value.text + ": " +
           SLV_message(reason);
}

void add_status(Row &row, std::int32_t status, std::int32_t reason, bool has_target) {
    row.push_back(Cell::word(SLV_status_name(status)));
    row.push_back(Cell::word(REC_reason_name(reason)));
    row.push_back(Cell::word(reason == SLV_REASON_NONE && !has_target ? "" : SLV_message(reason)));
}

namespace {

struct Renamed {
    const char *old_name;
    const char *new_name;
    const char *why;
};

constexpr Renamed kRenamed[] = {
    {"alpha0", "stage1-alpha", " (stages are numbered 1 and 2)"},
    {"alpha1", "final-alpha", ": derived from the other two levels and shown, never given"},
    {"share", "stage1-share", ""},
    {"rate", "control-rate", ""},
    {"power", "target-power", " (leave it out to have the power computed)"},
    {"ratio", "controls-per-case", ""},
    {"cases0", "stage1-cases", " (stages are numbered 1 and 2)"},
    {"controls0", "stage1-controls", " (stages are numbered 1 and 2)"},
    {"cases1", "stage2-cases", " (stages are numbered 1 and 2)"},
    {"controls1", "stage2-controls", " (stages are numbered 1 and 2)"},
};

const Renamed *renamed(const std::string &name) {
    for (const Renamed &one : kRenamed) {
        if (name == one.old_name) {
            return &one;
        }
    }
    return nullptr;
}

}  // namespace

std::string renamed_option(const std::string &name) {
    const Renamed *old = renamed(name);
    return old == nullptr ? "" : "--" + name + " is now --" + old->new_name + old->why;
}

std::string renamed_column(const std::string &name, const std::string &as_typed) {
    const Renamed *old = renamed(name);
    return old == nullptr ? "" : "column " + as_typed + " is now " + old->new_name + old->why;
}

const std::vector<std::string> &method_words() {
    static const std::vector<std::string> words{"replication", "product", "joint"};
    return words;
}

Parameter variance_parameter() {
    Parameter variance{"variance",
                       "",
                       Kind::Word,
                       "the test's variance under no association: pooled (from the pooled rate, "
                       "as the allelic chi-square test does) or unpooled (each group's own rate, "
                       "as the Wald test does)",
                       {"pooled", "unpooled"},
                       "pooled"};
    variance.single = true;
    return variance;
}

std::int32_t statistic_of(const Request &request, std::size_t variance) {
    // The words' positions are the library's codes.
    return request[variance] ? static_cast<std::int32_t>(*request[variance]) : PWR_STATISTIC_POOLED;
}

}  // namespace vantor_cli
