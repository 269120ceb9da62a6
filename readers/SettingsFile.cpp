#include "readers/SettingsFile.h"

#include "platform/FileSystem.h"

namespace fs = std::filesystem;

namespace {

bool IsBlank(char byte)
{
    return byte == ' ' || byte == '\t' || byte == '\r' || byte == '\n' || byte == '\v' ||
           byte == '\f';
}

// Cuts the comment and the surrounding white space off one settings line. "#" cannot
// be a trail byte, so a plain byte search is safe here.
std::string_view PrepareLine(std::string_view line)
{
    const std::size_t comment = line.find('#');
    if (comment != std::string_view::npos) {
        line = line.substr(0, comment);
    }
    std::size_t first = 0;
    while (first < line.size() && IsBlank(line[first])) {
        ++first;
    }
    std::size_t last = line.size();
    while (last > first && IsBlank(line[last - 1])) {
        --last;
    }
    return line.substr(first, last - first);
}

// Calls `visit` with the parser standing at each named element of `text` in turn.
template <class Visit>
void ForEachNamedElement(std::string text, Visit visit)
{
    ElementParser parser(std::move(text));
    int cursor = 0;
    while (parser.NextElement(cursor)) {
        if (!parser.Name().empty()) {
            visit(parser);
        }
    }
}

}

fs::path SettingsFile::DefaultPath()
{
    return ExecutablePath().parent_path() / "ordevik.ini";
}

SettingsFile::SettingsFile(const fs::path& settingsFile)
{
    SetPaths(settingsFile.parent_path(), settingsFile.stem());
    iniPath = settingsFile;
}

void SettingsFile::SetPaths(const fs::path& folder, const fs::path& title)
{
    // The title stays a path, so that a name in any script reaches the system as it is.
    const auto beside = [&](const char* extension) {
        fs::path file = folder / title;
        file += extension;
        return file;
    };
    iniPath = beside(".ini");
    textPath = beside(".txt");
    bitmapPath = beside(".bmp");
    for (std::size_t i = 0; i < helpPaths.size(); ++i) {
        helpPaths[i] = folder / "help" / ("page_" + std::to_string(i) + ".htm");
    }
}

bool SettingsFile::ReadIniFile()
{
    StringList lines;
    if (!PathExists(iniPath) || ReadTextLines(iniPath, lines) != 0) {
        return false;
    }
    sections.Clear();
    std::string buffer;
    for (const std::string& line : lines) {
        buffer += PrepareLine(line);
    }
    ForEachNamedElement(std::move(buffer), [&](const ElementParser& parser) {
        sections.Set(parser.Name(), parser.Body());
    });
    return true;
}

bool SettingsFile::ReadTextFile()
{
    StringList lines;
    if (!PathExists(textPath) || ReadTextLines(textPath, lines) != 0) {
        return false;
    }
    introLines = std::move(lines);
    return true;
}

std::string SettingsFile::SectionOrEmpty(const std::string& sectionName) const
{
    const std::string* section = sections.Find(sectionName);
    return section != nullptr ? *section : std::string();
}

int SettingsFile::LoadObjects()
{
    objectNames.clear();
    objectCodes.clear();
    ForEachNamedElement(SectionOrEmpty("Object"), [&](const ElementParser& parser) {
        objectNames.push_back(parser.Name());
        objectCodes.push_back(parser.Body());
    });
    return static_cast<int>(objectCodes.size());
}

int SettingsFile::LoadSection(const std::string& sectionName, StringMap& target)
{
    target.Clear();
    ForEachNamedElement(SectionOrEmpty(sectionName), [&](const ElementParser& parser) {
        target.Set(parser.Name(), parser.Body());
    });
    return static_cast<int>(target.Size());
}

int SettingsFile::LoadSectionWithAttributes(const std::string& sectionName,
                                            StringMap& attributeTarget, StringMap& bodyTarget)
{
    attributeTarget.Clear();
    bodyTarget.Clear();
    ForEachNamedElement(SectionOrEmpty(sectionName), [&](const ElementParser& parser) {
        attributeTarget.Set(parser.Name(), parser.AttributeText());
        bodyTarget.Set(parser.Name(), parser.Body());
    });
    return static_cast<int>(bodyTarget.Size());
}

int SettingsFile::LoadCaptions()
{
    return LoadSection("Caption", captions);
}

int SettingsFile::LoadConvert()
{
    return LoadSectionWithAttributes("Convert", convertAttributes, convertBodies);
}

int SettingsFile::LoadMetaData()
{
    return LoadSection("MetaData", metaData);
}

int SettingsFile::LoadWizardSettings()
{
    LoadCaptions();
    return LoadObjects();
}

void SettingsFile::LoadConvertSettings()
{
    LoadObjects();
    LoadConvert();
    LoadMetaData();
}

std::string SettingsFile::GetCsvListCaption() const
{
    const std::string* caption = captions.Find("CsvListCaption");
    return caption != nullptr ? *caption : std::string();
}

std::string SettingsFile::GetSelListCaption() const
{
    const std::string* caption = captions.Find("SelListCaption");
    return caption != nullptr ? *caption : std::string();
}

std::string SettingsFile::GetConvertBody(const std::string& key) const
{
    return convertBodies.GetOr(key, key);
}

std::string SettingsFile::GetConvertAttributes(const std::string& key) const
{
    return convertAttributes.GetOr(key, key);
}

std::string SettingsFile::GetMetaData(const std::string& key) const
{
    return metaData.GetOr(key, key);
}

std::string_view SettingsFile::ConvertBodyView(std::string_view key) const
{
    const std::string* found = convertBodies.Find(key);
    return found != nullptr ? std::string_view(*found) : key;
}

std::string_view SettingsFile::MetaDataView(std::string_view key) const
{
    const std::string* value = metaData.Find(key);
    return value != nullptr ? std::string_view(*value) : key;
}

int SettingsFile::SetMetaData(const std::string& key, const std::string& value)
{
    metaData.Set(key, value);
    return static_cast<int>(metaData.Size());
}

std::string SettingsFile::GetMetaDataTemplate() const
{
    return SectionOrEmpty("MetaDataTemplate");
}

std::string SettingsFile::GetDataSetTemplate() const
{
    return SectionOrEmpty("DataSetTemplate");
}
