#include "wizard/WizardServices.h"

#include "platform/FileSystem.h"

namespace fs = std::filesystem;

fs::path StartFolder(const fs::path& current)
{
    if (current.empty()) {
        return {};
    }
    if (IsFolder(current)) {
        return current;
    }
    const fs::path parent = current.parent_path();
    return !parent.empty() && IsFolder(parent) ? parent : fs::path();
}
