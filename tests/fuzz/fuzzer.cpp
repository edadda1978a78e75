// One libFuzzer executable per target: the target's name is compiled in
// (SONIVERT_FUZZ_TARGET). Half of the mutations are structure-aware where
// the target's input is made of chunks, the rest are libFuzzer's own.

#include "tests/fuzz/chunkmutator.h"
#include "tests/fuzz/fuzztargets.h"

#include <cstdlib>

extern "C" size_t LLVMFuzzerMutate(uint8_t* data, size_t size, size_t maxSize);

namespace {

const sonivert::fuzz::Target& target()
{
    static const sonivert::fuzz::Target* t = sonivert::fuzz::findTarget(SONIVERT_FUZZ_TARGET);
    if (!t)
        std::abort();
    return *t;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    target().run({data, size});
    return 0;
}

extern "C" size_t LLVMFuzzerCustomMutator(uint8_t* data, size_t size, size_t maxSize, unsigned int seed)
{
    if (seed % 2 == 0) {
        const size_t mutated = sonivert::fuzz::mutateChunks(data, size, maxSize, seed / 2, target().layout,
                                                            [](uint8_t* region, size_t n, size_t max) {
                                                                return LLVMFuzzerMutate(region, n, max);
                                                            });
        if (mutated > 0)
            return mutated;
    }
    return LLVMFuzzerMutate(data, size, maxSize);
}
