// What the harnesses share. Each harness is a libFuzzer target: LLVMFuzzerTestOneInput feeds
// one input to one parser the way the engine does. An exception of the exception_c family is
// the parser's clean refusal and is caught by the harness; anything else (a sanitizer report,
// a crash, another exception, a hang, an allocation past the run's limit) is a finding.
//
// File parsers read through the file object (data directory "data" in front), so a harness
// works in a private directory made under the system's temporary directory on first use,
// entered for the life of the process and removed at its normal end.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace fuzz {

// Makes and enters the private directory (once; later calls do nothing). Packs are not
// loaded: every file is read from the disk.
void enter_scratch_dir();

// Writes data/<name> in the private directory, making its folders; a failed write aborts,
// since the run would test nothing.
void put_data(const std::string &name, const uint8_t *data, size_t size);

// The private directory's absolute path.
const std::string &scratch_dir();

// Keeps a value computed from what a parser produced, so that the reads behind it stay.
void keep(double value);

} // namespace fuzz
