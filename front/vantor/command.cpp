#include "front/vantor/command.h"

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
    row.push_back(Cell::word(reason == SLV_REASON_NONE && !has_target ? "" : SLV_message(reason)));
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
