#pragma once

#include <array>
#include <filesystem>
#include <string>
#include <string_view>

#include "text/ElementParser.h"
#include "text/StringList.h"
#include "text/StringMap.h"

// The settings, introduction text, picture and help pages beside the executable that
// adapt the system to a product line without a rebuild. Only reads; nothing is ever
// written back. Lookups never fail: a missing "Convert" or metadata entry yields the
// key itself, a missing caption or template the empty string.
//
// The settings file is code page 932 text in bracket notation. Each line is cut at its
// first "#", trimmed of ASCII white space at both ends, and joined to the others with
// no separator, so line breaks carry no meaning.
//
// The lookups declared here (the Get... and ...View operations, the lists and paths)
// change nothing, so a loaded object may be read by them from several threads while no
// one changes it. The walks it inherits from ElementParser are not such lookups: even
// their const forms update the parser's caches, and they are not to be shared. No run
// relies on sharing either: each conversion run, and so each fileset of
// `ordevik-batch --jobs N`, reads a settings object of its own.
class SettingsFile : public ElementParser
{
public:
    // The settings file that the wizard and ordevik-batch read unless told otherwise:
    // "ordevik.ini" beside the running executable, where the build and the packages put
    // it. Its introduction text, picture and help pages are then "ordevik.txt",
    // "ordevik.bmp" and help/ beside it.
    static std::filesystem::path DefaultPath();

    // Uses the given settings file exactly; the text, picture and help paths lie beside
    // it under its own title (<folder>/<title>.txt, .bmp, <folder>/help/page_0.htm ...
    // page_7.htm). Reads no file.
    explicit SettingsFile(const std::filesystem::path& settingsFile);

    // True when read; false when there is no readable file at `iniPath`, and nothing
    // changes then.
    [[nodiscard]] bool ReadIniFile();
    // True when read; false when there is no readable introduction text, and nothing
    // changes then.
    [[nodiscard]] bool ReadTextFile();

    int LoadObjects();
    int LoadCaptions();
    int LoadConvert();
    int LoadMetaData();
    int LoadWizardSettings();
    void LoadConvertSettings();

    std::string GetCsvListCaption() const;
    std::string GetSelListCaption() const;
    std::string GetConvertBody(const std::string& key) const;
    std::string GetConvertAttributes(const std::string& key) const;
    std::string GetMetaData(const std::string& key) const;
    // As GetConvertBody and GetMetaData without a copy: the result views the stored
    // value or `key` itself, so it lives only as long as both.
    std::string_view ConvertBodyView(std::string_view key) const;
    std::string_view MetaDataView(std::string_view key) const;
    // Changes whenever the "Convert" table does (see StringMap::Version).
    std::uint64_t ConvertVersion() const { return convertBodies.Version(); }
    std::uint64_t MetaDataVersion() const { return metaData.Version(); }
    int SetMetaData(const std::string& key, const std::string& value);
    int GetMetaDataCount() const { return static_cast<int>(metaData.Size()); }
    std::string GetMetaDataTemplate() const;
    std::string GetDataSetTemplate() const;

    const StringList& ObjectCodes() const { return objectCodes; }
    const StringList& ObjectNames() const { return objectNames; }
    const StringList& IntroLines() const { return introLines; }
    const std::array<std::filesystem::path, 8>& HelpPaths() const { return helpPaths; }
    const std::filesystem::path& BitmapPath() const { return bitmapPath; }
    const std::filesystem::path& TextPath() const { return textPath; }
    const std::filesystem::path& IniPath() const { return iniPath; }
    const StringMap& Sections() const { return sections; }

private:
    void SetPaths(const std::filesystem::path& folder, const std::filesystem::path& title);
    int LoadSection(const std::string& sectionName, StringMap& target);
    int LoadSectionWithAttributes(const std::string& sectionName, StringMap& attributeTarget,
                                  StringMap& bodyTarget);
    std::string SectionOrEmpty(const std::string& sectionName) const;

protected:
    StringList objectCodes;
    StringList objectNames;
    StringList introLines;
    std::array<std::filesystem::path, 8> helpPaths;
    std::filesystem::path bitmapPath;
    std::filesystem::path textPath;
    std::filesystem::path iniPath;
    StringMap sections;
    StringMap metaData;
    StringMap convertBodies;
    StringMap convertAttributes;
    StringMap captions;
};
