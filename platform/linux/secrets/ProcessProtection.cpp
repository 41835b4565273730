#include "ProcessProtection.h"

#include <sys/prctl.h>

namespace ProcessProtection {

bool makeNonDumpable()
{
    return prctl(PR_SET_DUMPABLE, 0, 0, 0, 0) == 0 && prctl(PR_GET_DUMPABLE, 0, 0, 0, 0) == 0;
}

} // namespace ProcessProtection
