// The one fatal-error path: an engine error that cannot go on is written, the
// study is cleaned up, and the exported call in progress unwinds to its frame
// and returns its failure value. The library then refuses every call until it
// is initialised again.
#pragma once

#include <stdexcept>
#include <string>

namespace varno {

// Thrown by fatalError after its messages are written and the study cleaned
// up; caught only by the frame of an exported call.
class FatalError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

[[noreturn]] void fatalError(const std::string& text);

// The steps of a fatal error short of the unwind: run status, the two
// messages, the clean-up. Used where an unwind is already under way.
void recordFatalError(const std::string& text);

// Releases the analysis objects, writes the end-of-run information, closes the
// message file and releases COM.
void cleanupAfterError();

// The end-of-run block for the message file and standard output. It is kept
// out of the API message log so that it never buries the reason for a failure.
void writeEndOfRunInformation();

}  // namespace varno
