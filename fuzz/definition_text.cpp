// One definition call of the C interface with a fuzzed text: the first byte
// picks the call, then come its name and its definition text. The
// sanitizers report any fault or leak.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_host.h"
#include "fuzz_input.h"
#include "varno.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    varno::fuzz::FuzzInput input(data, size);
    const varno::fuzz::DefineCall call =
        varno::fuzz::defineCalls[input.choice(std::size(varno::fuzz::defineCalls))];
    const std::string name = input.text(64);
    const std::string text = input.text(1 << 16);
    varno::fuzz::initialize();
    if (call != VARNO_createNewStudy) VARNO_createNewStudy("s", "type: optimization");
    call(name.c_str(), text.c_str());
    VARNO_endStudy();
    return 0;
}
