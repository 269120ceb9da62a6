// The settings reader on any file: reading, loading every section and every lookup.
// The same bytes serve as the settings file and as the introduction text beside it.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "readers/SettingsFile.h"
#include "fuzz/FuzzSupport.h"

using fuzzsupport::Check;

namespace {

void LookUpEverything(const SettingsFile& settings)
{
    settings.GetCsvListCaption();
    settings.GetSelListCaption();
    settings.GetMetaDataTemplate();
    settings.GetDataSetTemplate();
    settings.HelpPaths();
    settings.BitmapPath();
    settings.TextPath();
    settings.IniPath();
    settings.IntroLines();
    // A name never holds an unpaired "{", so this key is never present and a lookup
    // must answer the key itself.
    const std::string absent = "{";
    Check(settings.GetConvertBody(absent) == absent, "missing Convert entry is not its key");
    Check(settings.GetConvertAttributes(absent) == absent, "missing attributes are not the key");
    Check(settings.GetMetaData(absent) == absent, "missing metadata is not its key");
    settings.Sections().ForEach([&](const std::string& key, const std::string&) {
        Check(!key.empty(), "a section has an empty name");
        settings.GetConvertBody(key);
        settings.GetConvertAttributes(key);
        settings.GetMetaData(key);
    });
    for (const std::string& code : settings.ObjectCodes()) {
        settings.GetConvertBody(code);
        settings.GetConvertAttributes(code);
    }
}

}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::filesystem::path iniPath = fuzzsupport::ProcessFolder() / "fuzz.ini";
    fuzzsupport::WriteFileBytes(iniPath, bytes);
    fuzzsupport::WriteFileBytes(fuzzsupport::ProcessFolder() / "fuzz.txt", bytes);

    SettingsFile settings(iniPath);
    Check(settings.ReadIniFile(), "an existing settings file is not read");
    Check(settings.ReadTextFile(), "an existing introduction text is not read");
    Check(settings.IntroLines().size() == fuzzsupport::CountLines(bytes),
          "introduction lines miscounted");
    LookUpEverything(settings);

    const int objects = settings.LoadWizardSettings();
    Check(objects == static_cast<int>(settings.ObjectCodes().size()) &&
              settings.ObjectCodes().size() == settings.ObjectNames().size(),
          "object codes and names differ in number");
    settings.LoadConvertSettings();
    Check(settings.ObjectCodes().size() == settings.ObjectNames().size(),
          "object codes and names differ in number");
    LookUpEverything(settings);

    const int count = settings.SetMetaData("StartPointX", "0.0000");
    Check(count == settings.GetMetaDataCount(), "metadata count is wrong");
    Check(settings.GetMetaData("StartPointX") == "0.0000", "set metadata is not found");
    return 0;
}
