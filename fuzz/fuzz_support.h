// What the harnesses share. Each harness is a libFuzzer target: LLVMFuzzerTestOneInput feeds
// one input to one parser the way the engine does. An exception of the exception_c family is
// the parser's clean refusal and is caught by the harness; anything else (a sanitizer report,
// a crash, another exception, a hang, an allocation past the run's limit) is a finding.
//
// File parsers read through the file object (data directory "data" in front), so a harness
// works in a private directory made under the system's temporary directory, entered before the
// first input for the life of the process and removed at its normal end. The harness's own
// arguments are made absolute first (input files, corpus folders, -dict=, -artifact_prefix=;
// findings go to the starting directory unless -artifact_prefix says otherwise), so that a
// harness runs by hand on relative paths.
#pragma once

#include "kernel/exception.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace fuzz {

// Makes and enters the private directory (once; later calls do nothing; done before the first
// input). Packs are not loaded: every file is read from the disk.
void enter_scratch_dir();

// Defined by a harness that needs a set-up once per process: called in the private directory
// before the first input.
void harness_setup() __attribute__((weak));

// Writes data/<name> in the private directory, making its folders; a failed write aborts,
// since the run would test nothing.
void put_data(const std::string &name, const uint8_t *data, size_t size);

// The private directory's absolute path.
const std::string &scratch_dir();

// A clean refusal: printed when FUZZ_VERBOSE is set, to see why a seed goes no further.
inline void refused(const exception_c &e)
{
    static const bool verbose = std::getenv("FUZZ_VERBOSE") != nullptr;
    if (verbose)
        std::fprintf(stderr, "refused: %s\n", e.get_message().c_str());
}

// Keeps a value computed from what a parser produced, so that the reads behind it stay.
void keep(double value);

} // namespace fuzz
