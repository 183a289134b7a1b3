// Pieces the two-stage subcommands share: the library's check of a
// two-stage study, naming the option each refusal concerns, and the inputs
// of stage 1.
#ifndef VANTOR_FRONT_VANTOR_STAGES_H
#define VANTOR_FRONT_VANTOR_STAGES_H

#include <cstdint>
#include <string>

#include "front/vantor/command.h"
#include "power/study.h"

namespace vantor_cli {

// Empty, or the refusal of the first study input the library refuses: the
// single-stage fields (STU_check_study), then the method and case fraction.
std::string check_two_stage_study(const Command &command, const Request &request,
                                  const STU_study &study);

// --stage1-alpha: the level a marker passes in stage 1 to go on to stage 2.
Parameter stage1_alpha_parameter();

// --stage1-share: stage 1's share of a total.
Parameter stage1_share_parameter();

// A count of one group in one stage (--stage1-cases ...); `reason` the
// library's reason refusing it (BAD_CASES or BAD_CONTROLS).
Parameter stage_count_parameter(const std::string &name, const std::string &help,
                                const std::string &reason);

}  // namespace vantor_cli

#endif
