// Pieces the two-stage subcommands share: the study record from a request,
// the library's study check with the option each refusal names, and the
// columns of a design.
#ifndef VANTOR_FRONT_VANTOR_STAGES_H
#define VANTOR_FRONT_VANTOR_STAGES_H

#include <cstddef>
#include <cstdint>
#include <string>

#include "front/vantor/command.h"
#include "power/design.h"

namespace vantor_cli {

// Positions of the study's inputs among a command's parameters.
struct StudyParameters {
    std::size_t method;
    std::size_t odds_ratio;
    std::size_t rate;
    std::size_t alpha;
    std::size_t case_fraction;
    std::size_t variance;
};

DSN_study study_of(const Request &request, const StudyParameters &at, std::int32_t unit);

// Empty, or the refusal of the first study input the library refuses.
std::string check_study(const Command &command, const Request &request, const StudyParameters &at,
                        std::int32_t unit);

// "--name is needed: what" for the first required input not given.
std::string check_required(const Command &command, const Request &request,
                           const std::vector<std::size_t> &required);

// total, cases0, controls0, cases1, controls1 of a found design (missing
// otherwise).
void add_counts(Row &row, const DSN_design_result &result);

}  // namespace vantor_cli

#endif
