#include "numeric/MTH_newton_method.h"
