// Pieces the two-stage subcommands share: the library's check of a
// two-stage study, naming the option each refusal concerns, and the inputs
// of stage 1.
#ifndef VANTOR_FRONT_VANTOR_STAGES_H
#define VANTOR_FRONT_VANTOR_STAGES_H

#include <cstddef>
#include <cstdint>
#include <string>

#include "front/vantor/command.h"
#include "power/study.h"

namespace vantor_cli {

// Empty, or what is wrong with how the request describes its effect
// (check_effect_inputs), or the missing input of a disease model's effect:
// the two-stage questions take it known.
std::string check_effect_known(const Command &command, const Request &request);

// The position of the parameter of that name (the parameters' count when
// there is none).
std::size_t parameter_at(const Command &command, const std::string &name);

// Empty, or the refusal of the first study input the library refuses: the
// single-stage fields (STU_check_study), a test other than the allelic one,
// then the method and case fraction.
std::string check_two_stage_study(const Command &command, const Request &request,
                                  const STU_study &study);

// Appends the disease model's inputs, --test (the allelic test only: the
// library refuses another for two stages), --markers and --alpha with `help`.
void add_study_parameters(Command &command, const std::string &alpha_help);

// --stage1-alpha: the level a marker passes in stage 1 to go on to stage 2.
Parameter stage1_alpha_parameter();

// --stage1-share: stage 1's share of a total.
Parameter stage1_share_parameter();

// A count of one group in one stage (--stage1-cases ...), refused as the
// `group` input ("cases" or "controls") is.
Parameter stage_count_parameter(const std::string &name, const std::string &help,
                                const std::string &group);

}  // namespace vantor_cli

#endif
