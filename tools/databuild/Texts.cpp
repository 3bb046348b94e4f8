// The "texts" command: checks the five text tables and stages them for the common archive.
#include "Command.h"
#include "TextKeys.h"
#include "TextTable.h"

#include <filesystem>
#include <fstream>
#include <iterator>

namespace DataBuild {

namespace {

int RunTexts(const std::vector<std::string>& args);

const CommandRegistration s_texts{
    {"texts", "texts SRC_DIR OUT_DIR [--chars FILE]",
     "check the text tables, stage them as texts/<lang>.xml, list their characters", &RunTexts}};

bool ReadFile(const std::string& path, std::string& bytes)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

bool WriteFile(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    return !out.fail();
}

int RunTexts(const std::vector<std::string>& args)
{
    const Command& self = *FindCommand("texts");
    std::string charsPath;
    std::vector<std::string> positional;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--chars" && i + 1 < args.size())
            charsPath = args[++i];
        else if (args[i].compare(0, 2, "--") == 0)
            return UsageError(self);
        else
            positional.push_back(args[i]);
    }
    if (positional.size() != 2)
        return UsageError(self);
    const std::filesystem::path srcDir = positional[0];
    const std::filesystem::path outDir = positional[1];

    std::vector<std::string> errors;
    std::vector<TextTable> tables;
    std::vector<std::string> bytes;
    for (const std::string& language : TextLanguages()) {
        const std::string path = (srcDir / (language + ".xml")).string();
        std::string content;
        TextTable table;
        if (!ReadFile(path, content))
            errors.push_back(path + ": cannot be read");
        else
            ParseTextTable(content, path, table, errors);
        tables.push_back(table);
        bytes.push_back(content);
    }
    if (errors.empty()) {
        // A translation is compared with English only when both hold the right keys, so that a
        // missing key is reported once.
        std::vector<bool> complete;
        for (const TextTable& table : tables)
            complete.push_back(CheckTableKeys(table, GameTextKeys(), errors));
        for (size_t i = 1; i < tables.size(); ++i)
            if (complete[0] && complete[i])
                CheckAgainstReference(tables[0], tables[i], errors);
    }
    if (!errors.empty()) {
        for (const std::string& error : errors)
            Fail(error);
        return Fail("texts: " + std::to_string(errors.size()) + " problem(s) in the text tables");
    }

    std::error_code ec;
    std::filesystem::create_directories(outDir / "texts", ec);
    if (ec)
        return Fail((outDir / "texts").string() + ": cannot be created: " + ec.message());
    for (size_t i = 0; i < tables.size(); ++i) {
        const std::string path = (outDir / "texts" / (TextLanguages()[i] + ".xml")).string();
        if (!WriteFile(path, bytes[i]))
            return Fail(path + ": cannot be written");
    }
    if (!charsPath.empty()) {
        const std::filesystem::path parent = std::filesystem::path(charsPath).parent_path();
        if (!parent.empty())
            std::filesystem::create_directories(parent, ec);
        if (!WriteFile(charsPath, CollectCharacters(tables) + "\n"))
            return Fail(charsPath + ": cannot be written");
    }
    return 0;
}

} // namespace

} // namespace DataBuild
