#include "support/BuiltData.h"

#include <unistd.h>

namespace VornTest {

std::string BuiltData(const std::string& name)
{
    return std::string(VORN_BINARY_DIR) + "/data/" + name;
}

std::string MissingBuiltData(const std::vector<std::string>& paths)
{
    std::string missing;
    for (const std::string& path : paths)
        if (access(path.c_str(), R_OK) != 0)
            missing += (missing.empty() ? "no " : ", ") + path;
    if (missing.empty())
        return missing;
    return missing + (VORN_DATA_BUILD ? " (not made by this build's data build)" : " (data build switched off)");
}

std::string MissingGameData()
{
    std::vector<std::string> archives;
    for (const char* name : {"common", "240", "320", "480", "600"})
        archives.push_back(BuiltData(std::string("data_") + name + ".pak"));
    return MissingBuiltData(archives);
}

} // namespace VornTest
