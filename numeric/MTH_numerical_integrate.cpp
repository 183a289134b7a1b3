#include "numeric/MTH_numerical_integrate.h"
