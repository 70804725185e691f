// The helpers of test_mesh.h are all inline; this unit only checks that the
// header stands on its own.
#include "tests/unit/test_mesh.h"
