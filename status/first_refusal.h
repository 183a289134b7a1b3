// The first refusal among a question's checks: every check is run in the
// order given and the first reason that is not VANTOR_REASON_NONE wins, so
// a question refuses its inputs in one documented order. Shared by every
// layer that checks a list of inputs, so all of them apply one rule.
#ifndef VANTOR_STATUS_FIRST_REFUSAL_H
#define VANTOR_STATUS_FIRST_REFUSAL_H

#include <cstdint>
#include <initializer_list>

#include "status/status.h"

namespace vantor {

inline std::int32_t first_refusal(std::initializer_list<std::int32_t> reasons) {
    for (const std::int32_t reason : reasons) {
        if (reason != VANTOR_REASON_NONE) {
            return reason;
        }
    }
    return VANTOR_REASON_NONE;
}

}  // namespace vantor

#endif
