#include "FuzzTargets.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (!fuzztargets::roundTrip(data, size))
        std::abort();
    return 0;
}
