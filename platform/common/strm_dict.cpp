// The media renderer's dictionaries (its dictionary library on the tablet): the parameters a
// client hands to an output.
#include <map>
#include <string>

#include "mm/renderer.h"

struct strm_dict {
    std::map<std::string, std::string> values;
};

extern "C" strm_dict_t* strm_dict_new(void)
{
    return new strm_dict;
}

extern "C" strm_dict_t* strm_dict_set(strm_dict_t* dict, const char* key, const char* value)
{
    if (!dict)
        return nullptr;
    if (!key || !value) {
        delete dict;
        return nullptr;
    }
    dict->values[key] = value;
    return dict;
}

extern "C" const char* strm_dict_find_value(const strm_dict_t* dict, const char* key)
{
    if (!dict || !key)
        return nullptr;
    auto it = dict->values.find(key);
    return it == dict->values.end() ? nullptr : it->second.c_str();
}

extern "C" int strm_dict_destroy(strm_dict_t* dict)
{
    delete dict;
    return 0;
}
