// The "texts" command: checks the five text tables and stages them for the common archive.
#include "Command.h"
#include "Files.h"
#include "TextKeys.h"
#include "TextTable.h"

#include <filesystem>

namespace DataBuild {

namespace {

int RunTexts(const std::vector<std::string>& args);

const CommandRegistration s_texts{
    {"texts", "texts SRC_DIR OUT_DIR [--chars FILE]",
     "check the text tables, stage them as texts/<lang>.xml, list their characters", &RunTexts}};

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
        std::string content, error;
        TextTable table;
        if (!ReadWholeFile(path, content, error))
            errors.push_back(error);
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

    std::string error;
    for (size_t i = 0; i < tables.size(); ++i) {
        const std::string path = (outDir / "texts" / (TextLanguages()[i] + ".xml")).string();
        if (!WriteWholeFile(path, bytes[i], error))
            return Fail(error);
    }
    if (!charsPath.empty() && !WriteWholeFile(charsPath, CollectCharacters(tables) + "\n", error))
        return Fail(error);
    return 0;
}

} // namespace

} // namespace DataBuild
