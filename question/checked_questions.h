// The study's questions once their inputs are checked, for the named path
// (question/ask.h), which checks every input itself first. Internal to the
// library (C++).
#ifndef VANTOR_QUESTION_CHECKED_QUESTIONS_H
#define VANTOR_QUESTION_CHECKED_QUESTIONS_H

#include <cstdint>

// The records of question/study.h, which includes this header's source.
struct STU_study;
struct STU_power_result;

namespace vantor {

// STU_power's answer for a study, cases and controls STU_power accepts
// (STU_check_study with the effect known, VANTOR_check_cases and
// VANTOR_check_controls in the study's unit), without checking them again.
std::int32_t checked_power(const STU_study &study, std::int64_t cases, std::int64_t controls,
                           STU_power_result *result);

}  // namespace vantor

#endif
