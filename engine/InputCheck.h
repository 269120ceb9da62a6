#pragma once

#include <filesystem>
#include <optional>

#include "dialogs/Messages.h"

// The first input of a run that cannot serve: the message that says so, and the path.
struct InputProblem
{
    MessageId message;
    std::filesystem::path path;
};

// Checks the inputs of a run before it starts, in the order the wizard's page asks for
// them: the fileset-list CSV file must be a file, the data and DTD folders folders (an
// entry of the other kind cannot serve). Nothing when all three can serve. The wizard
// shows the message; ordevik-batch prints it with the path.
[[nodiscard]] std::optional<InputProblem> CheckRunInputs(const std::filesystem::path& csvFile,
                                                         const std::filesystem::path& dataFolder,
                                                         const std::filesystem::path& dtdFolder);
