#pragma once

#include <iosfwd>

// ordevik-batch: converts filesets from the command line over the same run the wizard
// uses. Dialogs are printed on the error stream and answered from the options.
// Returns the exit status: 0 the run completed, 1 it stopped, 2 the command line or an
// input path is wrong (nothing written).
int RunBatch(int argc, const char* const* argv, std::ostream& out, std::ostream& err);
