// libFuzzer entry: the target is chosen at build time (FUZZ_TARGET).
#include "fuzz/FuzzTargets.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzTargets::FUZZ_TARGET(data, size);
    return 0;
}
